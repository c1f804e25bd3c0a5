// The tick handler fed directly, without a display: records cut by bytes, the display-only
// path, lookups by student or card number, the point of item 06, "没有此学生", "  未设置",
// one committed batch per tick, a batch that cannot be kept and a database that stays busy.

#include "CCard.h"
#include "CItemInfo.h"
#include "CStudent.h"
#include "CValue.h"
#include "Clock.h"
#include "CollectFixture.h"
#include "CollectTick.h"
#include "CollectorRecord.h"
#include "Database.h"
#include "Gbk.h"
#include "ListView.h"
#include "RecordingMessageService.h"
#include "SqlConnection.h"
#include "StorageFailures.h"

#include <QTest>

#include <optional>

using platform::MemoryListView;
using platform::RecordingMessageService;

namespace
{

const QString kNoSuchPupil = QStringLiteral("没有此学生");
const QString kNotSet = QStringLiteral("  未设置");
const QString kRun50 = QStringLiteral("50米跑");

// A record as an instrument sends it: identifier (20 GBK bytes), item code (2), value (5),
// each field given exactly, padding included.
QByteArray rec(const QString& identifier, const QByteArray& code, const QByteArray& value)
{
    QByteArray id = platform::toGbk(identifier);
    id.append(20 - id.size(), ' ');
    Q_ASSERT(id.size() == 20 && code.size() == 2 && value.size() == 5);
    return id + code + value;
}

} // namespace

class TestCollectTick : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void feedIsCutIntoWholeRecords_data();
    void feedIsCutIntoWholeRecords();
    void valueAndItemCode_data();
    void valueAndItemCode();
    void pupilByCardNumber_data();
    void pupilByCardNumber();
    void numberTypeIsAskedForEveryRecord();
    void withoutDatabaseOnlyShows();
    void pupilWithoutRowForTheItemIsMarkedNotSet();
    void unknownPupilIsShownAndNotStored();
    void unknownItemHasNoNameButIsOffered();
    void identifierWithChineseIsCutByBytes();
    void counterFollowsTheList();
    void tickIsCommittedBeforeItReturns();
    void nestedTickIsHeldBack();
    void storeErrorShowsAsNotStored();
    void batchThatCannotBeKeptShowsNotStored_data();
    void batchThatCannotBeKeptShowsNotStored();
    void busyDatabaseKeepsRecordsUntilFree();

private:
    void makeStores();
    void makeTick();
    QVariant value(int stuID, int item) const;
    int valueRowCount() const;
    int handle(const QByteArray& feed, bool dbOpen = true);

    std::unique_ptr<CollectFixture> m_fixture;
    std::unique_ptr<CStudent> m_pStudent;
    std::unique_ptr<CValue> m_pValue;
    std::unique_ptr<CItemInfo> m_pItemInfo;
    std::unique_ptr<CCard> m_pCard;
    MemoryListView m_list;
    bool m_byStudentNumber = true;
    std::unique_ptr<CollectTick> m_tick;
    std::unique_ptr<RecordingMessageService> m_recorder;
};

void TestCollectTick::init()
{
    m_recorder = std::make_unique<RecordingMessageService>();
    m_fixture = std::make_unique<CollectFixture>();
    m_fixture->openTheDB();
    store::SqlConnection& conn = theDB.database()->connection();
    const QString pupil =
        QStringLiteral("INSERT INTO STU_Main(STU_ID,StuNo,StuName,GroupNo) VALUES(?,?,?,'1')");
    conn.execute(pupil, {100, QStringLiteral("20070803"), QStringLiteral("李雷")});
    conn.execute(pupil, {101, QStringLiteral("20070804"), QStringLiteral("韩梅梅")});
    conn.execute(pupil, {102, QStringLiteral("张三丰"), QStringLiteral("张三丰")});
    const QString row = QStringLiteral(
        "INSERT INTO STU_ObjectData(STU_ID,Object_ID,ObjectValue,ObjectType) VALUES(?,?,0.0,?)");
    for (int item : {1, 6, 7, 77})
        conn.execute(row, {100, item, 5});
    conn.execute(row, {101, 1, 1});
    conn.execute(row, {102, 2, 2});
    const QString card = QStringLiteral("INSERT INTO Stu_card(StuID,CardNO) VALUES(?,?)");
    conn.execute(card, {100, QStringLiteral("C0100")});
    conn.execute(card, {999, QStringLiteral("C0999")}); // pupil no longer there
    conn.execute(card, {101, QString()});               // a card cleared
    makeStores();
    m_list.deleteAll();
    m_byStudentNumber = true;
    makeTick();
}

