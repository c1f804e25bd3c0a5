#pragma once

// A fresh station database in a temporary folder, opened on a CDB of its own.

#include "CDB.h"
#include "NewDatabase.h"

#include <QTemporaryDir>
#include <QTest>

class StoreFixture
{
public:
    StoreFixture()
    {
        m_path = m_dir.filePath(QStringLiteral("school.mdb"));
        const QString error = store::createDatabase(m_path);
        if (!error.isEmpty())
            qFatal("cannot create the test database: %s", qUtf8Printable(error));
        if (!m_db.open(m_path))
            qFatal("cannot open the test database");
    }
    ~StoreFixture() { m_db.close(); }

    CDB& db() { return m_db; }
    const QString& path() const { return m_path; }
    QString dirPath(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
    QString m_path;
    CDB m_db;
};
