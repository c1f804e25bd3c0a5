// sorvik --check, --version and --help: the real station program run as a process.
#include "DatabaseSetting.h"
#include "NewDatabase.h"
#include "ProfileSettings.h"
#include "TestSupport.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace
{

struct Run {
    int exitCode = -1;
    QStringList out;
    QString err;
};

Run station(const QStringList& arguments)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM")); // none of these needs a display
    env.remove(QStringLiteral("DISPLAY"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(SORVIK_BIN_DIR "/sorvik"), arguments);
    Run run;
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = p.exitCode();
    run.out = QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    run.err = QString::fromUtf8(p.readAllStandardError());
    return run;
}

} // namespace

class TestStationCheck : public QObject
{
    Q_OBJECT
private slots:
    void check_data();
    void check();
    void versionAndHelp();
};

void TestStationCheck::check_data()
{
    QTest::addColumn<QString>("database"); // "made", "missing" or none configured
    QTest::addColumn<QString>("library");  // [instrument] library, empty for the default
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("databaseLine");
    QTest::addColumn<QString>("libraryLine");
    const QString bound = QStringLiteral("instrument library: " SORVIK_BIN_DIR
                                         "/libqrvmachine.so (bound, 11 functions)");
    QTest::newRow("all there") << "made" << QString() << 0 << "database: %1 (opened)" << bound;
    QTest::newRow("nothing configured")
        << QString() << QString() << 1 << "database: none configured" << bound;
    QTest::newRow("database gone")
        << "missing" << QString() << 1 << "database: %1 (does not open)" << bound;
    QTest::newRow("library gone")
        << "made"
        << "/nonexistent/libmaker.so" << 1 << "database: %1 (opened)"
        << "instrument library: 找不到仪器接口库: /nonexistent/libmaker.so";
}

void TestStationCheck::check()
{
    QFETCH(QString, database);
    QFETCH(QString, library);
    QFETCH(int, exitCode);
    QFETCH(QString, databaseLine);
    QFETCH(QString, libraryLine);
    testsupport::IsolatedConfig config;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("school.mdb"));
    if (database == QLatin1String("made"))
        QVERIFY(store::createDatabase(path).isEmpty());
    if (!database.isEmpty())
        QVERIFY(platform::writeDatabaseFileName(path));
    if (!library.isEmpty())
        QVERIFY(platform::writeProfileString(QStringLiteral("instrument"),
                                             QStringLiteral("library"), library));

    const Run run = station({QStringLiteral("--check")});
    QCOMPARE(run.exitCode, exitCode);
    databaseLine.replace(QStringLiteral("%1"), path);
    QVERIFY2(run.out.contains(databaseLine), qPrintable(run.out.join(u'\n')));
    QVERIFY2(run.out.contains(libraryLine), qPrintable(run.out.join(u'\n')));
    QVERIFY(
        run.out.contains(QStringLiteral("workbook reader: " SORVIK_BIN_DIR "/sorvik-xlsreader")));
    // The database is opened, never changed or made by the check.
    QCOMPARE(QFileInfo::exists(path), database == QLatin1String("made"));
    if (database == QLatin1String("missing"))
        QVERIFY(!run.err.isEmpty()); // the store's own message, on standard error
}

void TestStationCheck::versionAndHelp()
{
    const Run version = station({QStringLiteral("--version")});
    QCOMPARE(version.exitCode, 0);
    QCOMPARE(version.out, QStringList{QStringLiteral("sorvik 2.08")});
    const Run help = station({QStringLiteral("--help")});
    QCOMPARE(help.exitCode, 0);
    QVERIFY(help.out.value(0).startsWith(QStringLiteral("Usage: ")));
    QVERIFY(help.out.join(u'\n').contains(QStringLiteral("--check")));
}

QTEST_GUILESS_MAIN(TestStationCheck)
#include "teststationcheck.moc"
