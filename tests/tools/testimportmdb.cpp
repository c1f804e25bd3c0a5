// sorvik-dbtool import-mdb on real Access files, on station files written by the Jet 4
// fixture writer (each checked with mdbtools' own tools first) and on damaged files; and onto
// the tests' database server, as copy-to-server does with a station file.
#include "CCard.h"
#include "CDB.h"
#include "CStudent.h"
#include "CValue.h"
#include "Database.h"
#include "MdbFixtures.h"
#include "MdbReaderProcess.h"
#include "NewDatabase.h"
#include "OleDate.h"
#include "RecordingMessageService.h"
#include "ServerAddress.h"
#include "SqlConnection.h"
#include "TestServer.h"
#include "TestSupport.h"
#include "ValueHistory.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace mdbfixtures;

namespace
{

const QString kStationTables[] = {QStringLiteral("STU_Main"), QStringLiteral("STU_ObjectData"),
                                  QStringLiteral("Code03Dict"), QStringLiteral("prjzb"),
                                  QStringLiteral("STU_Card")};

ToolRun importMdb(const QString& oldPath, const QString& newPath, const QStringList& extra = {})
{
    return runTool(QStringLiteral(SORVIK_BIN_DIR "/sorvik-dbtool"),
                   QStringList{QStringLiteral("import-mdb")} + extra +
                       QStringList{oldPath, newPath});
}

store::ResultTable query(const QString& dbPath, const QString& sql)
{
    store::Database db(dbPath);
    return db.connection().query(sql);
}

store::ResultTable rowsOf(const QString& dbPath, const QString& table,
                          const QString& columns = QStringLiteral("*"))
{
    return query(dbPath,
                 QStringLiteral("SELECT %1 FROM \"%2\" ORDER BY rowid").arg(columns, table));
}

// Whether a cell of the converted database holds what mdb-export printed for it.
bool sameCell(const QVariant& ours, const QString& theirs)
{
    if (ours.isNull())
        return theirs.isEmpty();
    switch (ours.typeId()) {
    case QMetaType::LongLong:
        return theirs == QString::number(ours.toLongLong());
    case QMetaType::Double: {
        bool ok = false;
        const double d = theirs.toDouble(&ok);
        return ok && qAbs(d - ours.toDouble()) <= 1e-9 * qMax(1.0, qAbs(d));
    }
    default: {
        const QString text = ours.toString();
        // mdb-export prints every date with its time of day.
        static const QRegularExpression day(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d$"));
        if (day.match(text).hasMatch())
            return theirs == text + QStringLiteral(" 00:00:00");
        return theirs == text;
    }
    }
}

// Every table of the converted database against mdb-export of the original: names, columns and
// row counts in full, the cells of every step-th row. With stationColumnsOnly (a copy on a
// server) the columns are those of the station, found in the original by name.
void compareWithMdbExport(const QString& oldPath, const QString& newPath, const QStringList& tables,
                          int samples, bool stationColumnsOnly = false)
{
    for (const QString& t : tables) {
        const QList<QStringList> theirs = mdbExport(oldPath, t);
        QVERIFY2(!theirs.isEmpty(), qPrintable(t));
        const store::ResultTable ours = rowsOf(newPath, t);
        QList<int> theirColumn; // of each column compared
        if (stationColumnsOnly) {
            for (const QString& name : ours.columns) {
                const auto at =
                    std::find_if(theirs.at(0).cbegin(), theirs.at(0).cend(), [&](const QString& n) {
                        return n.compare(name, Qt::CaseInsensitive) == 0;
                    });
                QVERIFY2(at != theirs.at(0).cend(), qPrintable(t + QLatin1Char(' ') + name));
                theirColumn << int(at - theirs.at(0).cbegin());
            }
        } else {
            QCOMPARE(ours.columns.mid(0, theirs.at(0).size()), theirs.at(0));
            for (int c = 0; c < theirs.at(0).size(); ++c)
                theirColumn << c;
        }
        QCOMPARE(ours.rowCount(), theirs.size() - 1);
        const int step = qMax(1, ours.rowCount() / samples);
        for (int r = 0; r < ours.rowCount(); r += step)
            for (int c = 0; c < theirColumn.size(); ++c)
                QVERIFY2(sameCell(ours.at(r, c), theirs.at(r + 1).at(theirColumn.at(c))),
                         qPrintable(QStringLiteral("%1 row %2 %3: ours %4, mdb-export %5")
                                        .arg(t)
                                        .arg(r)
                                        .arg(ours.columns.at(c), ours.at(r, c).toString(),
                                             theirs.at(r + 1).at(theirColumn.at(c)))));
    }
}

QJsonObject column(const QString& name, const QString& type, int size = 0)
{
    QJsonObject c{{QStringLiteral("name"), name}, {QStringLiteral("type"), type}};
    if (size)
        c.insert(QStringLiteral("size"), size);
    return c;
}

// A list of one row (a braced list of one array would be a copy of that array).
QJsonArray oneRow(const QJsonArray& row)
{
    QJsonArray rows;
    rows.append(row);
    return rows;
}

QJsonObject table(const QString& name, const QJsonArray& columns, const QJsonArray& rows)
{
    return {{QStringLiteral("name"), name},
            {QStringLiteral("columns"), columns},
            {QStringLiteral("rows"), rows}};
}

// The four supplied tables with a few rows, as a base for special files.
QJsonArray smallStationTables()
{
    const QJsonArray main{column(QStringLiteral("STU_ID"), QStringLiteral("long")),
                          column(QStringLiteral("StuNo"), QStringLiteral("text"), 20),
                          column(QStringLiteral("StuName"), QStringLiteral("text"), 20),
                          column(QStringLiteral("Birthday"), QStringLiteral("date"))};
    return {table(QStringLiteral("STU_Main"), main,
                  {QJsonArray{0, QStringLiteral("S0"), QStringLiteral("王芳"),
                              QStringLiteral("2008-01-02")},
                   QJsonArray{1, QStringLiteral("S1"), QStringLiteral("李伟"),
                              QStringLiteral("2008-03-04")},
                   QJsonArray{2, QStringLiteral("S2"), QStringLiteral("张敏"), QJsonValue()}}),
            table(QStringLiteral("STU_ObjectData"),
                  {column(QStringLiteral("STU_ID"), QStringLiteral("long")),
                   column(QStringLiteral("Object_ID"), QStringLiteral("long")),
                   column(QStringLiteral("ObjectValue"), QStringLiteral("double")),
                   column(QStringLiteral("ObjectType"), QStringLiteral("long"))},
                  oneRow({0, 1, 150.5, 5})),
            table(QStringLiteral("Code03Dict"),
                  {column(QStringLiteral("code"), QStringLiteral("long")),
                   column(QStringLiteral("value"), QStringLiteral("text"), 50)},
                  oneRow({1, QStringLiteral("身高")})),
            table(QStringLiteral("prjzb"),
                  {column(QStringLiteral("nj"), QStringLiteral("int")),
                   column(QStringLiteral("xb"), QStringLiteral("text"), 10)},
                  oneRow({11, QStringLiteral("男")}))};
}

// Property blocks that send libmdb 1.0 into an endless loop over a chunk of length 0: one
// that only spins, and one that allocates on every turn.
QString spinningProperties()
{
    QByteArray b("MR2\0", 4);
    b += QByteArray::fromHex("000000008000");
    return QString::fromLatin1(b.toHex());
}

QString growingProperties()
{
    QByteArray b("MR2\0", 4);
    b += QByteArray::fromHex("0c0000008000"
                             "040061006200"); // the names chunk: "ab"
    b += QByteArray::fromHex("000000000000") + QByteArray(16, '\0');
    return QString::fromLatin1(b.toHex());
}

struct CollectingListener final : MdbReaderListener {
    struct Table {
        MdbTableInfo info;
        QList<QVariantList> rows;
        qint64 ended = -1;
    };
    QList<MdbTableInfo> catalogue;
    QList<Table> tables;
    void catalog(const QList<MdbTableInfo>& t) override { catalogue = t; }
    void tableStarts(const MdbTableInfo& t) override { tables.append(Table{t, {}, -1}); }
    void row(const QVariantList& values) override { tables.last().rows << values; }
    void tableEnds(quint32 rowsSent) override { tables.last().ended = rowsSent; }
};

} // namespace

class TestImportMdb : public QObject
{
    Q_OBJECT
private slots:
    void stationFilesCarryEveryRow_data();
    void stationFilesCarryEveryRow();
    void everyTypeAndNameCarriedExactly();
    void realFilesReadAndAreRefused_data();
    void realFilesReadAndAreRefused();
    void jet3TextIsReadInTheFilesCodePage();
    void damagedFilesEndWithAMessage_data();
    void damagedFilesEndWithAMessage();
    void refusesToOverwriteOrMisread();
    void carriedOntoAServer_data();
    void carriedOntoAServer();
    void copyToServerKeepsTheHistory();

private:
    testsupport::IsolatedConfig m_config;
};

void TestImportMdb::stationFilesCarryEveryRow_data()
{
    QTest::addColumn<int>("pupils");
    QTest::addColumn<QStringList>("options");
    QTest::newRow("supplied tables only") << 40 << QStringList();
    QTest::newRow("with the card table") << 40 << QStringList{QStringLiteral("--card")};
    QTest::newRow("values as text")
        << 40 << QStringList{QStringLiteral("--card"), QStringLiteral("--text-values")};
    QTest::newRow("5000 pupils") << 5000 << QStringList{QStringLiteral("--card")};
}

void TestImportMdb::stationFilesCarryEveryRow()
{
    QFETCH(int, pupils);
    QFETCH(QStringList, options);
    const bool card = options.contains(QStringLiteral("--card"));
    const bool textValues = options.contains(QStringLiteral("--text-values"));
    QTemporaryDir dir;
    const QString oldPath = dir.filePath(QStringLiteral("old.mdb"));
    const QString newPath = dir.filePath(QStringLiteral("school.mdb"));
    const QString written = writeStation(oldPath, pupils, options);
    QVERIFY2(written.isEmpty(), qPrintable(written));

    // What mdbtools itself reads from the writer's file.
    QStringList tables(std::begin(kStationTables), std::end(kStationTables));
    if (!card)
        tables.removeLast();
    QCOMPARE(mdbTables(oldPath), tables);
    const QMap<QString, int> expected{{QStringLiteral("STU_Main"), pupils},
                                      {QStringLiteral("STU_ObjectData"), 3 * pupils},
                                      {QStringLiteral("Code03Dict"), 6},
                                      {QStringLiteral("prjzb"), 6},
                                      {QStringLiteral("STU_Card"), pupils}};
    for (const QString& t : tables)
        QCOMPARE(mdbExport(oldPath, t).size() - 1, expected.value(t));

    const QByteArray before = fileDigest(oldPath);
    const ToolRun run = importMdb(oldPath, newPath);
    QVERIFY2(run.finished && !run.crashed && run.exitCode == 0, run.err.constData());
    const QString report = QString::fromUtf8(run.out);
    for (const QString& t : tables)
        QVERIFY2(report.contains(QStringLiteral("%1: %2 行").arg(t).arg(expected.value(t))),
                 qPrintable(report));

    // The original is as it was, and nothing but the new database appeared beside it.
    QCOMPARE(fileDigest(oldPath), before);
    QCOMPARE(filesIn(dir.path()),
             (QStringList{QStringLiteral("old.mdb"), QStringLiteral("school.mdb")}));
    store::Database check(newPath);
    QCOMPARE(check.connection().tableNames(), tables);
    check.close();
    compareWithMdbExport(oldPath, newPath, tables, 60);
    if (QTest::currentTestFailed())
        return;

    // Stored as what they were: integers, texts, numbers or texts as values, nulls as nulls.
    const store::ResultTable types =
        query(newPath, QStringLiteral("SELECT typeof(STU_ID), typeof(ObjectValue), count(*) FROM "
                                      "STU_ObjectData GROUP BY 1, 2"));
    for (int r = 0; r < types.rowCount(); ++r) {
        QCOMPARE(types.at(r, 0).toString(), QStringLiteral("integer"));
        const QString kind = types.at(r, 1).toString();
        QVERIFY2(kind == QLatin1String("null") ||
                     kind == (textValues ? QLatin1String("text") : QLatin1String("real")),
                 qPrintable(kind));
    }
    int nullAddresses = 0;
    for (int i = 0; i < pupils; ++i)
        nullAddresses += i % 7 == 3;
    QCOMPARE(query(newPath, QStringLiteral("SELECT count(*) FROM STU_Main WHERE Address IS NULL"))
                 .at(0, 0)
                 .toInt(),
             nullAddresses);
    QCOMPARE(
        query(newPath, QStringLiteral("SELECT typeof(StuName), typeof(Birthday), "
                                      "typeof(CreateDate) FROM STU_Main WHERE STU_ID = 0"))
            .cells,
        (QVariantList{QStringLiteral("text"), QStringLiteral("text"), QStringLiteral("text")}));

    // The station works on it: pupils and card numbers are found.
    platform::RecordingMessageService boxes;
    CDB db;
    QCOMPARE(db.open(newPath), 1);
    QCOMPARE(db.CreateCardTable(), 1);
    {
        CStudent student(db);
        long id = -1;
        QString name;
        const int last = pupils - 1;
        QCOMPARE(student.GetIDByStuNO(QStringLiteral("2015%1").arg(last, 6, 10, QLatin1Char('0')),
                                      id, name),
                 1L);
        QCOMPARE(id, long(last));
        QVERIFY(!name.isEmpty());
        CCard cards(db);
        QString cardNo;
        QCOMPARE(cards.GetCardNOByStuID(cardNo, last), card ? 1 : 0);
    }
    db.close();
    QCOMPARE(boxes.count(), 0);
}

void TestImportMdb::everyTypeAndNameCarriedExactly()
{
    QTemporaryDir dir;
    const QString oldPath = dir.filePath(QStringLiteral("old.mdb"));
    const QString newPath = dir.filePath(QStringLiteral("new.mdb"));
    const QJsonValue null;
    // Names in other cases than the station's; STU_Main without AreaCode but with columns the
    // station does not know; a table the station does not know.
    const QJsonArray mainColumns{column(QStringLiteral("STU_ID"), QStringLiteral("long")),
                                 column(QStringLiteral("stuno"), QStringLiteral("text"), 20),
                                 column(QStringLiteral("StuName"), QStringLiteral("text"), 20),
                                 column(QStringLiteral("Class_ID"), QStringLiteral("long")),
                                 column(QStringLiteral("GroupNo"), QStringLiteral("text"), 10),
                                 column(QStringLiteral("GroupName"), QStringLiteral("text"), 30),
                                 column(QStringLiteral("Sex"), QStringLiteral("text"), 2),
                                 column(QStringLiteral("Birthday"), QStringLiteral("date")),
                                 column(QStringLiteral("Nation_ID"), QStringLiteral("byte")),
                                 column(QStringLiteral("Address"), QStringLiteral("memo")),
                                 column(QStringLiteral("STU_Year"), QStringLiteral("int")),
                                 column(QStringLiteral("CreateDate"), QStringLiteral("date")),
                                 column(QStringLiteral("Height"), QStringLiteral("single")),
                                 column(QStringLiteral("Fee"), QStringLiteral("money")),
                                 column(QStringLiteral("Active"), QStringLiteral("bool"))};
    const QJsonArray mainRows{
        QJsonArray{0, QStringLiteral("2015001"), QStringLiteral("张三"), 11, QStringLiteral("1"),
                   QStringLiteral("一年级(1)班"), QStringLiteral("男"),
                   QStringLiteral("2008-03-04"), 1, QStringLiteral("北京市海淀区中关村大街1号"),
                   2015, QStringLiteral("2015-09-01 08:30:00"), 1.75, 12.5, true},
        QJsonArray{1, QStringLiteral("2015002"), QStringLiteral("O'Brien \"Jr\""), 11,
                   QStringLiteral("1"), QStringLiteral("一年级(1)班"), QStringLiteral("女"), null,
                   null, null, 2015, QStringLiteral("1899-12-29 06:00:00"), null, null, false},
        QJsonArray{2, QLatin1String(""), QStringLiteral("李四"), 12, QStringLiteral("2"), null,
                   QStringLiteral("男"), QStringLiteral("1898-01-01"), 255, QLatin1String(""), 2016,
                   QStringLiteral("9999-12-31 23:59:59"), 0.1, -3.25, true}};
    const QJsonObject spec{
        {QStringLiteral("tables"),
         QJsonArray{table(QStringLiteral("stu_main"), mainColumns, mainRows),
                    table(QStringLiteral("STU_OBJECTDATA"),
                          {column(QStringLiteral("STU_ID"), QStringLiteral("long")),
                           column(QStringLiteral("Object_ID"), QStringLiteral("long")),
                           column(QStringLiteral("ObjectValue"), QStringLiteral("text"), 20),
                           column(QStringLiteral("ObjectType"), QStringLiteral("long"))},
                          {QJsonArray{0, 1, QStringLiteral("175.5"), 5}, QJsonArray{1, 1, null, 5},
                           QJsonArray{2, 1, QStringLiteral("不合格"), 5}}),
                    table(QStringLiteral("code03dict"),
                          {column(QStringLiteral("code"), QStringLiteral("long")),
                           column(QStringLiteral("value"), QStringLiteral("text"), 50),
                           column(QStringLiteral("Unit"), QStringLiteral("text"), 20),
                           column(QStringLiteral("SortIndex"), QStringLiteral("int"))},
                          {QJsonArray{1, QStringLiteral("身高"), QStringLiteral("厘米"), 1},
                           QJsonArray{61, QStringLiteral("视力"), null, 8}}),
                    table(QStringLiteral("PRJZB"),
                          {column(QStringLiteral("nj"), QStringLiteral("text"), 10),
                           column(QStringLiteral("xb"), QStringLiteral("text"), 10),
                           column(QStringLiteral("prj1"), QStringLiteral("int")),
                           column(QStringLiteral("prj2"), QStringLiteral("int")),
                           column(QStringLiteral("prj3"), QStringLiteral("int"))},
                          oneRow({QStringLiteral("11"), QStringLiteral("男"), 1, 2, -1})),
                    table(QStringLiteral("Stu_Card"),
                          {column(QStringLiteral("StuID"), QStringLiteral("long")),
                           column(QStringLiteral("CardNO"), QStringLiteral("text"), 50)},
                          {QJsonArray{0, QStringLiteral("A0001")},
                           QJsonArray{2, QStringLiteral("卡'号")}}),
                    table(QStringLiteral("Remarks"),
                          {column(QStringLiteral("id"), QStringLiteral("long")),
                           column(QStringLiteral("note"), QStringLiteral("memo"))},
                          oneRow({1, QStringLiteral("备注: 第一行\n第二行")}))}}};
    const QString written = writeSpec(oldPath, spec);
    QVERIFY2(written.isEmpty(), qPrintable(written));
    QCOMPARE(mdbTables(oldPath),
             (QStringList{QStringLiteral("stu_main"), QStringLiteral("STU_OBJECTDATA"),
                          QStringLiteral("code03dict"), QStringLiteral("PRJZB"),
                          QStringLiteral("Stu_Card"), QStringLiteral("Remarks")}));
    const QList<QStringList> exported = mdbExport(oldPath, QStringLiteral("stu_main"));
    QCOMPARE(exported.size(), 4);
    QCOMPARE(exported.at(1).mid(1, 3), (QStringList{QStringLiteral("2015001"),
                                                    QStringLiteral("张三"), QStringLiteral("11")}));
    QCOMPARE(exported.at(2).at(2), QStringLiteral("O'Brien \"Jr\""));

    const ToolRun run = importMdb(oldPath, newPath);
    QVERIFY2(run.finished && run.exitCode == 0, run.err.constData());
    QVERIFY2(QString::fromUtf8(run.out).contains(QStringLiteral("补上本程序所需的列 AreaCode")),
             run.out.constData());

    store::Database db(newPath);
    QCOMPARE(db.connection().tableNames(),
             (QStringList{QStringLiteral("STU_Main"), QStringLiteral("STU_ObjectData"),
                          QStringLiteral("Code03Dict"), QStringLiteral("prjzb"),
                          QStringLiteral("STU_Card"), QStringLiteral("Remarks")}));
    db.close();
    const store::ResultTable main = rowsOf(newPath, QStringLiteral("STU_Main"));
    QCOMPARE(main.columns.size(), mainColumns.size() + 1);
    QCOMPARE(main.columns.at(1), QStringLiteral("stuno"));
    QCOMPARE(main.columns.last(), QStringLiteral("AreaCode"));
    const QVariant N;
    const QList<QVariantList> want{
        {0LL, QStringLiteral("2015001"), QStringLiteral("张三"), 11LL, QStringLiteral("1"),
         QStringLiteral("一年级(1)班"), QStringLiteral("男"), QStringLiteral("2008-03-04"), 1LL,
         QStringLiteral("北京市海淀区中关村大街1号"), 2015LL, QStringLiteral("2015-09-01 08:30:00"),
         1.75, 12.5, 1LL, N},
        {1LL, QStringLiteral("2015002"), QStringLiteral("O'Brien \"Jr\""), 11LL,
         QStringLiteral("1"), QStringLiteral("一年级(1)班"), QStringLiteral("女"), N, N, N, 2015LL,
         QStringLiteral("1899-12-29 06:00:00"), N, N, 0LL, N},
        // An empty text is not a null.
        {2LL, QString(QLatin1String("")), QStringLiteral("李四"), 12LL, QStringLiteral("2"), N,
         QStringLiteral("男"), QStringLiteral("1898-01-01"), 255LL, QString(QLatin1String("")),
         2016LL, QStringLiteral("9999-12-31 23:59:59"), 0.1, -3.25, 1LL, N}};
    QCOMPARE(main.rowCount(), want.size());
    for (int r = 0; r < want.size(); ++r)
        for (int c = 0; c < want.at(r).size(); ++c) {
            const QVariant got = main.at(r, c);
            const QVariant& exp = want.at(r).at(c);
            QVERIFY2(got.isNull() == exp.isNull() && got.typeId() == exp.typeId() &&
                         (exp.isNull() || got == exp),
                     qPrintable(QStringLiteral("row %1 %2: %3 (%4), wanted %5")
                                    .arg(r)
                                    .arg(main.columns.at(c), got.toString(),
                                         QString::fromLatin1(got.typeName()), exp.toString())));
        }
    QCOMPARE(rowsOf(newPath, QStringLiteral("STU_ObjectData"), QStringLiteral("ObjectValue")).cells,
             (QVariantList{QStringLiteral("175.5"), N, QStringLiteral("不合格")}));
    QCOMPARE(rowsOf(newPath, QStringLiteral("Code03Dict")).cells,
             (QVariantList{1LL, QStringLiteral("身高"), QStringLiteral("厘米"), 1LL, 61LL,
                           QStringLiteral("视力"), N, 8LL}));
    QCOMPARE(rowsOf(newPath, QStringLiteral("prjzb")).cells,
             (QVariantList{QStringLiteral("11"), QStringLiteral("男"), 1LL, 2LL, -1LL}));
    QCOMPARE(rowsOf(newPath, QStringLiteral("Remarks")).cells,
             (QVariantList{1LL, QStringLiteral("备注: 第一行\n第二行")}));

    // The station's own lookups find what was carried, whatever the old spelling.
    platform::RecordingMessageService boxes;
    CDB station;
    QCOMPARE(station.open(newPath), 1);
    QCOMPARE(station.CreateCardTable(), 1);
    {
        CStudent student(station);
        long id = -1;
        QString name;
        QCOMPARE(student.GetIDByStuNO(QStringLiteral("2015002"), id, name), 1L);
        QCOMPARE(name, QStringLiteral("O'Brien \"Jr\""));
        CCard cards(station);
        QCOMPARE(cards.GetStuIDByCardNO(id, QStringLiteral("卡'号")), 1);
        QCOMPARE(id, 2L);
    }
    station.close();
    QCOMPARE(boxes.count(), 0);
}

void TestImportMdb::realFilesReadAndAreRefused_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("Jet 3: nwind.mdb") << QStringLiteral("nwind.mdb");
    QTest::newRow("Jet 4: DateTestDatabase.mdb") << QStringLiteral("DateTestDatabase.mdb");
}

