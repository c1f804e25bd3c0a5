#include "ReportListModel.h"

#include <algorithm>

namespace platform
{

void ReportListModel::setColumns(const QStringList& titles)
{
    beginResetModel();
    m_titles = titles;
    endResetModel();
}

int ReportListModel::insertRowAt(int index, const QString& text)
{
    const int at = std::clamp(index, 0, static_cast<int>(m_rows.size()));
    beginInsertRows({}, at, at);
    m_rows.insert(m_rows.begin() + at, Row{QStringList{text}, std::nullopt});
    endInsertRows();
    return at;
}

void ReportListModel::setCell(int row, int column, const QString& text)
{
    if (row < 0 || row >= static_cast<int>(m_rows.size()) || column < 0)
        return;
    QStringList& cells = m_rows[row].cells;
    while (cells.size() <= column)
        cells.append(QString());
    cells[column] = text;
    const QModelIndex i = index(row, column);
    emit dataChanged(i, i, {Qt::DisplayRole});
}

QString ReportListModel::cell(int row, int column) const
{
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return {};
    return m_rows[row].cells.value(column);
}

void ReportListModel::setRowKey(int row, qint64 key)
{
    if (row >= 0 && row < static_cast<int>(m_rows.size()))
        m_rows[row].key = key;
}

std::optional<qint64> ReportListModel::rowKey(int row) const
{
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return std::nullopt;
    return m_rows[row].key;
}

void ReportListModel::removeRowAt(int row)
{
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return;
    beginRemoveRows({}, row, row);
    m_rows.erase(m_rows.begin() + row);
    endRemoveRows();
}

void ReportListModel::removeAll()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

int ReportListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ReportListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_titles.size());
}

QVariant ReportListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole)
        return {};
    return cell(index.row(), index.column());
}

QVariant ReportListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return m_titles.value(section);
    if (orientation == Qt::Horizontal && role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

} // namespace platform
