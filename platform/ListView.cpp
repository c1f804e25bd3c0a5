#include "ListView.h"

#include <algorithm>

namespace platform
{

int MemoryListView::insertRow(int index, const QString& text)
{
    const int at = std::clamp(index, 0, rowCount());
    m_rows.insert(at, QStringList{text});
    m_keys.insert(at, std::nullopt);
    for (int& s : m_selected)
        if (s >= at)
            ++s;
    notifyCount(rowCount());
    if (m_onInsert)
        m_onInsert(at);
    return at;
}

void MemoryListView::setCell(int row, int column, const QString& text)
{
    if (row < 0 || row >= rowCount() || column < 0)
        return;
    QStringList& cells = m_rows[row];
    while (cells.size() <= column)
        cells.append(QString());
    cells[column] = text;
}

QString MemoryListView::cell(int row, int column) const
{
    return m_rows.value(row).value(column);
}

QList<int> MemoryListView::selectedRows() const
{
    QList<int> rows = m_selected;
    std::sort(rows.begin(), rows.end());
    return rows;
}

void MemoryListView::deleteRow(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    notifyCount(rowCount() - 1);
    m_rows.removeAt(row);
    m_keys.removeAt(row);
    m_selected.removeAll(row);
    for (int& s : m_selected)
        if (s > row)
            --s;
}

void MemoryListView::setRowKey(int row, qint64 key)
{
    if (row >= 0 && row < rowCount())
        m_keys[row] = key;
}

std::optional<qint64> MemoryListView::rowKey(int row) const
{
    return row >= 0 && row < rowCount() ? m_keys.at(row) : std::nullopt;
}

void MemoryListView::deleteAll()
{
    while (rowCount() > 0)
        deleteRow(rowCount() - 1);
}

} // namespace platform