void TestImportMdb::realFilesReadAndAreRefused()
{
    QFETCH(QString, file);
    const QString path = QStringLiteral(SORVIK_FIXTURES_DIR "/external/mdb/") + file;

    // Every table reads, with as many rows as its definition declares and mdb-export finds.
    CollectingListener got;
    MdbReaderProcess reader(MdbReaderProcess::limitsFor(QFileInfo(path).size()));
    const MdbReaderProcess::Result r = reader.read(path, got);
    QVERIFY2(r.outcome == MdbReaderProcess::Outcome::Complete, qPrintable(r.message));
    const QStringList listed = mdbTables(path);
    QVERIFY(!listed.isEmpty());
    QCOMPARE(got.tables.size(), listed.size());
    for (int i = 0; i < listed.size(); ++i) {
        const auto& t = got.tables.at(i);
        QCOMPARE(t.info.name, listed.at(i));
        QCOMPARE(t.ended, qint64(t.rows.size()));
        QCOMPARE(t.rows.size(), qsizetype(t.info.declaredRows));
        QCOMPARE(t.rows.size(), mdbExport(path, t.info.name).size() - 1);
        QCOMPARE(got.catalogue.at(i).declaredRows, t.info.declaredRows);
    }
    if (file == QLatin1String("nwind.mdb")) {
        // Jet 3 text in the code page the file names (here 1252).
        QVERIFY(listed.contains(QStringLiteral("Umsätze")));
        const auto& customers = got.tables.at(listed.indexOf(QStringLiteral("Customers")));
        QVERIFY(std::any_of(customers.rows.cbegin(), customers.rows.cend(),
                            [](const QVariantList& row) {
                                return row.contains(QVariant(QStringLiteral("Berlin")));
                            }));
    } else {
        // The dates come out as Access shows them, also those mdbtools' own export gets wrong.
        const QStringList dates{QStringLiteral("2021-12-02"), QStringLiteral("2021-12-02"),
                                QStringLiteral("2021-12-02"), QStringLiteral("9999-01-01"),
                                QStringLiteral("9999-01-01"), QStringLiteral("9999-01-01"),
                                QStringLiteral("1898-01-01"), QStringLiteral("1899-01-01"),
                                QStringLiteral("1900-01-01"), QStringLiteral("0632-01-01"),
                                QStringLiteral("0633-01-01"), QStringLiteral("0634-01-01"),
                                QStringLiteral("2021-12-02"), QStringLiteral("2021-12-02"),
                                QStringLiteral("2021-12-02"), QStringLiteral("2021-12-02"),
                                QStringLiteral("2021-12-02"), QStringLiteral("2021-12-02")};
        QStringList read;
        for (const QVariantList& row : got.tables.at(0).rows)
            for (int c = 1; c <= 3; ++c)
                read << store::oleDateText(row.at(c).toDouble());
        QCOMPARE(read, dates);
        QCOMPARE(got.tables.at(0).rows.at(5).at(4).toString(),
                 QStringLiteral("New line\r\nin field"));
    }

    // Converting either is refused, naming the station's tables it lacks.
    QTemporaryDir dir;
    const QString newPath = dir.filePath(QStringLiteral("new.mdb"));
    const QByteArray before = fileDigest(path);
    const ToolRun run = importMdb(path, newPath);
    QVERIFY(run.finished && !run.crashed);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(QString::fromUtf8(run.err).contains(
                 QStringLiteral("缺少表: STU_Main, STU_ObjectData, Code03Dict, prjzb")),
             run.err.constData());
    QVERIFY(filesIn(dir.path()).isEmpty());
    QCOMPARE(fileDigest(path), before);
}

