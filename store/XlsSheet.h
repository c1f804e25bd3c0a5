#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace store
{

// The data rows of a workbook's Sheet1 as the reader process wrote them (XlsFrameFormat.h).
// parse checks the whole stream once, so nothing that arrives broken is ever handed out; the
// cells of a row are turned into texts only when the row is asked for.
class XlsSheet
{
public:
    // True when the stream is one complete, well-formed sheet; false and why in words when it
    // is broken or carries the reader's report that the workbook cannot be read.
    bool parse(QByteArray baStream, QString& strError);

    long recordCount() const { return m_lRecordCount; }
    long fieldCount() const { return m_lFieldCount; }
    // The rows that can be read; fewer than recordCount when a row could not be read.
    qsizetype readableRows() const { return m_rowCells.size(); }
    // Why the row after the readable ones could not be read; empty when all can.
    const QString& rowError() const { return m_strRowError; }
    // Row i (0 = the first row after the headings): fieldCount texts, trimmed of blanks.
    QStringList row(qsizetype i) const;

private:
    void reset();
    bool fail(QString& strError, const QString& why);

    QByteArray m_stream;
    QList<qsizetype> m_rowCells; // where each row's cells start in m_stream
    long m_lRecordCount = 0;
    long m_lFieldCount = 0;
    QString m_strRowError;
};

// FreeXL's error code or the reader's own reason as the teacher reads it.
QString describeReaderReason(qint32 reason, quint32 a = 0, quint32 b = 0);

// A number cell's text: fifteen significant digits at most, a whole number without a point.
QString cellText(double dValue);

} // namespace store
