#pragma once

// The tests' database server: when SORVIK_TEST_SERVER_FILE names a file holding a postgresql://
// address (written by pg-test-server), the store tests run against that server, each fixture in
// a schema of its own.
#include "Database.h"
#include "SqlConnection.h"

#include <QFile>
#include <QUuid>

namespace testserver
{

inline QString baseAddress()
{
    const QString file = qEnvironmentVariable("SORVIK_TEST_SERVER_FILE");
    if (file.isEmpty())
        return {};
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("cannot read the test server address from %s", qUtf8Printable(file));
    return QString::fromUtf8(f.readLine()).trimmed();
}

inline bool enabled()
{
    return !qEnvironmentVariableIsEmpty("SORVIK_TEST_SERVER_FILE");
}

// A schema made for one fixture and dropped with it; address() reaches only that schema.
class Schema
{
public:
    Schema()
        : m_base(baseAddress()),
          m_name(QStringLiteral("t_") + QUuid::createUuid().toString(QUuid::Id128).left(16))
    {
        store::Database(m_base).connection().execute(QStringLiteral("CREATE SCHEMA ") + m_name);
    }
    ~Schema()
    {
        try {
            store::Database(m_base).connection().execute(
                QStringLiteral("DROP SCHEMA %1 CASCADE").arg(m_name));
        } catch (...) {
        }
    }
    QString address() const
    {
        return m_base + QStringLiteral("?options=-csearch_path%3D") + m_name;
    }

private:
    QString m_base;
    QString m_name;
};

} // namespace testserver
