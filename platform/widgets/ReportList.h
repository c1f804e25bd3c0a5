#pragma once

#include "ListView.h"

#include <QTableView>

namespace platform
{

class ReportListModel;

// A report-style list control with grid lines and full-row selection. It is the station's
// ListView: calls from a worker thread are carried out on the user-interface thread, and the
// worker waits until each is applied.
class ReportList final : public QTableView, public ListView
{
    Q_OBJECT
public:
    explicit ReportList(QWidget* parent = nullptr);

    // Columns as (title, width in pixels); removes every row and column first.
    void setColumns(const QList<QPair<QString, int>>& columns);

    int insertRow(int index, const QString& text) override;
    void setCell(int row, int column, const QString& text) override;
    QString cell(int row, int column) const override;
    int rowCount() const override;
    QList<int> selectedRows() const override;
    void deleteRow(int row) override;
    void deleteAll() override;
    void setRowKey(int row, qint64 key) override;
    std::optional<qint64> rowKey(int row) const override;

    void selectRows(const QList<int>& rows);

private:
    ReportListModel* m_model;
};

} // namespace platform