void TestCollectTick::makeTick()
{
    m_tick = std::make_unique<CollectTick>(m_list, [this] { return m_byStudentNumber; });
    m_tick->setStores(theDB, {m_pStudent.get(), m_pValue.get(), m_pItemInfo.get(), m_pCard.get()});
    m_tick->setKeptIn([] { return QStringLiteral("/data/journal/2024-06-01.bak"); });
}

void TestCollectTick::makeStores()
{
    m_pStudent = std::make_unique<CStudent>(theDB);
    m_pValue = std::make_unique<CValue>(theDB);
    m_pItemInfo = std::make_unique<CItemInfo>(theDB);
    m_pCard = std::make_unique<CCard>(theDB);
}

void TestCollectTick::cleanup()
{
    platform::setClock({});
    m_tick.reset();
    m_pCard.reset();
    m_pItemInfo.reset();
    m_pValue.reset();
    m_pStudent.reset();
    m_fixture.reset();
    m_recorder.reset();
}

QVariant TestCollectTick::value(int stuID, int item) const
{
    // A connection of its own sees only what was committed.
    CDB other;
    if (!other.open(m_fixture->path()))
        return QStringLiteral("cannot open");
    const store::ResultTable t = other.database()->connection().query(
        QStringLiteral("SELECT ObjectValue FROM STU_ObjectData WHERE STU_ID=? AND Object_ID=?"),
        {stuID, item});
    other.close();
    return t.rowCount() == 1 ? t.at(0, 0) : QVariant(QStringLiteral("rows: %1").arg(t.rowCount()));
}

int TestCollectTick::valueRowCount() const
{
    return theDB.database()
        ->connection()
        .query(QStringLiteral("SELECT count(*) FROM STU_ObjectData"))
        .at(0, 0)
        .toInt();
}

int TestCollectTick::handle(const QByteArray& feed, bool dbOpen)
{
    return m_tick->OnTimer([&feed] { return feed; }, dbOpen);
}

void TestCollectTick::feedIsCutIntoWholeRecords_data()
{
    QTest::addColumn<QByteArray>("feed");
    QTest::addColumn<QStringList>("column0"); // top row first
    const QByteArray a = rec(QStringLiteral("20070803"), "01", "150.5");
    const QByteArray b = rec(QStringLiteral("20070804"), "01", "149.0");
    QTest::newRow("empty") << QByteArray() << QStringList{};
    QTest::newRow("26 bytes") << a.left(26) << QStringList{};
    QTest::newRow("27 bytes") << a << QStringList{QStringLiteral("20070803")};
    QTest::newRow("53 bytes") << a + b.left(26) << QStringList{QStringLiteral("20070803")};
    QTest::newRow("54 bytes") << a + b
                              << QStringList{QStringLiteral("20070804"),
                                             QStringLiteral("20070803")};
}

