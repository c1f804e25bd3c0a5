#include "DatabaseSetting.h"
#include "ProfileSettings.h"
#include "TestSupport.h"

#include <QFile>
#include <QTest>

using namespace platform;

class TestProfileSettings : public QObject
{
    Q_OBJECT
private slots:
    void missingReadsDefault();
    void valueComesBackWhole_data();
    void valueComesBackWhole();
    void unwritableFolderFails();
};

void TestProfileSettings::missingReadsDefault()
{
    testsupport::IsolatedConfig config;
    QCOMPARE(readDatabaseFileName(), QString());
    QCOMPARE(readProfileString(QStringLiteral("s"), QStringLiteral("k"), QStringLiteral("d")),
             QStringLiteral("d"));
    QCOMPARE(settingsFilePath(), config.path() + QStringLiteral("/sorvik/sorvik.ini"));
}

void TestProfileSettings::valueComesBackWhole_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("plain") << "/home/teacher/school.mdb";
    QTest::newRow("chinese and blanks") << "/home/老师/体测 数据/学校.mdb";
    QTest::newRow("backslashes") << "D:\\data\\school.mdb";
    QTest::newRow("longer than 255 bytes")
        << QStringLiteral("/srv/") + QString(300, QLatin1Char('a')) + QStringLiteral("/school.mdb");
}

void TestProfileSettings::valueComesBackWhole()
{
    QFETCH(QString, path);
    testsupport::IsolatedConfig config;
    QVERIFY(writeDatabaseFileName(path));
    QCOMPARE(readDatabaseFileName(), path);
    QFile ini(settingsFilePath());
    QVERIFY(ini.open(QIODevice::ReadOnly));
    const QByteArray content = ini.readAll();
    QVERIFY(content.contains("[wbqzSorvikSys]"));
    QVERIFY(content.contains("DBFileName="));
}

void TestProfileSettings::unwritableFolderFails()
{
    testsupport::IsolatedConfig config;
    // A file where the settings folder should be makes the write fail.
    QFile blocker(config.path() + QStringLiteral("/sorvik"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QVERIFY(!writeDatabaseFileName(QStringLiteral("/x.mdb")));
    QCOMPARE(readDatabaseFileName(), QString());
}

QTEST_GUILESS_MAIN(TestProfileSettings)
#include "testprofilesettings.moc"
