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
    m_view.addTopRow(m_count, QStringList{QString::number(m_count)} + cells);
    return m_count;
}
