#pragma once

#include <QDialog>

// The column layout of a card workbook: the titles "学号", "姓名", "卡号" over one sample row,
// and the notes below. It has no behaviour of its own.
class CDlgExcelFormatCard : public QDialog
{
    Q_OBJECT
public:
    enum ControlId {
        IdCancel = 2, // "取消"
    };

    explicit CDlgExcelFormatCard(QWidget* parent = nullptr);

    static QStringList titles();
    static QStringList sampleRow();
};
