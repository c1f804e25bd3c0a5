#include "MemoryProgressView.h"

#include <QMutexLocker>

#include <algorithm>

void MemoryProgressView::setRange(int minimum, int maximum)
{
    QMutexLocker lock(&m_mutex);
    m_minimum = minimum;
    m_maximum = std::max(minimum, maximum);
    m_position = std::clamp(m_position, m_minimum, m_maximum);
}

void MemoryProgressView::setPosition(int position)
{
    QMutexLocker lock(&m_mutex);
    m_position = std::clamp(position, m_minimum, m_maximum);
}

int MemoryProgressView::insertRow(int index, const QString& firstCell)
{
    QMutexLocker lock(&m_mutex);
    const int at = (index < 0 || index > m_rows.size()) ? int(m_rows.size()) : index;
    m_rows.insert(at, QStringList{firstCell});
    return at;
}

void MemoryProgressView::setCell(int row, int column, const QString& text)
{
    QMutexLocker lock(&m_mutex);
    if (row < 0 || row >= m_rows.size() || column < 0)
        return;
    QStringList& cells = m_rows[row];
    while (cells.size() <= column)
        cells << QString();
    cells[column] = text;
}

void MemoryProgressView::addTopRow(int position, const QStringList& cells)
{
    ProgressView::addTopRow(position, cells);
    if (m_onRow)
        m_onRow(position);
}

void MemoryProgressView::finish()
{
    QMutexLocker lock(&m_mutex);
    m_finished = true;
}

int MemoryProgressView::minimum() const
{
    QMutexLocker lock(&m_mutex);
    return m_minimum;
}

int MemoryProgressView::maximum() const
{
    QMutexLocker lock(&m_mutex);
    return m_maximum;
}

int MemoryProgressView::position() const
{
    QMutexLocker lock(&m_mutex);
    return m_position;
}

bool MemoryProgressView::finished() const
{
    QMutexLocker lock(&m_mutex);
    return m_finished;
}

int MemoryProgressView::rowCount() const
{
    QMutexLocker lock(&m_mutex);
    return int(m_rows.size());
}

QStringList MemoryProgressView::row(int index) const
{
    QMutexLocker lock(&m_mutex);
    return m_rows.value(index);
}