void TestCollectTick::feedIsCutIntoWholeRecords()
{
    QFETCH(QByteArray, feed);
    QFETCH(QStringList, column0);
    QCOMPARE(handle(feed), int(column0.size()));
    QCOMPARE(m_list.rowCount(), int(column0.size()));
    for (int r = 0; r < column0.size(); ++r) {
        QCOMPARE(m_list.cell(r, 0), column0.at(r));
        QCOMPARE(m_list.cell(r, 2), QStringLiteral("身高"));
        QCOMPARE(m_list.cell(r, 4), QStringLiteral("厘米"));
    }
    // The last whole record is the one stored last.
    if (!column0.isEmpty())
        QCOMPARE(value(100, 1).toDouble(), 150.5);
    QCOMPARE(m_recorder->count(), 0);
}

void TestCollectTick::valueAndItemCode_data()
{
    QTest::addColumn<QByteArray>("code");
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<int>("item");
    QTest::addColumn<QString>("itemName");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<double>("stored");

    QTest::newRow("06 gets the point") << QByteArray("06") << QByteArray("12345") << 6 << kRun50
                                       << QStringLiteral("123.45") << 123.45;
    QTest::newRow("06 with padding")
        << QByteArray("06") << QByteArray("  745") << 6 << kRun50 << QStringLiteral("7.45") << 7.45;
    QTest::newRow("6 and a blank: no point") << QByteArray("6 ") << QByteArray("12345") << 6
                                             << kRun50 << QStringLiteral("12345") << 12345.0;
    QTest::newRow("a blank and 6: no point") << QByteArray(" 6") << QByteArray("12345") << 6
                                             << kRun50 << QStringLiteral("12345") << 12345.0;
    QTest::newRow("01 keeps the value") << QByteArray("01") << QByteArray("  745") << 1
                                        << QStringLiteral("身高") << QStringLiteral("745") << 745.0;
    QTest::newRow("five blanks store 0") << QByteArray("07") << QByteArray("     ") << 7
                                         << QStringLiteral("立定跳远") << QString() << 0.0;
    QTest::newRow("text after the number")
        << QByteArray("07") << QByteArray("21x.5") << 7 << QStringLiteral("立定跳远")
        << QStringLiteral("21x.5") << 21.0;
    QTest::newRow("no digits") << QByteArray("07") << QByteArray("  abc") << 7
                               << QStringLiteral("立定跳远") << QStringLiteral("abc") << 0.0;
    QTest::newRow("trailing blanks stay")
        << QByteArray("01") << QByteArray("15   ") << 1 << QStringLiteral("身高")
        << QStringLiteral("15   ") << 15.0;
}

void TestCollectTick::valueAndItemCode()
{
    QFETCH(QByteArray, code);
    QFETCH(QByteArray, field);
    QFETCH(int, item);
    QFETCH(QString, itemName);
    QFETCH(QString, shown);
    QFETCH(double, stored);
    QCOMPARE(handle(rec(QStringLiteral("20070803"), code, field)), 1);
    QCOMPARE(m_list.rowCount(), 1);
    QCOMPARE(m_list.cell(0, 0), QStringLiteral("20070803"));
    QCOMPARE(m_list.cell(0, 1), QStringLiteral("李雷"));
    QCOMPARE(m_list.cell(0, 2), itemName);
    QCOMPARE(m_list.cell(0, 3), shown);
    QCOMPARE(value(100, item).toDouble(), stored);
    QVERIFY(value(100, item).typeId() == QMetaType::Double);
    QCOMPARE(m_recorder->count(), 0);
}

void TestCollectTick::pupilByCardNumber_data()
{
    QTest::addColumn<QString>("card");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("stored");
    QTest::newRow("card of a pupil") << QStringLiteral("C0100") << QStringLiteral("李雷") << true;
    QTest::newRow("card of a pupil no longer there")
        << QStringLiteral("C0999") << kNoSuchPupil << false;
    QTest::newRow("unknown card") << QStringLiteral("C4242") << kNoSuchPupil << false;
    QTest::newRow("a student number is no card")
        << QStringLiteral("20070803") << kNoSuchPupil << false;
    QTest::newRow("a blank identifier is nobody's, not the cleared card's")
        << QString() << kNoSuchPupil << false;
}

