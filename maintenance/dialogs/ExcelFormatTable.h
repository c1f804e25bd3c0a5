#pragma once

#include <QList>
#include <QStringList>
#include <QWidget>

// A drawn table of a workbook's layout: a row of column titles and sample rows, in a grid
// whose columns share the width by the length of their texts.
class ExcelFormatTable final : public QWidget
{
    Q_OBJECT
public:
    explicit ExcelFormatTable(QWidget* parent = nullptr) : QWidget(parent) {}

    // rows: the titles first, then the sample rows.
    void setRows(const QList<QStringList>& rows);
    const QList<QStringList>& rows() const { return m_rows; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<QStringList> m_rows;
};
