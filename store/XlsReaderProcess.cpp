#include "XlsReaderProcess.h"

#include "StationFolders.h"
#include "XlsFrameFormat.h"

#include <QDeadlineTimer>
#include <QProcess>

#include <csignal>

namespace store
{

namespace
{

const QString kReaderName = QStringLiteral("sorvik-xlsreader");

QString crashDescription(int signal)
{
    if (signal == SIGXCPU)
        return QStringLiteral("读取超出了时间限制,已终止,文件可能已损坏");
    if (signal == SIGKILL)
        return QStringLiteral("读取超出了时间或内存限制,已终止,文件可能已损坏");
    return QStringLiteral("读取程序异常终止(信号%1),文件可能已损坏").arg(signal);
}

} // namespace

QString xlsReaderProgram()
{
    return platform::findHelper(kReaderName);
}

XlsReaderProcess::XlsReaderProcess(QString strProgram, int iTimeoutMs)
    : m_strProgram(std::move(strProgram)), m_iTimeoutMs(iTimeoutMs)
{
}

bool XlsReaderProcess::run(const QString& strFile, QByteArray& baStream, QString& strError) const
{
    baStream.clear();
    if (m_strProgram.isEmpty()) {
        strError = QStringLiteral("找不到Excel读取程序%1").arg(kReaderName);
        return false;
    }
    const QDeadlineTimer deadline(m_iTimeoutMs);
    QProcess process;
    process.setProgram(m_strProgram);
    process.setArguments({strFile});
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(m_iTimeoutMs)) {
        strError =
            QStringLiteral("无法启动Excel读取程序%1:%2").arg(m_strProgram, process.errorString());
        process.kill();
        process.waitForFinished(1000);
        return false;
    }

    const auto stop = [&](const QString& why) {
        // Bounded: a reader stuck in the kernel (a hung network folder) must not hold us.
        process.kill();
        process.waitForFinished(5000);
        baStream.clear();
        strError = why;
        return false;
    };
    const auto takeOutput = [&] {
        baStream.append(process.readAllStandardOutput());
        return baStream.size() <= qsizetype(xlsframes::kMaxStreamBytes);
    };
    while (process.state() != QProcess::NotRunning) {
        if (deadline.hasExpired())
            return stop(QStringLiteral("读取超过%1秒仍未完成,已终止").arg(m_iTimeoutMs / 1000.0));
        const int left = int(qMax<qint64>(1, deadline.remainingTime()));
        // A reader that closed its output but keeps running is waited for, not polled.
        if (!process.waitForReadyRead(left) && process.state() != QProcess::NotRunning)
            process.waitForFinished(int(qMax<qint64>(1, deadline.remainingTime())));
        if (!takeOutput())
            return stop(QStringLiteral("读取程序的输出超过%1 MB,已终止")
                            .arg(xlsframes::kMaxStreamBytes / (1024 * 1024)));
    }
    if (!takeOutput()) {
        baStream.clear();
        strError = QStringLiteral("读取程序的输出超过%1 MB").arg(xlsframes::kMaxStreamBytes >> 20);
        return false;
    }
    if (process.exitStatus() == QProcess::CrashExit) {
        baStream.clear();
        strError = crashDescription(process.exitCode());
        return false;
    }
    if (process.exitCode() != 0) {
        baStream.clear();
        strError = QStringLiteral("读取程序出错退出(退出码%1)").arg(process.exitCode());
        return false;
    }
    return true;
}

} // namespace store
