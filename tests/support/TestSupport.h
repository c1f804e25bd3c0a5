#pragma once

// Helpers shared by the tests: a private settings folder.

#include <QDir>
#include <QTemporaryDir>

namespace testsupport
{

// Points $XDG_CONFIG_HOME at a folder of its own for as long as it lives.
class IsolatedConfig
{
public:
    IsolatedConfig()
    {
        m_old = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", m_dir.path().toUtf8());
    }
    ~IsolatedConfig() { qputenv("XDG_CONFIG_HOME", m_old); }
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    QByteArray m_old;
};

} // namespace testsupport