void TestCollectTick::pupilByCardNumber()
{
    QFETCH(QString, card);
    QFETCH(QString, name);
    QFETCH(bool, stored);
    m_byStudentNumber = false;
    QCOMPARE(handle(rec(card, "07", "  215")), 1);
    // Column 0 shows the card number as received, not the student number.
    QCOMPARE(m_list.cell(0, 0), card);
    QCOMPARE(m_list.cell(0, 1), name);
    QCOMPARE(m_list.cell(0, 2), QStringLiteral("立定跳远"));
    QCOMPARE(m_list.cell(0, 3), QStringLiteral("215"));
    QCOMPARE(m_list.cell(0, 4), QStringLiteral("厘米"));
    QCOMPARE(value(100, 7).toDouble(), stored ? 215.0 : 0.0);
}

void TestCollectTick::numberTypeIsAskedForEveryRecord()
{
    int asked = 0;
    CollectTick tick(m_list, [&asked] { return asked++ == 0; });
    tick.setStores(theDB, {m_pStudent.get(), m_pValue.get(), m_pItemInfo.get(), m_pCard.get()});
    const QByteArray feed = rec(QStringLiteral("20070803"), "01", "160.0") +
                            rec(QStringLiteral("C0100"), "07", "  199");
    QCOMPARE(tick.handleFeed(feed, true), 2);
    QCOMPARE(asked, 2);
    QCOMPARE(m_list.cell(1, 1), QStringLiteral("李雷"));
    QCOMPARE(m_list.cell(0, 1), QStringLiteral("李雷"));
    QCOMPARE(value(100, 1).toDouble(), 160.0);
    QCOMPARE(value(100, 7).toDouble(), 199.0);
}

void TestCollectTick::withoutDatabaseOnlyShows()
{
    const int rows = valueRowCount();
    const QByteArray feed = rec(QStringLiteral("  20070803"), "06", "12345") +
                            rec(QStringLiteral("20070804"), " 1", " 7.5 ");
    QCOMPARE(handle(feed, false), 2);
    QCOMPARE(m_list.row(1), (QStringList{QStringLiteral("20070803"), QString(),
                                         QStringLiteral("06"), QStringLiteral("12345")}));
    QCOMPARE(m_list.row(0), (QStringList{QStringLiteral("20070804"), QString(), QStringLiteral("1"),
                                         QStringLiteral("7.5")}));
    QCOMPARE(m_list.cell(0, 4), QString());
    QCOMPARE(value(100, 6).toDouble(), 0.0);
    QCOMPARE(valueRowCount(), rows);

    // A window without stores shows the records the same way even if the flag said otherwise.
    MemoryListView list;
    CollectTick bare(list, [] { return true; });
    QCOMPARE(bare.handleFeed(feed, true), 2);
    QCOMPARE(list.cell(1, 3), QStringLiteral("12345"));
}

void TestCollectTick::pupilWithoutRowForTheItemIsMarkedNotSet()
{
    const int rows = valueRowCount();
    QCOMPARE(handle(rec(QStringLiteral("20070804"), "06", "  812")), 1);
    QCOMPARE(m_list.cell(0, 1), QStringLiteral("韩梅梅"));
    QCOMPARE(m_list.cell(0, 2), kRun50 + kNotSet);
    QCOMPARE(m_list.cell(0, 3), QStringLiteral("8.12"));
    QCOMPARE(m_list.cell(0, 4), QStringLiteral("秒"));
    QCOMPARE(m_list.rowCount(), 1);
    QCOMPARE(valueRowCount(), rows);
    QCOMPARE(value(101, 6).toString(), QStringLiteral("rows: 0"));
    QCOMPARE(m_recorder->count(), 0);
}