void TestImportMdb::jet3TextIsReadInTheFilesCodePage()
{
    // nwind.mdb as a Chinese system would have written it: code page 936, GBK text.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gbk.mdb"));
    QVERIFY(QFile::copy(QStringLiteral(SORVIK_FIXTURES_DIR "/external/mdb/nwind.mdb"), path));
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
    QVERIFY(runWriter({QStringLiteral("--code-page"), QStringLiteral("936"), path}).isEmpty());
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QByteArray bytes = f.readAll();
    const QByteArray gbk("\xb0\xd8\xc1\xd6\xca\xd0"); // 柏林市, as long as "Berlin"
    QVERIFY(bytes.count("Berlin") > 0);
    bytes.replace("Berlin", gbk);
    QVERIFY(f.seek(0) && f.write(bytes) == bytes.size());
    f.close();
    qputenv("MDB_JET3_CHARSET", "CP936");
    const QList<QStringList> exported = mdbExport(path, QStringLiteral("Customers"));
    qunsetenv("MDB_JET3_CHARSET");
    QVERIFY(exported.size() > 1);
    QCOMPARE(exported.at(1).at(5), QStringLiteral("柏林市"));

    CollectingListener got;
    MdbReaderProcess reader(MdbReaderProcess::limitsFor(QFileInfo(path).size()));
    QCOMPARE(int(reader.read(path, got).outcome), int(MdbReaderProcess::Outcome::Complete));
    const auto customers = std::find_if(got.tables.cbegin(), got.tables.cend(), [](const auto& t) {
        return t.info.name == QLatin1String("Customers");
    });
    QVERIFY(customers != got.tables.cend());
    QCOMPARE(customers->rows.at(0).at(1).toString(), QStringLiteral("Alfreds Futterkiste"));
    QCOMPARE(customers->rows.at(0).at(5).toString(), QStringLiteral("柏林市"));
}

