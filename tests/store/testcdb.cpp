#include "Batch.h"
#include "CDB.h"
#include "CValue.h"
#include "Database.h"
#include "NewDatabase.h"
#include "RecordingMessageService.h"
#include "Recordset.h"
#include "SqlConnection.h"
#include "StorageFailures.h"
#include "StoreError.h"
#include "StoreFixture.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QThread>

#include <memory>

using platform::RecordingMessageService;

namespace
{
const QString kOpenSignature = QStringLiteral("void CDB::open(CString\tstrDBFile)");

int cardTableCount(CDB& db)
{
    return int(db.database()
                   ->connection()
                   .tableNames()
                   .filter(QRegularExpression(QStringLiteral("^stu_card$"),
                                              QRegularExpression::CaseInsensitiveOption))
                   .size());
}
} // namespace

class TestCDB : public QObject
{
    Q_OBJECT
private slots:
    void missingFile();
    void fileThatIsNoStationDatabase_data();
    void fileThatIsNoStationDatabase();
    void cardTableCreatedOnceAndLeftAlone();
    void copiesShareOneDatabaseAndCloseTwice();
    void workerThreadsWriteThroughTheirOwnConnection();
    void batchCommitsOrRollsBack();
    void batchThatCannotBeKeptRestoresSnapshots();
    void newDatabaseRefusesToOverwrite();
    void demoPupilsHaveValueRowsAndCards();
};

void TestCDB::missingFile()
{
    RecordingMessageService recorder;
    QTemporaryDir dir;
    CDB db;
    QCOMPARE(db.open(dir.filePath(QStringLiteral("none.mdb"))), 0);
    QVERIFY(!db.database());
    const auto shown = recorder.shown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.at(0).text, QStringLiteral("没有找到数据库"));
    QCOMPARE(shown.at(0).caption, QStringLiteral("FindFirstFile"));
    QCOMPARE(shown.at(0).buttons, platform::Buttons::Ok);
}

void TestCDB::fileThatIsNoStationDatabase_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("reason");
    QTest::newRow("text file") << QByteArray("not a database at all\n") << QString()
                               << QStringLiteral("不是SQLite数据库");
    QTest::newRow("empty file") << QByteArray() << QString() << QStringLiteral("不是SQLite数据库");
    QByteArray jet(64, '\0');
    jet.replace(4, 15, "Standard Jet DB");
    QTest::newRow("access file") << jet << QString() << QStringLiteral("Access");
    QTest::newRow("sqlite without the tables")
        << QByteArray() << QStringLiteral("CREATE TABLE other(x)")
        << QStringLiteral("STU_Main, STU_ObjectData, Code03Dict, prjzb");
    QTest::newRow("one table missing")
        << QByteArray()
        << QStringLiteral("CREATE TABLE stu_main(x); CREATE TABLE STU_ObjectData(x); CREATE "
                          "TABLE code03dict(x)")
        << QStringLiteral("缺少表: prjzb");
}

void TestCDB::fileThatIsNoStationDatabase()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, sql);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("school.mdb"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
    f.close();
    if (!sql.isEmpty()) {
        // Made by another program, in SQLite's default journal mode.
        QProcess sqlite;
        sqlite.start(QStringLiteral("sqlite3"), {path, sql});
        QVERIFY(sqlite.waitForFinished(30000));
        QCOMPARE(sqlite.exitCode(), 0);
    }
    QFile before(path);
    QVERIFY(before.open(QIODevice::ReadOnly));
    const QByteArray original = before.readAll();
    before.close();

    RecordingMessageService recorder;
    CDB db;
    QCOMPARE(db.open(path), 0);
    QVERIFY(!db.isOpen());
    auto shown = recorder.shown();
    if (content.contains("Standard Jet DB")) {
        // An Access file is offered for conversion first; declined, it is refused as before.
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown.at(0).buttons, platform::Buttons::YesNo);
        QVERIFY2(shown.at(0).text.contains(QStringLiteral("school.access-original.mdb")),
                 qPrintable(shown.at(0).text));
        shown.removeFirst();
    }
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown.at(0).text.startsWith(QStringLiteral("在") + kOpenSignature +
                                         QStringLiteral("处发生异常:\r\n")),
             qPrintable(shown.at(0).text));
    QVERIFY2(shown.at(0).text.contains(reason), qPrintable(shown.at(0).text));
    QVERIFY(shown.at(0).text.endsWith(QLatin1Char('\n')));
    QCOMPARE(shown.at(0).icon, platform::Icon::Warning);

    // A refused file is left exactly as it was: no journal mode switched, nothing beside it.
    QFile after(path);
    QVERIFY(after.open(QIODevice::ReadOnly));
    QVERIFY(after.readAll() == original);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("school.mdb")});
}

