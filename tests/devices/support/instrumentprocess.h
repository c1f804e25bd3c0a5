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
        : statePath_(std::move(statePath)), logPath_(std::move(logPath)),
          extraArgs_(std::move(extraArgs))
    {
    }
    ~InstrumentProcess() { stop(); }
    InstrumentProcess(const InstrumentProcess&) = delete;
    InstrumentProcess& operator=(const InstrumentProcess&) = delete;

    // Starts the server and points the library at it.
    bool start()
    {
        process_.setProgram(program());
        process_.setArguments(QStringList{QStringLiteral("--port"), QStringLiteral("0"),
                                          QStringLiteral("--print-port"), QStringLiteral("--state"),
                                          statePath_} +
                              extraArgs_);
        process_.setStandardErrorFile(logPath_, QIODevice::Append);
        process_.start();
        if (!process_.waitForStarted(10000))
            return false;
        QElapsedTimer waited;
        waited.start();
        while (!process_.canReadLine()) {
            if (process_.state() != QProcess::Running || waited.hasExpired(20000))
                return false;
            process_.waitForReadyRead(500);
        }
        port_ = process_.readLine().trimmed().toUShort();
        pointLibraryHere();
        return port_ != 0;
    }

    void pointLibraryHere() const
    {
        qputenv("SORVIK_INSTRUMENT_HOST", "127.0.0.1");
        qputenv("SORVIK_INSTRUMENT_PORT", QByteArray::number(port_));
    }

    quint16 port() const { return port_; }

    void pause() { sendSignal(SIGSTOP); }
    void resume() { sendSignal(SIGCONT); }

    void kill()
    {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.kill();
        process_.waitForFinished(10000);
    }

    void stop()
    {
        if (process_.state() == QProcess::NotRunning)
            return;
        resume();
        process_.terminate();
        if (!process_.waitForFinished(10000))
            kill();
    }

    QByteArray log() const
    {
        QFile file(logPath_);
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
        if (process_.state() == QProcess::Running)
            ::kill(pid_t(process_.processId()), sig);
    }

    QString statePath_;
    QString logPath_;
    QStringList extraArgs_;
    QProcess process_;
    quint16 port_ = 0;
};