void TestImportMdb::damagedFilesEndWithAMessage_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("message");
    const QString dir = QStringLiteral(SORVIK_FIXTURES_DIR "/external/mdb-malformed");
    for (const QString& f : QDir(dir).entryList({QStringLiteral("*.mdb")}))
        QTest::newRow(qPrintable(f))
            << f << QStringList() << QStringLiteral("读取程序崩溃 (SIGSEGV)");
    QTest::newRow("cut to 70 %") << QStringLiteral("cut") << QStringList()
                                 << QStringLiteral("不是页大小 4096 的整数倍");
    QTest::newRow("last pages missing")
        << QStringLiteral("cut at page") << QStringList() << QStringLiteral("表 STU_Card 只读出");
    QTest::newRow("rows missing") << QStringLiteral("declares more") << QStringList()
                                  << QStringLiteral("表 STU_Main 只读出 3 行, 表定义记录 10 行");
    QTest::newRow("reader hangs") << QStringLiteral("spins")
                                  << QStringList{QStringLiteral("--reader-silence"),
                                                 QStringLiteral("2")}
                                  << QStringLiteral("读取表目录时读取程序 2 秒没有进展");
    QTest::newRow("reader takes too long")
        << QStringLiteral("spins")
        << QStringList{QStringLiteral("--reader-seconds"), QStringLiteral("1"),
                       QStringLiteral("--reader-silence"), QStringLiteral("60")}
        << QStringLiteral("用时超过 1 秒");
    QTest::newRow("reader's memory grows")
        << QStringLiteral("grows")
        << QStringList{QStringLiteral("--reader-memory"), QStringLiteral("256")}
        << QStringLiteral("内存超过 256 MB");
    QTest::newRow("a row that cannot be kept")
        << QStringLiteral("no date") << QStringList()
        << QStringLiteral("表 STU_Main 第 2 行无法转换: 列 Birthday 的值 3000000 不是有效的日期");
}

