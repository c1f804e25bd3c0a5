#pragma once

#include <QByteArray>

namespace sorvik::collector
{

// Bytes of one stream (one connection, one serial port). Whole records come out; an
// incomplete record stays until the rest of it arrives.
class RecordBuffer
{
public:
    void append(const QByteArray& bytes) { m_bytes.append(bytes); }
    // Every whole record held, concatenated; the incomplete tail stays.
    QByteArray takeWhole();
    qsizetype tailSize() const { return m_bytes.size(); }
    // The stream ended: a tail can no longer be completed. Returns how many bytes went.
    qsizetype dropTail();

private:
    QByteArray m_bytes;
};

} // namespace sorvik::collector