void TestCDB::cardTableCreatedOnceAndLeftAlone()
{
    RecordingMessageService recorder;
    StoreFixture fx;
    QCOMPARE(cardTableCount(fx.db()), 0);
    QCOMPARE(fx.db().CreateCardTable(), 1);
    QCOMPARE(cardTableCount(fx.db()), 1);
    const store::ResultTable columns =
        fx.db().database()->connection().query(QStringLiteral("SELECT * FROM Stu_card LIMIT 0"));
    QCOMPARE(columns.columns, (QStringList{QStringLiteral("StuID"), QStringLiteral("CardNO")}));
    fx.db().database()->connection().execute(
        QStringLiteral("INSERT INTO Stu_card(StuID,CardNO) VALUES(1,'A1')"));
    QCOMPARE(fx.db().CreateCardTable(), 1);
    QCOMPARE(cardTableCount(fx.db()), 1);
    QCOMPARE(fx.db()
                 .database()
                 ->connection()
                 .query(QStringLiteral("SELECT count(*) FROM STU_Card"))
                 .at(0, 0)
                 .toInt(),
             1);
    QCOMPARE(recorder.count(), 0);
}

void TestCDB::copiesShareOneDatabaseAndCloseTwice()
{
    RecordingMessageService recorder;
    StoreFixture fx;
    CDB copy = fx.db();
    QCOMPARE(copy.database().get(), fx.db().database().get());
    fx.db().close();
    QVERIFY(!copy.isOpen());
    fx.db().close(); // closes nothing more and reports nothing
    QCOMPARE(recorder.count(), 0);

    store::Recordset rs;
    QVERIFY_THROWS_EXCEPTION(store::StoreError,
                             rs.open(copy.database(), QStringLiteral("STU_Main")));
    QCOMPARE(copy.CreateCardTable(), 0);
    QCOMPARE(recorder.count(), 1);
    QVERIFY(recorder.texts().at(0).startsWith(
        QStringLiteral("在int CDB::CreateCardTable()处发生异常:\r\n")));
}

void TestCDB::workerThreadsWriteThroughTheirOwnConnection()
{
    StoreFixture fx;
    store::SqlConnection* uiConnection = &fx.db().database()->connection();
    store::SqlConnection* workerConnection = nullptr;
    CDB workerDb = fx.db();
    int connectionsWhileWorking = 0;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        workerConnection = &workerDb.database()->connection();
        store::Batch batch(workerDb);
        workerConnection->execute(
            QStringLiteral("INSERT INTO STU_Main(STU_ID,StuNo) VALUES(9,'W9')"));
        connectionsWhileWorking = workerDb.database()->connectionCount();
    }));
    worker->start();
    QVERIFY(worker->wait(10000));
    QVERIFY(workerConnection && workerConnection != uiConnection);
    // The worker's connection went with the worker; the window's stays.
    QCOMPARE(connectionsWhileWorking, 2);
    // The worker releases its connection as its thread exits, just after wait() returns.
    QTRY_COMPARE(fx.db().database()->connectionCount(), 1);
    QCOMPARE(&fx.db().database()->connection(), uiConnection);
    store::Recordset rs;
    rs.open(fx.db().database(), QStringLiteral("STU_Main"));
    rs.setFilter({{QStringLiteral("StuNo"), QStringLiteral("W9")}});
    QCOMPARE(rs.recordCount(), 1);
}