void TestImportMdb::damagedFilesEndWithAMessage()
{
    QFETCH(QString, damage);
    QFETCH(QStringList, options);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString oldPath = dir.filePath(QStringLiteral("old.mdb"));
    const QString newPath = dir.filePath(QStringLiteral("new.mdb"));
    if (damage.endsWith(QLatin1String(".mdb"))) {
        QVERIFY(QFile::copy(QStringLiteral(SORVIK_FIXTURES_DIR "/external/mdb-malformed/") + damage,
                            oldPath));
        // mdbtools dies on it.
        bool crashesMdbtools = false;
        for (const QString& t : mdbTables(oldPath))
            crashesMdbtools = crashesMdbtools ||
                              runTool(QStringLiteral("mdb-export"), {oldPath, t}, 10000).crashed;
        QVERIFY(crashesMdbtools);
    } else if (damage.startsWith(QLatin1String("cut"))) {
        QVERIFY(writeStation(oldPath, 5000, {QStringLiteral("--card")}).isEmpty());
        QFile f(oldPath);
        // Cut short in the middle of a page, or by whole pages at the end (part of the
        // card table's rows).
        const qint64 size = damage == QLatin1String("cut") ? (f.size() * 7 / 10) | 1
                                                           : f.size() * 98 / 100 / 4096 * 4096;
        QVERIFY(f.resize(size));
        // mdbtools reads the last table without a word, rows missing.
        if (damage != QLatin1String("cut")) {
            const qsizetype cards = mdbExport(oldPath, QStringLiteral("STU_Card")).size() - 1;
            QVERIFY2(cards >= 0 && cards < 5000, qPrintable(QString::number(cards)));
        }
    } else {
        QJsonObject spec{{QStringLiteral("tables"), smallStationTables()}};
        QJsonArray tables = spec.value(QStringLiteral("tables")).toArray();
        QJsonObject main = tables.at(0).toObject();
        if (damage == QLatin1String("declares more")) {
            main.insert(QStringLiteral("declared_rows"), 10);
        } else if (damage == QLatin1String("no date")) {
            QJsonArray rows = main.value(QStringLiteral("rows")).toArray();
            rows[1] = QJsonArray{1, QStringLiteral("S1"), QStringLiteral("李伟"), 3000000.0};
            main.insert(QStringLiteral("rows"), rows);
        } else {
            spec.insert(QStringLiteral("properties"),
                        QJsonObject{{QStringLiteral("prjzb"), damage == QLatin1String("spins")
                                                                  ? spinningProperties()
                                                                  : growingProperties()}});
        }
        tables[0] = main;
        spec.insert(QStringLiteral("tables"), tables);
        const QString written = writeSpec(oldPath, spec);
        QVERIFY2(written.isEmpty(), qPrintable(written));
        if (damage == QLatin1String("spins")) {
            // mdbtools itself never comes back from it.
            QVERIFY(!runTool(QStringLiteral("mdb-tables"), {oldPath}, 3000).finished);
        } else if (damage == QLatin1String("grows")) {
            const ToolRun r =
                runTool(QStringLiteral("sh"),
                        {QStringLiteral("-c"),
                         QStringLiteral("ulimit -v 1000000; exec mdb-tables \"$0\""), oldPath},
                        60000);
            QVERIFY(r.finished && (r.crashed || r.exitCode != 0));
        } else {
            QCOMPARE(mdbExport(oldPath, QStringLiteral("STU_Main")).size(), 4);
        }
    }

    const QByteArray before = fileDigest(oldPath);
    const ToolRun run = importMdb(oldPath, newPath, options);
    QVERIFY(run.finished);
    QVERIFY(!run.crashed);
    QCOMPARE(run.exitCode, 1);
    const QString err = QString::fromUtf8(run.err);
    QVERIFY2(err.startsWith(QStringLiteral("sorvik-dbtool: ")) && err.contains(message),
             qPrintable(err));
    if (damage != QLatin1String("no date"))
        QVERIFY2(err.contains(QStringLiteral("Access文件已损坏")), qPrintable(err));
    // No output, no half-written file, the original unchanged.
    QCOMPARE(filesIn(dir.path()), QStringList{QStringLiteral("old.mdb")});
    QCOMPARE(fileDigest(oldPath), before);
}

