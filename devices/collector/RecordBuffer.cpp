#include "RecordBuffer.h"

#include "CollectorRecord.h"

namespace sorvik::collector
{

QByteArray RecordBuffer::takeWhole()
{
    const qsizetype whole = m_bytes.size() - m_bytes.size() % kRecordBytes;
    if (whole == 0)
        return {};
    if (whole == m_bytes.size())
        return std::exchange(m_bytes, QByteArray());
    QByteArray out = m_bytes.left(whole);
    m_bytes.remove(0, whole);
    return out;
}

qsizetype RecordBuffer::dropTail()
{
    const qsizetype n = m_bytes.size();
    m_bytes.clear();
    return n;
}

} // namespace sorvik::collector
