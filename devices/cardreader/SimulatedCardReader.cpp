#include "SimulatedCardReader.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvik::cardreader
{

SimulatedCardReader::SimulatedCardReader(const QString& feed, QObject* parent)
    : CardReaderSource(parent), m_feed(feed)
{
}

SimulatedCardReader::~SimulatedCardReader()
{
    close();
}

QString SimulatedCardReader::describe() const
{
    return QStringLiteral("模拟读卡器 %1").arg(m_feed);
}

bool SimulatedCardReader::open(QString* error)
{
    if (m_fd >= 0)
        return true;
    const auto fail = [&](const QString& why) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(describe(), why);
        return false;
    };
    if (m_feed.isEmpty())
        return fail(QStringLiteral("no feed file set ([cardreader] feed)"));
    // Non-blocking, so that a pipe without a writer opens at once and an empty read never waits.
    const int fd = ::open(QFile::encodeName(m_feed).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    struct stat st {
    };
    if (::fstat(fd, &st) != 0 || !(S_ISFIFO(st.st_mode) || S_ISREG(st.st_mode))) {
        ::close(fd);
        return fail(QStringLiteral("neither a file nor a named pipe"));
    }
    m_isPipe = S_ISFIFO(st.st_mode);
    if (!m_isPipe)
        ::lseek(fd, 0, SEEK_END);
    m_fd = fd;
    dropPartialLine();
    return true;
}

void SimulatedCardReader::close()
{
    if (m_fd < 0)
        return;
    ::close(m_fd);
    m_fd = -1;
}

void SimulatedCardReader::readAvailable()
{
    if (m_fd < 0)
        return;
    if (!m_isPipe) {
        // A file cut shorter than what was read is read again from its start.
        struct stat st {
        };
        if (::fstat(m_fd, &st) == 0 && st.st_size < ::lseek(m_fd, 0, SEEK_CUR))
            ::lseek(m_fd, 0, SEEK_SET);
    }
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n > 0) {
            received(QByteArray(buffer, n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break; // end of what is there now (EOF, EAGAIN)
    }
}

} // namespace sorvik::cardreader
