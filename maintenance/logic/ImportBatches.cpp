#include "ImportBatches.h"

#include <QThread>

ImportBatches::ImportBatches(const CDB& db, int iRowsPerBatch)
    : m_db(db), m_iRowsPerBatch(qMax(1, iRowsPerBatch)), m_pInner(&platform::messages()),
      m_pThread(QThread::currentThread())
{
    platform::setMessageService(this);
}

ImportBatches::~ImportBatches()
{
    flush();
    platform::setMessageService(m_pInner);
}

void ImportBatches::beginRow()
{
    // On a server the rows' writes go without waiting for each answer; one the server refuses
    // loses the batch, which breaks the import off as a full disk would.
    if (!m_batch && !m_bFailed)
        m_batch.emplace(m_db, store::Batch::Options{-1, true, true});
}

void ImportBatches::addShown(std::function<void()> show)
{
    m_shown.append(std::move(show));
}

bool ImportBatches::endRow()
{
    if (!m_batch || ++m_iRowsInBatch < m_iRowsPerBatch)
        return false;
    flush();
    return true;
}

void ImportBatches::flush()
{
    if (m_bFlushing)
        return;
    m_bFlushing = true;
    // The batch's own error report comes through show() again; m_bFlushing lets it pass.
    const bool committed = !m_batch || m_batch->commit();
    m_batch.reset();
    m_iRowsInBatch = 0;
    const QList<std::function<void()>> shown = std::exchange(m_shown, {});
    if (committed) {
        for (const auto& s : shown)
            s();
    } else {
        m_bFailed = true;
    }
    m_bFlushing = false;
}

platform::Answer ImportBatches::show(const QString& text, const QString& caption,
                                     platform::Icon icon, platform::Buttons buttons, QObject* owner)
{
    if (QThread::currentThread() == m_pThread)
        flush();
    return m_pInner->show(text, caption, icon, buttons, owner);
}
