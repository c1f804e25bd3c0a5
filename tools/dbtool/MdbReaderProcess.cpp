#include "MdbReaderProcess.h"

#include "MdbFrames.h"

#include "StationFolders.h"

#include <QDir>
#include <QProcess>

#include <cstring>

#include <signal.h>
#include <sys/resource.h>

namespace
{

using namespace mdbframes;

struct BrokenStream {
};

// Reads the fields of one frame's payload; running past its end means the stream is broken.
class Payload
{
public:
    Payload(const char* data, quint32 size) : m_p(data), m_end(data + size) {}

    quint8 u8() { return static_cast<quint8>(*take(1)); }
    quint16 u16() { return static_cast<quint16>(le(take(2), 2)); }
    quint32 u32() { return static_cast<quint32>(le(take(4), 4)); }
    qint64 i64() { return static_cast<qint64>(le(take(8), 8)); }
    double f64()
    {
        const quint64 bits = le(take(8), 8);
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }
    QByteArray bytes()
    {
        const quint32 n = u32();
        return QByteArray(take(n), n);
    }
    QString text()
    {
        const QByteArray raw = bytes();
        if (!QUtf8StringView(raw).isValidUtf8())
            throw BrokenStream{};
        return QString::fromUtf8(raw);
    }
    bool atEnd() const { return m_p == m_end; }

private:
    const char* take(quint32 n)
    {
        if (static_cast<quint64>(m_end - m_p) < n)
            throw BrokenStream{};
        const char* at = m_p;
        m_p += n;
        return at;
    }
    static quint64 le(const char* p, int n)
    {
        quint64 v = 0;
        for (int i = n - 1; i >= 0; --i)
            v = (v << 8) | static_cast<quint8>(p[i]);
        return v;
    }

    const char* m_p;
    const char* m_end;
};

QString signalName(int sig)
{
    const char* name = sigabbrev_np(sig);
    return name ? QStringLiteral("SIG%1").arg(QString::fromLatin1(name))
                : QStringLiteral("signal %1").arg(sig);
}

} // namespace

MdbReaderProcess::Limits MdbReaderProcess::limitsFor(qint64 fileSize)
{
    // libmdb holds a page or two at a time; what a file can ask for is its largest value.
    // Room for several copies of the whole file, time for a slow disk.
    Limits l;
    l.memoryBytes = 512LL * 1024 * 1024 + 4 * fileSize;
    l.cpuSeconds = 30 + static_cast<int>(fileSize / (1024 * 1024));
    l.silenceMs = 20000;
    return l;
}

QString MdbReaderProcess::readerPath()
{
    const QString given = qEnvironmentVariable("SORVIK_MDB_READER");
    if (!given.isEmpty())
        return given;
    const QString name = QStringLiteral("sorvik-mdb-reader");
    const QString found = platform::findHelper(name);
    return found.isEmpty() ? QDir(platform::programFolder()).filePath(name) : found;
}

