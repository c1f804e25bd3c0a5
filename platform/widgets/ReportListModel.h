#pragma once

#include <QAbstractTableModel>
#include <QStringList>

#include <deque>
#include <optional>

namespace platform
{

// Rows of text cells; inserting at the top is cheap because live collection does it all day.
class ReportListModel final : public QAbstractTableModel
{
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setColumns(const QStringList& titles);
    int insertRowAt(int index, const QString& text);
    void setCell(int row, int column, const QString& text);
    QString cell(int row, int column) const;
    void setRowKey(int row, qint64 key);
    std::optional<qint64> rowKey(int row) const;
    void removeRowAt(int row);
    void removeAll();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct Row {
        QStringList cells;
        std::optional<qint64> key;
    };

    QStringList m_titles;
    std::deque<Row> m_rows;
};

} // namespace platform
