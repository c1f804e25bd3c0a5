#pragma once

// A fresh station database in a temporary folder, opened on a CDB of its own. With a test
// server (TestServer.h) the database is on the server and the file is its connection file.

#include "CDB.h"
#include "NewDatabase.h"
#include "ServerAddress.h"
#include "TestServer.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>

class StoreFixture
{
public:
    StoreFixture()
    {
        m_path = m_dir.filePath(QStringLiteral("school.mdb"));
        QString error;
        if (testserver::enabled()) {
            m_schema = std::make_unique<testserver::Schema>();
            error = store::writeConnectionFile(m_path, m_schema->address());
            if (error.isEmpty())
                error = store::createDatabase(m_schema->address());
        } else {
            error = store::createDatabase(m_path);
        }
        if (!error.isEmpty())
            qFatal("cannot create the test database: %s", qUtf8Printable(error));
        if (!m_db.open(m_path))
            qFatal("cannot open the test database");
    }
    ~StoreFixture() { m_db.close(); }

    CDB& db() { return m_db; }
    // The database file, or the connection file on a server.
    const QString& path() const { return m_path; }
    // What a second connection opens: the file, or the server address.
    QString databasePath() const { return m_schema ? m_schema->address() : m_path; }
    QString dirPath(const QString& name) const { return m_dir.filePath(name); }
    bool onServer() const { return m_schema != nullptr; }

private:
    QTemporaryDir m_dir;
    QString m_path;
    std::unique_ptr<testserver::Schema> m_schema;
    CDB m_db;
};
