#include "CollectJournal.h"

#include "Clock.h"
#include "CollectorRecord.h"
#include "ResultLine.h"
#include "StationFolders.h"
#include "TextRules.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using sorvik::collector::kIdentifierBytes;
using sorvik::collector::kItemCodeBytes;
using sorvik::collector::kRecordBytes;
using sorvik::collector::kValueBytes;

struct CollectJournal::File {
    explicit File(int descriptor) : fd(descriptor) {}
    ~File() { ::close(fd); }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    int fd;
};

// Syncs the file last written to the disk, on a thread of its own; appends that come while it
// syncs are covered by the next sync.
struct CollectJournal::Syncer {
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable synced;
    std::shared_ptr<File> dirty;
    quint64 requested = 0;
    quint64 done = 0;
    bool stop = false;
    std::thread thread{[this] { run(); }};

    ~Syncer()
    {
        {
            std::lock_guard lock(mutex);
            stop = true;
        }
        wake.notify_all();
        thread.join();
    }

    void request(const std::shared_ptr<File>& file)
    {
        {
            std::lock_guard lock(mutex);
            dirty = file;
            ++requested;
        }
        wake.notify_one();
    }

    void waitUntilSynced()
    {
        std::unique_lock lock(mutex);
        const quint64 target = requested;
        synced.wait(lock, [&] { return done >= target; });
    }

    void run()
    {
        std::unique_lock lock(mutex);
        for (;;) {
            wake.wait(lock, [&] { return stop || dirty; });
            if (!dirty)
                return;
            std::shared_ptr<File> file = std::move(dirty);
            const quint64 upTo = requested;
            lock.unlock();
            ::fdatasync(file->fd);
            file.reset();
            lock.lock();
            done = upTo;
            synced.notify_all();
        }
    }
};

namespace
{

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

bool writeAll(int fd, const QByteArray& bytes, qsizetype* written)
{
    *written = 0;
    while (*written < bytes.size()) {
        const ssize_t n =
            ::write(fd, bytes.constData() + *written, size_t(bytes.size() - *written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        *written += n;
    }
    return true;
}

} // namespace

CollectJournal::CollectJournal() : m_syncer(std::make_unique<Syncer>()) {}

CollectJournal::~CollectJournal()
{
    m_syncer.reset(); // syncs what is pending first
}

QString CollectJournal::filePath(const QDate& day)
{
    return QDir(platform::journalFolder())
        .filePath(day.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(".bak"));
}

bool CollectJournal::append(const QByteArray& records)
{
    const qsizetype whole = records.size() - records.size() % kRecordBytes;
    if (whole == 0)
        return true;
    const QDate today = platform::currentDateTime().date();
    if ((!m_file || today != m_day) && !openFor(today))
        return false;
    QByteArray lines;
    lines.reserve(whole / kRecordBytes * (kRecordBytes + 2) + 2);
    if (m_lineCut)
        lines += "\r\n";
    for (qsizetype at = 0; at < whole; at += kRecordBytes) {
        const char* r = records.constData() + at;
        qsizetype idLength = kIdentifierBytes;
        while (idLength > 0 && r[idLength - 1] == ' ')
            --idLength;
        const long code = platform::atolC(
            QString::fromLatin1(QByteArrayView(r + kIdentifierBytes, kItemCodeBytes)));
        lines +=
            platform::resultLine(QByteArray(r, idLength), int(code),
                                 QByteArray(r + kIdentifierBytes + kItemCodeBytes, kValueBytes));
    }
    qsizetype written = 0;
    if (!writeAll(m_file->fd, lines, &written)) {
        m_lineCut = m_lineCut || written > 0;
        m_file.reset(); // opened again by the next append: the disk may have room by then
        return fail(systemError());
    }
    m_lineCut = false;
    m_failed = false;
    m_syncer->request(m_file);
    return true;
}

void CollectJournal::sync()
{
    m_syncer->waitUntilSynced();
}

bool CollectJournal::openFor(const QDate& day)
{
    if (m_file) {
        // Yesterday's file is on the disk before today's begins.
        m_syncer->waitUntilSynced();
        m_file.reset();
    }
    const QString folder = platform::journalFolder();
    m_path = filePath(day);
    if (!QDir().mkpath(folder))
        return fail(QStringLiteral("无法建立文件夹"));
    const QByteArray name = QFile::encodeName(m_path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return fail(systemError());
    auto file = std::make_shared<File>(fd);
    struct stat st {
    };
    if (::fstat(fd, &st) != 0)
        return fail(systemError());
    if (st.st_size == 0) {
        qsizetype written = 0;
        if (!writeAll(fd, platform::resultFileHeader(), &written))
            return fail(systemError());
        // The new name itself must survive a power cut too.
        const int dir = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_CLOEXEC);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
    }
    m_file = std::move(file);
    m_day = day;
    m_lineCut = false;
    return true;
}

bool CollectJournal::fail(const QString& what)
{
    m_failed = true;
    m_error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(m_path), what);
    return false;
}
