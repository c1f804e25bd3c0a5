#pragma once

// A station database with demo pupils in a temporary folder, opened as theDB, with the
// settings file in a folder of its own.

#include "CDB.h"
#include "NewDatabase.h"
#include "TestSupport.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>

class CollectFixture
{
public:
    explicit CollectFixture(int pupils = 0)
    {
        m_path = m_dir.filePath(QStringLiteral("school.mdb"));
        QString error = store::createDatabase(m_path);
        if (error.isEmpty() && pupils > 0)
            error = store::addDemoPupils(m_path, pupils);
        if (!error.isEmpty())
            qFatal("cannot create the test database: %s", qUtf8Printable(error));
    }
    ~CollectFixture() { closeTheDB(); }

    // Opens theDB as the main window would and sets bDBOpen.
    void openTheDB()
    {
        closeTheDB();
        if (!theDB.open(m_path) || !theDB.CreateCardTable())
            qFatal("cannot open the test database");
        bDBOpen = true;
    }
    static void closeTheDB()
    {
        theDB.close();
        theDB = CDB();
        bDBOpen = false;
    }

    const QString& path() const { return m_path; }
    // $XDG_DATA_HOME while the fixture lives.
    QString dataPath() const { return m_config.dataPath(); }

private:
    testsupport::IsolatedConfig m_config;
    QTemporaryDir m_dir;
    QString m_path;
};