void TestCDB::batchCommitsOrRollsBack()
{
    StoreFixture fx;
    auto count = [&] {
        return fx.db()
            .database()
            ->connection()
            .query(QStringLiteral("SELECT count(*) FROM STU_Main"))
            .at(0, 0)
            .toInt();
    };
    {
        store::Batch outer(fx.db());
        fx.db().database()->connection().execute(
            QStringLiteral("INSERT INTO STU_Main(STU_ID) VALUES(1)"));
        {
            store::Batch inner(fx.db());
            fx.db().database()->connection().execute(
                QStringLiteral("INSERT INTO STU_Main(STU_ID) VALUES(2)"));
        }
        // Another connection does not see the batch before it ends.
        store::Database other(fx.path());
        QCOMPARE(other.connection()
                     .query(QStringLiteral("SELECT count(*) FROM STU_Main"))
                     .at(0, 0)
                     .toInt(),
                 0);
    }
    QCOMPARE(count(), 2);
    try {
        store::Batch failing(fx.db());
        fx.db().database()->connection().execute(
            QStringLiteral("INSERT INTO STU_Main(STU_ID) VALUES(3)"));
        throw store::StoreError(QStringLiteral("stop"));
    } catch (const store::StoreError&) {
    }
    QCOMPARE(count(), 2);
}

void TestCDB::batchThatCannotBeKeptRestoresSnapshots()
{
    StoreFixture fx;
    platform::RecordingMessageService recorder;
    store::SqlConnection& conn = fx.db().database()->connection();
    if (fx.onServer())
        QSKIP("a full disk is made for a file only");
    conn.execute(QStringLiteral("INSERT INTO STU_ObjectData(STU_ID,Object_ID,ObjectValue,"
                                "ObjectType) VALUES(1,1,?,1)"),
                 {0.5});
    CValue values(fx.db());
    {
        const testsupport::FileSizeLimit full;
        store::Batch batch(fx.db(), store::Batch::Options{-1, false});
        QVERIFY(batch.isOpen());
        QCOMPARE(values.InsertValue(1, 1, 5.0, 1), 1); // a row changed
        QCOMPARE(values.InsertValue(2, 1, 6.0, 1), 1); // a row made
        QVERIFY(!batch.commit());
        QVERIFY(!batch.error().isEmpty());
    }
    QCOMPARE(recorder.count(), 0);
    // Neither reached the file, and the snapshot knows it: the row is made again rather than
    // "updated" where the file has none.
    QCOMPARE(values.InsertValue(2, 1, 7.0, 1), 1);
    const store::ResultTable rows = conn.query(
        QStringLiteral("SELECT STU_ID, ObjectValue FROM STU_ObjectData ORDER BY STU_ID"));
    QCOMPARE(rows.rowCount(), 2);
    QCOMPARE(rows.at(0, 1).toDouble(), 0.5);
    QCOMPARE(rows.at(1, 1).toDouble(), 7.0);
}

void TestCDB::newDatabaseRefusesToOverwrite()
{
    StoreFixture fx;
    QVERIFY(!store::createDatabase(fx.path()).isEmpty());
    // The item dictionary and grade items came with it.
    store::Recordset items;
    items.open(fx.db().database(), QStringLiteral("Code03Dict"));
    for (int code : {1, 2, 4, 6, 61}) {
        items.setFilter({{QStringLiteral("code"), code}});
        QCOMPARE(items.recordCount(), 1);
    }
    items.setFilter({{QStringLiteral("code"), 61}});
    QVERIFY(items.field(QStringLiteral("Unit")).isNull());
    store::Recordset grades;
    grades.open(fx.db().database(), QStringLiteral("prjzb"));
    grades.setFilter({{QStringLiteral("nj"), QStringLiteral("33")},
                      {QStringLiteral("xb"), QStringLiteral("女")}});
    QCOMPARE(grades.recordCount(), 1);
    QCOMPARE(grades.field(QStringLiteral("prj3")).toInt(), -1);
}

void TestCDB::demoPupilsHaveValueRowsAndCards()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("demo.mdb"));
    QCOMPARE(store::createDatabase(path), QString());
    QCOMPARE(store::addDemoPupils(path, 100), QString());
    CDB db;
    QCOMPARE(db.open(path), 1);
    store::SqlConnection& c = db.database()->connection();
    QCOMPARE(c.query(QStringLiteral("SELECT count(*), count(DISTINCT StuNo) FROM STU_Main")).cells,
             (QVariantList{100, 100}));
    QCOMPARE(c.query(QStringLiteral("SELECT count(DISTINCT StuID) FROM Stu_card")).at(0, 0).toInt(),
             100);
    // Every pupil has the rows for height, weight and vision.
    QCOMPARE(c.query(QStringLiteral("SELECT count(*) FROM STU_ObjectData WHERE Object_ID IN "
                                    "(1,2,61)"))
                 .at(0, 0)
                 .toInt(),
             300);
    db.close();
}

QTEST_GUILESS_MAIN(TestCDB)
#include "testcdb.moc"
