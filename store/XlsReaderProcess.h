#pragma once

#include <QByteArray>
#include <QString>

namespace store
{

// Where the workbook reader process is: beside the running program (the build tree, a copy
// unpacked anywhere), else in the installed program's library folder. Empty when neither has it.
QString xlsReaderProgram();

// Runs the workbook reader process (sorvik-xlsreader) on one file and collects what it writes.
// The reader limits its own memory and CPU time; this enforces the wall-clock limit and the
// size of the output, so a reader that hangs or floods cannot hold the station.
class XlsReaderProcess
{
public:
    static constexpr int kDefaultTimeoutMs = 20000;

    explicit XlsReaderProcess(QString strProgram = xlsReaderProgram(),
                              int iTimeoutMs = kDefaultTimeoutMs);

    // True and the reader's whole output when it ran to a normal end; false and why in words
    // when it could not start, crashed, hit one of its limits, ran out of time or wrote too much.
    bool run(const QString& strFile, QByteArray& baStream, QString& strError) const;

    const QString& program() const { return m_strProgram; }

private:
    QString m_strProgram;
    int m_iTimeoutMs;
};

} // namespace store
