#include "StateJournal.h"

#include "StateJson.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvik::instrument
{

namespace
{

using namespace Qt::StringLiterals;

QString systemError(const QString& what, const QString& path)
{
    return u"%1 %2: %3"_s.arg(what, path, QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

StateJournal::~StateJournal()
{
    close();
}

bool StateJournal::read(const QString& path, Contents& out, QString* error)
{
    out = Contents{};
    QFile file(path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        *error = u"cannot read %1: %2"_s.arg(path, file.errorString());
        return false;
    }
    const QByteArray data = file.readAll();
    out.found = true;
    qsizetype at = 0;
    bool header = true;
    for (qsizetype end = data.indexOf('\n'); end >= 0; end = data.indexOf('\n', at)) {
        const QByteArray line = data.mid(at, end - at);
        at = end + 1;
        if (header) {
            header = false;
            if (!json::readJournalHeader(line, out.generation))
                out.generation = -1;
            continue;
        }
        out.lines.append(line);
    }
    out.validLength = at;
    return true;
}

bool StateJournal::start(const QString& path, qint64 generation, QString* error)
{
    if (!openAt(path, -1, error))
        return false;
    if (!append(json::journalHeader(generation), error))
        return false;
    m_entries = 0;
    return true;
}

bool StateJournal::resume(const QString& path, const Contents& contents, QString* error)
{
    if (!openAt(path, contents.validLength, error))
        return false;
    m_entries = int(contents.lines.size());
    return true;
}

bool StateJournal::openAt(const QString& path, qint64 length, QString* error)
{
    close();
    const QByteArray name = QFile::encodeName(path);
    const int flags = O_WRONLY | O_APPEND | O_CLOEXEC | (length < 0 ? O_CREAT | O_TRUNC : 0);
    const int fd = ::open(name.constData(), flags, 0644);
    if (fd < 0) {
        *error = systemError(u"cannot write"_s, path);
        return false;
    }
    // What follows the last complete line was never answered: cut it off.
    if (length >= 0 && ::ftruncate(fd, off_t(length)) != 0) {
        *error = systemError(u"cannot write"_s, path);
        ::close(fd);
        return false;
    }
    m_path = path;
    m_name = name;
    m_fd = fd;
    m_size = length < 0 ? 0 : length;
    m_entries = 0;
    return true;
}

bool StateJournal::append(const QByteArray& line, QString* error)
{
    if (m_fd < 0) {
        *error = u"the journal %1 is not open"_s.arg(m_path);
        return false;
    }
    qsizetype written = 0;
    while (written < line.size()) {
        const ssize_t n = ::write(m_fd, line.constData() + written, size_t(line.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            *error = systemError(u"cannot write"_s, m_path);
            // Tidy only: a line without its '\n' is dropped when the journal is read back.
            [[maybe_unused]] const int cut = ::ftruncate(m_fd, off_t(m_size));
            close();
            return false;
        }
        written += n;
    }
    m_size += written;
    if (!stillLinked()) {
        *error = u"the journal %1 was removed"_s.arg(m_path);
        close();
        return false;
    }
    ++m_entries;
    return true;
}

bool StateJournal::stillLinked() const
{
    struct stat open {
    };
    struct stat named {
    };
    return ::fstat(m_fd, &open) == 0 && open.st_nlink > 0 &&
           ::stat(m_name.constData(), &named) == 0 && open.st_dev == named.st_dev &&
           open.st_ino == named.st_ino;
}

void StateJournal::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

} // namespace sorvik::instrument