void TestImportMdb::refusesToOverwriteOrMisread()
{
    QTemporaryDir dir;
    const QString oldPath = dir.filePath(QStringLiteral("old.mdb"));
    QVERIFY(writeStation(oldPath, 5).isEmpty());
    const QString existing = dir.filePath(QStringLiteral("existing.mdb"));
    QFile f(existing);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("keep me");
    f.close();
    const QString text = dir.filePath(QStringLiteral("text.mdb"));
    QFile t(text);
    QVERIFY(t.open(QIODevice::WriteOnly));
    t.write(QByteArray(8192, 'x'));
    t.close();

    struct Case {
        QString oldPath;
        QString newPath;
        QString message;
    };
    const QList<Case> cases{
        {oldPath, existing, QStringLiteral("已存在, 不覆盖")},
        {oldPath, oldPath, QStringLiteral("已存在, 不覆盖")},
        {text, dir.filePath(QStringLiteral("a.mdb")), QStringLiteral("不是Access数据库文件")},
        {dir.filePath(QStringLiteral("none.mdb")), dir.filePath(QStringLiteral("b.mdb")),
         QStringLiteral("找不到")},
    };
    const QByteArray before = fileDigest(oldPath);
    for (const Case& c : cases) {
        const ToolRun run = importMdb(c.oldPath, c.newPath);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(QString::fromUtf8(run.err).contains(c.message), run.err.constData());
    }
    QCOMPARE(fileDigest(oldPath), before);
    QFile kept(existing);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("keep me"));
    QCOMPARE(filesIn(dir.path()),
             (QStringList{QStringLiteral("existing.mdb"), QStringLiteral("old.mdb"),
                          QStringLiteral("text.mdb")}));
    QCOMPARE(runTool(QStringLiteral(SORVIK_BIN_DIR "/sorvik-dbtool"),
                     {QStringLiteral("import-mdb"), oldPath})
                 .exitCode,
             2);
}

