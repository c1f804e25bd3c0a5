#include "Clock.h"
#include "StoreTestSupport.h"

#include <QTest>

#include <set>

using namespace Qt::StringLiterals;

// Demo pupils go through the store classes, so they get the rows a real pupil gets.
class TestNewDatabase : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void demoPupils();
    void demoRefusedAsAWhole();

private:
    storetest::FreshDatabase m_fresh;
    std::unique_ptr<platform::RecordingMessageService> m_boxes;
};

void TestNewDatabase::init()
{
    platform::setClock([] { return QDateTime(QDate(2026, 9, 1), QTime(9, 0)); });
    QVERIFY(m_fresh.make());
    m_fresh.close(); // the demo opens the file itself
    m_boxes = std::make_unique<platform::RecordingMessageService>();
}

void TestNewDatabase::cleanup()
{
    platform::setClock({});
    m_boxes.reset();
}

void TestNewDatabase::demoPupils()
{
    QCOMPARE(store::addDemoPupils(m_fresh.path(), 45), QString());
    QCOMPARE(store::addDemoPupils(m_fresh.path(), 3), QString());
    QCOMPARE(m_boxes->count(), 0);

    CDB db;
    QCOMPARE(db.open(m_fresh.path()), 1);
    const auto pupils = storetest::rowsOf(
        db, u"STU_Main"_s,
        {u"STU_ID"_s, u"StuNo"_s, u"Class_ID"_s, u"GroupNo"_s, u"Sex"_s, u"STU_Year"_s});
    QCOMPARE(pupils.size(), 48);
    QCOMPARE(pupils.at(0), (QVariantList{0LL, u"2026000000"_s, 11LL, u"1"_s, u"男"_s, 2026LL}));
    QCOMPARE(pupils.at(47).at(0), 47LL);
    QCOMPARE(pupils.at(47).at(3), u"3"_s); // the second run starts a new class

    const auto cards = storetest::rowsOf(db, u"STU_Card"_s, {u"StuID"_s, u"CardNO"_s});
    QCOMPARE(cards.size(), 48);
    std::set<QString> numbers;
    for (const auto& c : cards)
        numbers.insert(c.at(1).toString());
    QCOMPARE(numbers.size(), size_t(48));

    // Every pupil of these first grades has the default rows of a pupil inserted by hand.
    for (const auto& p : pupils) {
        const auto rows =
            storetest::rowsOf(db, u"STU_ObjectData"_s, {u"Object_ID"_s}, {{u"STU_ID"_s, p.at(0)}});
        const long grade = p.at(2).toLongLong();
        const int expected = 3 + (grade > 14 ? 1 : 0) + 3;
        QCOMPARE(rows.size(), expected);
    }
    db.close();
}

void TestNewDatabase::demoRefusedAsAWhole()
{
    // A pupil already holds the student number the demo would give its 3rd pupil.
    CDB db;
    QCOMPARE(db.open(m_fresh.path()), 1);
    storetest::addRawRow(db, u"STU_Main"_s,
                         {{u"STU_ID"_s, 0}, {u"StuNo"_s, u"2026000003"_s}, {u"GroupNo"_s, u"1"_s}});
    db.close();

    const QString error = store::addDemoPupils(m_fresh.path(), 10);
    QVERIFY(error.contains(u"2026000003"_s));
    QCOMPARE(m_boxes->texts(), QStringList{u"存在相同的记录,学号:2026000003"_s});

    QCOMPARE(db.open(m_fresh.path()), 1);
    QCOMPARE(storetest::rowsOf(db, u"STU_Main"_s, {u"StuNo"_s}).size(), 1);
    QCOMPARE(storetest::rowsOf(db, u"STU_ObjectData"_s, {u"STU_ID"_s}).size(), 0);
    QCOMPARE(storetest::rowsOf(db, u"STU_Card"_s, {u"StuID"_s}).size(), 0);
    db.close();
}

QTEST_GUILESS_MAIN(TestNewDatabase)
#include "testnewdatabase.moc"
