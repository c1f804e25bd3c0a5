// Runs the real sorvik-instrument for a test: on a free loopback port, with its own state
// file, its log in a file (a pipe nobody reads would fill up and stall the instrument).
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <csignal>
#include <utility>

#include <sys/types.h>

class InstrumentProcess
{
public:
    static QString program() { return QStringLiteral(SORVIK_BIN_DIR "/sorvik-instrument"); }

    InstrumentProcess(QString statePath, QString logPath, QStringList extraArgs = {})
        : m_statePath(std::move(statePath)), m_logPath(std::move(logPath)),
          m_extraArgs(std::move(extraArgs))
    {
    }
    ~InstrumentProcess() { stop(); }
    InstrumentProcess(const InstrumentProcess&) = delete;
    InstrumentProcess& operator=(const InstrumentProcess&) = delete;

    // Starts the server and points the library at it.
    bool start()
    {
        m_process.setProgram(program());
        m_process.setArguments(QStringList{QStringLiteral("--port"), QStringLiteral("0"),
                                           QStringLiteral("--print-port"),
                                           QStringLiteral("--state"), m_statePath} +
                               m_extraArgs);
        m_process.setStandardErrorFile(m_logPath, QIODevice::Append);
        m_process.start();
        if (!m_process.waitForStarted(10000))
            return false;
        QElapsedTimer waited;
        waited.start();
        while (!m_process.canReadLine()) {
            if (m_process.state() != QProcess::Running || waited.hasExpired(20000))
                return false;
            m_process.waitForReadyRead(500);
        }
        m_port = m_process.readLine().trimmed().toUShort();
        pointLibraryHere();
        return m_port != 0;
    }

    void pointLibraryHere() const
    {
        qputenv("SORVIK_INSTRUMENT_HOST", "127.0.0.1");
        qputenv("SORVIK_INSTRUMENT_PORT", QByteArray::number(m_port));
    }

    quint16 port() const { return m_port; }

    void pause() { sendSignal(SIGSTOP); }
    void resume() { sendSignal(SIGCONT); }

    void kill()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.kill();
        m_process.waitForFinished(10000);
    }

    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        resume();
        m_process.terminate();
        if (!m_process.waitForFinished(10000))
            kill();
    }

    QByteArray log() const
    {
        QFile file(m_logPath);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Runs a one-shot action (--simulate, --record) on a state file; the exit code.
    static int runAction(const QString& statePath, const QStringList& args,
                         QByteArray* errors = nullptr)
    {
        QProcess p;
        p.start(program(), QStringList{QStringLiteral("--state"), statePath} + args);
        if (!p.waitForFinished(30000)) {
            p.kill();
            p.waitForFinished(5000);
            return -1;
        }
        if (errors)
            *errors = p.readAllStandardError();
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

private:
    void sendSignal(int sig)
    {
        if (m_process.state() == QProcess::Running)
            ::kill(pid_t(m_process.processId()), sig);
    }

    QString m_statePath;
    QString m_logPath;
    QStringList m_extraArgs;
    QProcess m_process;
    quint16 m_port = 0;
};