void TestImportMdb::carriedOntoAServer_data()
{
    QTest::addColumn<QString>("source");  // "station": a station file of the fixture writer
    QTest::addColumn<QString>("present"); // what is there before: on the server or the connection
    QTest::addColumn<QString>("message"); // empty: carried over
    QTest::newRow("station file") << QStringLiteral("station") << QString() << QString();
    QTest::newRow("station's tables on the server already")
        << QStringLiteral("station") << QStringLiteral("station tables")
        << QStringLiteral("the station's tables are on the server already");
    QTest::newRow("copy fails half way")
        << QStringLiteral("station") << QStringLiteral("card table")
        << QStringLiteral("复制到服务器失败, 服务器上没有留下任何数据");
    QTest::newRow("real Access file")
        << QStringLiteral("nwind.mdb") << QString() << QStringLiteral("缺少表: STU_Main");
    QTest::newRow("connection file would replace a database")
        << QStringLiteral("station") << QStringLiteral("database file")
        << QStringLiteral("已存在, 不覆盖");
}

void TestImportMdb::carriedOntoAServer()
{
    if (!testserver::enabled())
        QSKIP("runs against the tests' server (carriedOntoAServer_server)");
    QFETCH(QString, source);
    QFETCH(QString, present);
    QFETCH(QString, message);
    constexpr int kPupils = 40;
    QTemporaryDir dir;
    QString oldPath = QStringLiteral(SORVIK_FIXTURES_DIR "/external/mdb/") + source;
    if (source == QLatin1String("station")) {
        oldPath = dir.filePath(QStringLiteral("old.mdb"));
        QVERIFY(writeStation(oldPath, kPupils, {QStringLiteral("--card")}).isEmpty());
    }
    const testserver::Schema schema;
    const QString address = schema.address();
    const QString connection = dir.filePath(QStringLiteral("school-server.mdb"));
    if (present == QLatin1String("station tables"))
        QCOMPARE(store::createDatabase(address), QString());
    else if (present == QLatin1String("card table"))
        store::Database(address).connection().execute(
            QStringLiteral("CREATE TABLE STU_Card(CardNo TEXT)"));
    else if (present == QLatin1String("database file"))
        QCOMPARE(store::createDatabase(connection), QString());
    const QStringList tablesBefore = store::Database(address).connection().tableNames();
    const QByteArray connectionBefore = fileDigest(connection);
    const QString scratch = dir.filePath(QStringLiteral("tmp"));
    QVERIFY(QDir().mkpath(scratch));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TMPDIR"), scratch);

    const ToolRun run = runTool(QStringLiteral(SORVIK_BIN_DIR "/sorvik-dbtool"),
                                {QStringLiteral("import-mdb"), QStringLiteral("--progress"),
                                 oldPath, QStringLiteral("--server"), address, connection},
                                120000, env);
    QVERIFY(run.finished && !run.crashed);
    // The temporary station file is gone whatever happened.
    QCOMPARE(filesIn(scratch), QStringList());
    QVERIFY(QDir(scratch).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
    store::Database server(address);
    if (!message.isEmpty()) {
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(QString::fromUtf8(run.err).contains(message), run.err.constData());
        // All or nothing: the server and the connection file as they were.
        QCOMPARE(server.connection().tableNames(), tablesBefore);
        if (present == QLatin1String("station tables"))
            QCOMPARE(server.connection()
                         .query(QStringLiteral("SELECT count(*) FROM STU_Main"))
                         .at(0, 0)
                         .toLongLong(),
                     0LL);
        QCOMPARE(fileDigest(connection), connectionBefore);
        return;
    }
    QVERIFY2(run.exitCode == 0, run.err.constData());
    const QString report = QString::fromUtf8(run.out);
    QVERIFY2(report.contains(QStringLiteral("STU_Main: %1 行").arg(kPupils)) &&
                 report.contains(QStringLiteral("progress ")) &&
                 report.contains(QStringLiteral("已写入连接文件")) &&
                 // The writer's pupils have a remark the station does not use: said so.
                 report.contains(QStringLiteral("不复制到服务器: STU_Main.Remark")),
             qPrintable(report));
    QCOMPARE(store::serverAddressInFile(connection), address);

    // Every row and cell of the station's tables on the server, as mdbtools reads the original.
    const QStringList tables(std::begin(kStationTables), std::end(kStationTables));
    for (const QString& t : tables)
        QVERIFY2(server.connection().tableNames().contains(t, Qt::CaseInsensitive), qPrintable(t));
    server.close();
    compareWithMdbExport(oldPath, address, tables, 1000, true);
    if (QTest::currentTestFailed())
        return;

    // A station opening the connection file finds the pupils, their values and cards.
    platform::RecordingMessageService boxes;
    CDB db;
    QCOMPARE(db.open(connection), 1);
    {
        CStudent student(db);
        long id = -1;
        QString name;
        const int last = kPupils - 1;
        QCOMPARE(student.GetIDByStuNO(QStringLiteral("2015%1").arg(last, 6, 10, QLatin1Char('0')),
                                      id, name),
                 1L);
        QCOMPARE(id, long(last));
        CCard cards(db);
        QString cardNo;
        QCOMPARE(cards.GetCardNOByStuID(cardNo, last), 1);
    }
    db.close();
    QCOMPARE(boxes.count(), 0);
}

void TestImportMdb::copyToServerKeepsTheHistory()
{
    if (!testserver::enabled())
        QSKIP("runs against the tests' server (testimportmdb_server)");
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("school.mdb"));
    QCOMPARE(store::createDatabase(file), QString());
    QCOMPARE(store::addDemoPupils(file, 3), QString());
    {
        platform::RecordingMessageService boxes;
        CDB db;
        QCOMPARE(db.open(file), 1);
        CValue value(db);
        value.setHistorySource({store::ValueSource::Live, {}});
        QCOMPARE(value.InsertValue(1, 1, 151.0), 1);
        QCOMPARE(value.InsertValue(1, 1, 152.5), 1);
        db.close();
        QCOMPARE(boxes.count(), 0);
    }
    const testserver::Schema schema;
    const ToolRun run = runTool(QStringLiteral(SORVIK_BIN_DIR "/sorvik-dbtool"),
                                {QStringLiteral("copy-to-server"), file, schema.address()});
    QVERIFY2(run.finished && run.exitCode == 0, run.err.constData());
    QVERIFY2(!run.out.contains("not copied"), run.out.constData());

    // The entries as the file holds them, in their order.
    const QString sql = QStringLiteral("SELECT Seq, STU_ID, Object_ID, ObjectValue, PreviousValue, "
                                       "Source, Origin, RecordedAt FROM STU_ValueHistory ORDER BY "
                                       "Seq");
    auto texts = [&](const QString& path) {
        QStringList out;
        for (const QVariant& v : query(path, sql).cells)
            out << v.toString();
        return out;
    };
    const QStringList inFile = texts(file);
    QCOMPARE(inFile.size(), 16);
    QCOMPARE(inFile.at(3), QStringLiteral("151"));
    QCOMPARE(texts(schema.address()), inFile);
    QCOMPARE(query(schema.address(), QStringLiteral("SELECT count(*) FROM STU_Main")).at(0, 0),
             QVariant(3LL));
}

QTEST_GUILESS_MAIN(TestImportMdb)
#include "testimportmdb.moc"
