#pragma once

#include <QDialog>
#include <QStringList>

class ExcelFormatTable;

// The format help of a workbook import: the drawn table of the sheet's columns with one
// sample row, the two note lines and "取消". Each import's help dialog is one of these.
class ExcelFormatDialog : public QDialog
{
    Q_OBJECT
public:
    enum ControlId {
        IdCancel = 2,
    };

    ExcelFormatTable* table() const { return m_table; }

protected:
    // width in dialog units, wide enough for the table's texts.
    ExcelFormatDialog(const QString& title, const QStringList& saTitles,
                      const QStringList& saSample, int width, QWidget* pParent);

private:
    ExcelFormatTable* m_table;
};
