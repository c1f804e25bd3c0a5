#include "ExcelFormatTable.h"

#include <QPainter>

#include <algorithm>

void ExcelFormatTable::setRows(const QList<QStringList>& rows)
{
    m_rows = rows;
    update();
}

void ExcelFormatTable::paintEvent(QPaintEvent*)
{
    if (m_rows.isEmpty())
        return;
    qsizetype columns = 0;
    for (const QStringList& row : m_rows)
        columns = std::max(columns, row.size());
    if (columns == 0)
        return;

    // Each column gets its widest text plus a margin, and the rest of the width shared alike.
    const QFontMetrics fm = fontMetrics();
    const int margin = fm.averageCharWidth() * 2;
    QList<int> widths(columns, margin);
    for (const QStringList& row : m_rows)
        for (qsizetype c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], fm.horizontalAdvance(row.at(c)) + margin);
    int total = 0;
    for (int w : widths)
        total += w;
    const int right = width() - 1;
    const int spare = std::max(0, right - total);
    for (qsizetype c = 0; c < columns; ++c)
        widths[c] += spare / static_cast<int>(columns);

    QPainter p(this);
    p.fillRect(rect(), palette().base());
    const int bottom = height() - 1;
    const int rowHeight = bottom / static_cast<int>(m_rows.size());
    p.fillRect(QRect(0, 0, right, rowHeight), palette().alternateBase());
    p.setPen(palette().text().color());
    int x = 0;
    for (qsizetype c = 0; c < columns; ++c) {
        for (qsizetype r = 0; r < m_rows.size(); ++r) {
            const QRect cell(x, static_cast<int>(r) * rowHeight, widths.at(c), rowHeight);
            p.drawText(cell, Qt::AlignCenter, m_rows.at(r).value(c));
        }
        x += widths.at(c);
        if (c + 1 < columns)
            p.drawLine(x, 0, x, rowHeight * static_cast<int>(m_rows.size()));
    }
    for (qsizetype r = 1; r < m_rows.size(); ++r)
        p.drawLine(0, static_cast<int>(r) * rowHeight, right, static_cast<int>(r) * rowHeight);
    p.drawRect(0, 0, right, rowHeight * static_cast<int>(m_rows.size()));
}