void TestCollectTick::unknownPupilIsShownAndNotStored()
{
    const int rows = valueRowCount();
    QCOMPARE(handle(rec(QStringLiteral("99999999"), "01", "150.0")), 1);
    QCOMPARE(m_list.cell(0, 0), QStringLiteral("99999999"));
    QCOMPARE(m_list.cell(0, 1), kNoSuchPupil);
    QCOMPARE(m_list.cell(0, 2), QStringLiteral("身高")); // no "未设置": nothing was tried
    QCOMPARE(m_list.cell(0, 3), QStringLiteral("150.0"));
    QCOMPARE(valueRowCount(), rows);
    QCOMPARE(theDB.database()
                 ->connection()
                 .query(QStringLiteral("SELECT count(*) FROM STU_ObjectData WHERE ObjectValue<>0"))
                 .at(0, 0)
                 .toInt(),
             0);
}

void TestCollectTick::unknownItemHasNoNameButIsOffered()
{
    QCOMPARE(handle(rec(QStringLiteral("20070803"), "77", "   42")), 1);
    QCOMPARE(m_list.cell(0, 2), QString());
    QCOMPARE(m_list.cell(0, 4), QString());
    QCOMPARE(value(100, 77).toDouble(), 42.0); // the pupil has a row for it
    QCOMPARE(handle(rec(QStringLiteral("20070803"), "78", "   43")), 1);
    QCOMPARE(m_list.cell(0, 2), kNotSet);
}

void TestCollectTick::identifierWithChineseIsCutByBytes()
{
    // "张三丰" is 6 bytes in GBK but 3 characters: cut by characters, the item code and the
    // value would be read from the wrong place, and the next record would be misaligned.
    const QByteArray one = rec(QStringLiteral("张三丰"), "02", " 45.5");
    QCOMPARE(one.size(), 27);
    const QByteArray feed = one + rec(QStringLiteral("20070803"), "01", "151.5") + one;
    QCOMPARE(handle(feed), 3);
    for (int r : {0, 2}) {
        QCOMPARE(m_list.cell(r, 0), QStringLiteral("张三丰"));
        QCOMPARE(m_list.cell(r, 1), QStringLiteral("张三丰"));
        QCOMPARE(m_list.cell(r, 2), QStringLiteral("体重"));
        QCOMPARE(m_list.cell(r, 3), QStringLiteral("45.5"));
    }
    QCOMPARE(m_list.cell(1, 0), QStringLiteral("20070803"));
    QCOMPARE(value(102, 2).toDouble(), 45.5);
    QCOMPARE(value(100, 1).toDouble(), 151.5);

    // Without a database the same cut applies.
    MemoryListView list;
    CollectTick bare(list, [] { return true; });
    QCOMPARE(bare.handleFeed(feed, false), 3);
    QCOMPARE(list.row(0), (QStringList{QStringLiteral("张三丰"), QString(), QStringLiteral("02"),
                                       QStringLiteral("45.5")}));
}

void TestCollectTick::counterFollowsTheList()
{
    QStringList counter;
    m_list.setCountObserver([&](int n) { counter << QString::number(n); });
    const QByteArray feed = rec(QStringLiteral("20070803"), "01", "150.0") +
                            rec(QStringLiteral("99999999"), "01", "150.0") +
                            rec(QStringLiteral("20070804"), "06", "  900");
    QCOMPARE(handle(feed), 3);
    QCOMPARE(counter, (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}));
    m_list.setCountObserver({});
}

void TestCollectTick::tickIsCommittedBeforeItReturns()
{
    // value() reads through a connection of its own, which sees only committed writes.
    const QByteArray feed = rec(QStringLiteral("20070803"), "01", "171.0") +
                            rec(QStringLiteral("20070803"), "07", "  222");
    QCOMPARE(handle(feed), 2);
    QCOMPARE(value(100, 1).toDouble(), 171.0);
    QCOMPARE(value(100, 7).toDouble(), 222.0);
    // No batch is left open on the window's connection.
    theDB.database()->connection().execute(QStringLiteral("BEGIN"));
    theDB.database()->connection().execute(QStringLiteral("COMMIT"));
}