MdbReaderProcess::Result MdbReaderProcess::read(const QString& path, MdbReaderListener& listener)
{
    QProcess process;
    const Limits limits = m_limits;
    process.setChildProcessModifier([limits] {
        // Runs in the child between fork and exec: system calls only.
        const rlimit memory{static_cast<rlim_t>(limits.memoryBytes),
                            static_cast<rlim_t>(limits.memoryBytes)};
        setrlimit(RLIMIT_AS, &memory);
        const rlimit cpu{static_cast<rlim_t>(limits.cpuSeconds),
                         static_cast<rlim_t>(limits.cpuSeconds + 5)};
        setrlimit(RLIMIT_CPU, &cpu);
        const rlimit noCore{0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
    });
    process.start(readerPath(), {path}, QIODevice::ReadOnly);
    if (!process.waitForStarted(30000))
        return {Outcome::Failed,
                QStringLiteral("无法启动读取程序 %1: %2").arg(readerPath(), process.errorString())};

    Result result;
    QByteArray buffer;
    qsizetype pos = 0;
    QByteArray errors; // the tail of what the reader said on its error channel
    QString current;   // the table being read
    QString readerError;
    MdbTableInfo table;
    bool seenFile = false;
    bool done = false;
    bool stopped = false;
    bool broken = false;
    bool silent = false;

    auto stop = [&] {
        process.kill();
        process.waitForFinished(30000);
    };

    // Handles every whole frame in the buffer; false when the reading is over.
    auto handleFrames = [&]() -> bool {
        while (buffer.size() - pos >= static_cast<qsizetype>(kHeaderSize)) {
            const char* head = buffer.constData() + pos;
            Payload header(head + 1, 4);
            const quint32 length = header.u32();
            if (length > kMaxPayload)
                throw BrokenStream{};
            if (buffer.size() - pos - static_cast<qsizetype>(kHeaderSize) < length)
                break;
            Payload p(head + kHeaderSize, length);
            const char kind = head[0];
            pos += kHeaderSize + length;
            if (!seenFile && kind != File && kind != Error)
                throw BrokenStream{};
            switch (kind) {
            case File:
                seenFile = true;
                p.u8();  // Jet version
                p.u32(); // page size
                break;
            case Catalog: {
                QList<MdbTableInfo> tables(p.u32());
                for (MdbTableInfo& t : tables) {
                    t.name = p.text();
                    t.declaredRows = p.u32();
                    t.columnCount = p.u16();
                }
                listener.catalog(tables);
                break;
            }
            case Table: {
                table = MdbTableInfo();
                table.name = p.text();
                current = table.name;
                table.declaredRows = p.u32();
                table.columnCount = p.u16();
                for (int i = 0; i < table.columnCount; ++i) {
                    MdbColumnInfo c;
                    c.name = p.text();
                    c.type = p.u8();
                    c.size = p.u16();
                    table.columns << c;
                }
                listener.tableStarts(table);
                break;
            }
            case Row: {
                QVariantList values;
                values.reserve(table.columnCount);
                for (int i = 0; i < table.columnCount; ++i) {
                    switch (p.u8()) {
                    case Null:
                        values << QVariant();
                        break;
                    case Integer:
                        values << QVariant(static_cast<qlonglong>(p.i64()));
                        break;
                    case Real:
                    case Date:
                        values << QVariant(p.f64());
                        break;
                    case Text:
                        values << QVariant(p.text());
                        break;
                    case Blob:
                        values << QVariant(p.bytes());
                        break;
                    default:
                        throw BrokenStream{};
                    }
                }
                listener.row(values);
                break;
            }
            case TableEnd:
                listener.tableEnds(p.u32());
                current.clear();
                break;
            case Done:
                done = true;
                return false;
            case Error:
                readerError = p.text();
                return false;
            default:
                throw BrokenStream{};
            }
            if (!p.atEnd())
                throw BrokenStream{};
        }
        if (pos > (1 << 20)) {
            buffer.remove(0, pos);
            pos = 0;
        }
        return true;
    };

    try {
        bool more = true;
        while (more) {
            if (process.bytesAvailable() == 0 && !process.waitForReadyRead(limits.silenceMs)) {
                if (process.state() != QProcess::NotRunning) {
                    silent = true;
                    stop();
                    break;
                }
                buffer += process.readAllStandardOutput();
                more = handleFrames();
                break;
            }
            buffer += process.readAllStandardOutput();
            errors = (errors + process.readAllStandardError()).right(4096);
            more = handleFrames();
        }
    } catch (const MdbReadStopped& s) {
        stopped = true;
        result = {Outcome::Stopped, s.message};
    } catch (const BrokenStream&) {
        broken = true;
    }
    // A reader that has said all (or given up) ends by itself; any other is stopped here.
    if ((stopped || broken) && process.state() != QProcess::NotRunning)
        stop();
    if (!process.waitForFinished(limits.silenceMs))
        stop();
    errors = (errors + process.readAllStandardError()).right(4096);
    if (stopped)
        return result;

    const QString where = current.isEmpty() ? QStringLiteral("读取表目录时")
                                            : QStringLiteral("读取表 %1 时").arg(current);
    if (silent)
        return {Outcome::Failed, QStringLiteral("%1读取程序 %2 秒没有进展, 已中止")
                                     .arg(where)
                                     .arg(limits.silenceMs / 1000)};
    if (broken)
        return {Outcome::Failed, QStringLiteral("%1读取程序的输出不完整").arg(where)};
    if (!readerError.isEmpty())
        return {Outcome::Failed, QStringLiteral("%1出错: %2").arg(where, readerError)};
    if (process.exitStatus() == QProcess::CrashExit || !done) {
        const bool memory =
            errors.contains("alloc") || errors.contains("bad_alloc") || errors.contains("memory");
        if (memory)
            return {Outcome::Failed, QStringLiteral("%1读取程序所需内存超过 %2 MB, 已中止")
                                         .arg(where)
                                         .arg(limits.memoryBytes / (1024 * 1024))};
        if (process.exitStatus() == QProcess::CrashExit) {
            // QProcess reports a crash without the signal; ask the system for it.
            const int sig = process.exitCode();
            if (sig == SIGXCPU)
                return {Outcome::Failed, QStringLiteral("%1读取程序用时超过 %2 秒, 已中止")
                                             .arg(where)
                                             .arg(limits.cpuSeconds)};
            return {Outcome::Failed,
                    QStringLiteral("%1读取程序崩溃 (%2)").arg(where, signalName(sig))};
        }
        return {
            Outcome::Failed,
            QStringLiteral("%1读取程序意外结束 (退出码 %2)").arg(where).arg(process.exitCode())};
    }
    return {Outcome::Complete, {}};
}
