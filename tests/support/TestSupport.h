#pragma once

// Helpers shared by the tests: a private settings folder, a loopback port that refuses.

#include <QDir>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testsupport
{

// Points $XDG_CONFIG_HOME at a folder of its own for as long as it lives, and $XDG_DATA_HOME
// (the live-collection journal) at another.
class IsolatedConfig
{
public:
    IsolatedConfig()
    {
        m_old = qgetenv("XDG_CONFIG_HOME");
        m_oldData = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_CONFIG_HOME", m_dir.path().toUtf8());
        qputenv("XDG_DATA_HOME", m_data.path().toUtf8());
    }
    ~IsolatedConfig()
    {
        qputenv("XDG_CONFIG_HOME", m_old);
        qputenv("XDG_DATA_HOME", m_oldData);
    }
    QString path() const { return m_dir.path(); }
    QString dataPath() const { return m_data.path(); }

private:
    QTemporaryDir m_dir;
    QTemporaryDir m_data;
    QByteArray m_old;
    QByteArray m_oldData;
};

// A loopback TCP port where nobody listens, for as long as this lives: bound by a socket that
// never listens, so every connection is refused and no other test can take the port meanwhile
// (a port bound and given back again could be taken by anybody before it is used).
class RefusingPort
{
public:
    RefusingPort() : m_fd(::socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        auto* any = reinterpret_cast<sockaddr*>(&address);
        if (m_fd >= 0 && ::bind(m_fd, any, size) == 0 && ::getsockname(m_fd, any, &size) == 0)
            m_port = ntohs(address.sin_port);
    }
    ~RefusingPort()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;

    // 0 when no port could be bound.
    quint16 port() const { return m_port; }

private:
    int m_fd;
    quint16 m_port = 0;
};

} // namespace testsupport
