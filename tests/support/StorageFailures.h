#pragma once

// Real failures of the storage for tests: a disk that is full for this process, and a file
// that cannot be written even by root.

#include <QByteArray>
#include <QFile>

#include <csignal>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace testsupport
{

// While it lives no file of this process grows past its first byte, as if the disk were full:
// writes fail with EFBIG (SIGXFSZ is ignored meanwhile).
class FileSizeLimit
{
public:
    FileSizeLimit()
    {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = m_old;
        small.rlim_cur = 1;
        ::setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

// While it lives the file cannot be opened for writing: read-only, and immutable when the tests
// run as root (who may write read-only files).
class ReadOnlyFile
{
public:
    explicit ReadOnlyFile(const QString& path) : m_path(QFile::encodeName(path))
    {
        ::chmod(m_path.constData(), 0444);
        if (::geteuid() == 0)
            setImmutable(true);
    }
    ~ReadOnlyFile()
    {
        if (::geteuid() == 0)
            setImmutable(false);
        ::chmod(m_path.constData(), 0644);
    }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

private:
    void setImmutable(bool on)
    {
        const int fd = ::open(m_path.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return;
        int flags = 0;
        if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
            ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
        }
        ::close(fd);
    }

    QByteArray m_path;
};

} // namespace testsupport
