#include "TransferProgress.h"

#include "ProgressView.h"

TransferProgress::TransferProgress(ProgressView& view) : m_view(view) {}

TransferProgress::~TransferProgress()
{
    m_view.finish();
}

void TransferProgress::start(int total)
{
    m_count = 0;
    m_view.setRange(0, total);
    m_view.setPosition(0);
}

int TransferProgress::addRow(const QStringList& cells)
{
    ++m_count;
    m_view.setPosition(m_count);
    const int row = m_view.insertRow(0, QString::number(m_count));
    for (int i = 0; i < cells.size(); ++i)
        m_view.setCell(row, i + 1, cells.at(i));
    return m_count;
}