namespace
{

// A list whose insertion runs a nested tick, as a message box's event loop would.
class ReenteringList final : public platform::ListView
{
public:
    std::function<void()> onInsert;
    MemoryListView inner;
    int insertRow(int index, const QString& text) override
    {
        const int at = inner.insertRow(index, text);
        if (onInsert)
            onInsert();
        return at;
    }
    void setCell(int row, int column, const QString& text) override
    {
        inner.setCell(row, column, text);
    }
    QString cell(int row, int column) const override { return inner.cell(row, column); }
    int rowCount() const override { return inner.rowCount(); }
    QList<int> selectedRows() const override { return {}; }
    void deleteRow(int row) override { inner.deleteRow(row); }
    void deleteAll() override { inner.deleteAll(); }
    void setRowKey(int row, qint64 key) override { inner.setRowKey(row, key); }
    std::optional<qint64> rowKey(int row) const override { return inner.rowKey(row); }
};

} // namespace

void TestCollectTick::nestedTickIsHeldBack()
{
    ReenteringList list;
    CollectTick tick(list, [] { return true; });
    tick.setStores(theDB, {m_pStudent.get(), m_pValue.get(), m_pItemInfo.get(), m_pCard.get()});
    int nestedReads = 0;
    int nestedResult = -1;
    list.onInsert = [&] {
        nestedResult = tick.OnTimer(
            [&] {
                ++nestedReads;
                return rec(QStringLiteral("20070804"), "01", "140.0");
            },
            true);
    };
    const QByteArray feed = rec(QStringLiteral("20070803"), "01", "150.0");
    QCOMPARE(tick.OnTimer([&] { return feed; }, true), 1);
    QCOMPARE(nestedResult, 0);
    QCOMPARE(nestedReads, 0); // its records stay in the collector
    QCOMPARE(list.rowCount(), 1);
    // The next tick runs normally.
    list.onInsert = {};
    QCOMPARE(tick.OnTimer([] { return rec(QStringLiteral("20070804"), "01", "140.0"); }, true), 1);
    QCOMPARE(list.rowCount(), 2);
}

void TestCollectTick::storeErrorShowsAsNotStored()
{
    // The stores answer lookups from their snapshots; the batch cannot open on the closed database.
    theDB.close();
    QCOMPARE(handle(rec(QStringLiteral("20070803"), "01", "150.0")), 1);
    QCOMPARE(m_list.cell(0, 1), QStringLiteral("李雷"));
    QCOMPARE(m_list.cell(0, 2), QStringLiteral("身高") + kNotSet);
    QCOMPARE(m_recorder->count(), 1);
    QVERIFY(m_recorder->texts().last().startsWith(QStringLiteral("有1条成绩没有存入数据库:\n")));
    QCOMPARE(value(100, 1).toDouble(), 0.0);
}

void TestCollectTick::batchThatCannotBeKeptShowsNotStored_data()
{
    QTest::addColumn<bool>("diskFull"); // else: a read-only file
    QTest::newRow("disk full") << true;
    QTest::newRow("read-only file") << false;
}

void TestCollectTick::batchThatCannotBeKeptShowsNotStored()
{
    QFETCH(bool, diskFull);
    std::optional<testsupport::ReadOnlyFile> readOnly;
    if (!diskFull) {
        m_tick.reset();
        m_pCard.reset();
        m_pItemInfo.reset();
        m_pValue.reset();
        m_pStudent.reset();
        theDB.close();
        readOnly.emplace(m_fixture->path());
        theDB = CDB();
        QVERIFY(theDB.open(m_fixture->path()));
        makeStores();
        makeTick();
    }
    const QByteArray feed = rec(QStringLiteral("20070803"), "01", "150.0") +
                            rec(QStringLiteral("99999999"), "01", "140.0") +
                            rec(QStringLiteral("20070803"), "07", "  222");
    {
        std::optional<testsupport::FileSizeLimit> full;
        if (diskFull)
            full.emplace();
        QCOMPARE(handle(feed), 3);
    }
    // Every result of the tick shows as not stored; the unknown pupil as before.
    QCOMPARE(m_list.row(0), (QStringList{QStringLiteral("20070803"), QStringLiteral("李雷"),
                                         QStringLiteral("立定跳远") + kNotSet,
                                         QStringLiteral("222"), QStringLiteral("厘米")}));
    QCOMPARE(m_list.cell(1, 1), kNoSuchPupil);
    QCOMPARE(m_list.cell(1, 2), QStringLiteral("身高"));
    QCOMPARE(m_list.cell(2, 2), QStringLiteral("身高") + kNotSet);
    // One box for the tick, saying how many and where they are kept.
    QCOMPARE(m_recorder->count(), 1);
    const QString text = m_recorder->texts().first();
    QVERIFY2(text.startsWith(QStringLiteral("有2条成绩没有存入数据库:\n")), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("/data/journal/2024-06-01.bak")));
    QCOMPARE(value(100, 1).toDouble(), 0.0);
    QCOMPARE(value(100, 7).toDouble(), 0.0);
    if (!diskFull)
        return;
    // With room again the same results are stored: nothing of the lost batch stayed behind.
    QCOMPARE(handle(feed), 3);
    QCOMPARE(m_list.cell(0, 2), QStringLiteral("立定跳远"));
    QCOMPARE(value(100, 1).toDouble(), 150.0);
    QCOMPARE(value(100, 7).toDouble(), 222.0);
    QCOMPARE(m_recorder->count(), 1);
}

void TestCollectTick::busyDatabaseKeepsRecordsUntilFree()
{
    QDateTime now(QDate(2024, 6, 1), QTime(9, 0));
    platform::setClock([&now] { return now; });
    store::Database other(m_fixture->path());
    other.connection().execute(QStringLiteral("BEGIN IMMEDIATE"));
    const QByteArray a = rec(QStringLiteral("20070803"), "01", "150.0");
    const QByteArray b = rec(QStringLiteral("20070804"), "01", "149.0");
    // Kept for later: not shown, not marked, no box.
    QCOMPARE(handle(a), 0);
    now = now.addSecs(3);
    QCOMPARE(handle(b), 0);
    QCOMPARE(m_list.rowCount(), 0);
    QCOMPARE(m_tick->waitingRecords(), 2);
    QCOMPARE(m_recorder->count(), 0);
    // Busy for several seconds: said once.
    now = now.addSecs(3);
    QCOMPARE(handle({}), 0);
    QCOMPARE(m_recorder->texts(),
             QStringList{QStringLiteral("数据库正被占用, 已有6秒无法存入成绩, 2条成绩正在等待。\n"
                                        "数据库空闲后这些成绩会自动存入并显示。")});
    now = now.addSecs(3);
    QCOMPARE(handle({}), 0);
    QCOMPARE(m_recorder->count(), 1);

    other.connection().execute(QStringLiteral("COMMIT"));
    QCOMPARE(handle({}), 2);
    QCOMPARE(m_list.cell(0, 0), QStringLiteral("20070804"));
    QCOMPARE(m_list.cell(1, 0), QStringLiteral("20070803"));
    QCOMPARE(m_list.cell(0, 2), QStringLiteral("身高"));
    QCOMPARE(m_list.cell(1, 2), QStringLiteral("身高"));
    QCOMPARE(m_tick->waitingRecords(), 0);
    QCOMPARE(value(100, 1).toDouble(), 150.0);
    QCOMPARE(value(101, 1).toDouble(), 149.0);
    QCOMPARE(m_recorder->count(), 1);
}

QTEST_MAIN(TestCollectTick)
#include "testcollecttick.moc"
