#include "Database.h"
#include "Recordset.h"
#include "SqlConnection.h"
#include "StoreError.h"
#include "StoreFixture.h"

#include <QTest>

#include <cmath>

using store::Filter;
using store::Recordset;

class TestRecordset : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void filterMatches_data();
    void filterMatches();
    void emptyFilterShowsEverything();
    void snapshotsAreIsolated();
    void addNewIsFoundAtOnceAndWrittenBack();
    void updateKeepsIndexCurrent();
    void walkingAndPositions();
    void readOnlyQueryAndParameters();
    void engineErrorsSurfaceAsStoreError();
    void failedWriteLeavesSnapshotAsItWas();

private:
    void addPupil(int id, const QString& stuNo, const QString& name, const QVariant& group = 1);
    std::unique_ptr<StoreFixture> m_fx;
};

void TestRecordset::init()
{
    m_fx = std::make_unique<StoreFixture>();
    addPupil(0, QStringLiteral("20070803"), QStringLiteral("张三"));
    addPupil(1, QStringLiteral("O'Brien"), QStringLiteral("欧布"));
    addPupil(2, QStringLiteral("AB12"), QStringLiteral("李四"), 2);
    addPupil(3, QStringLiteral("20070803"), QStringLiteral("张三重"), 2);
}

void TestRecordset::cleanup()
{
    m_fx.reset();
}

void TestRecordset::addPupil(int id, const QString& stuNo, const QString& name,
                             const QVariant& group)
{
    m_fx->db().database()->connection().execute(
        QStringLiteral("INSERT INTO STU_Main(STU_ID,StuNo,StuName,GroupNo) VALUES(?,?,?,?)"),
        {id, stuNo, name, group});
}

void TestRecordset::filterMatches_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QList<int>>("ids");
    QTest::newRow("exact") << "StuNo" << QVariant(QStringLiteral("AB12")) << QList<int>{2};
    QTest::newRow("trailing blanks ignored")
        << "StuNo" << QVariant(QStringLiteral("20070803            ")) << QList<int>{0, 3};
    QTest::newRow("leading blanks count")
        << "StuNo" << QVariant(QStringLiteral(" AB12")) << QList<int>{};
    QTest::newRow("ascii case ignored")
        << "StuNo" << QVariant(QStringLiteral("ab12")) << QList<int>{2};
    QTest::newRow("quote is a value")
        << "StuNo" << QVariant(QStringLiteral("O'Brien")) << QList<int>{1};
    QTest::newRow("column name any case")
        << "stuno" << QVariant(QStringLiteral("AB12")) << QList<int>{2};
    QTest::newRow("integer column") << "STU_ID" << QVariant(3) << QList<int>{3};
    QTest::newRow("integer against its text")
        << "stu_id" << QVariant(QStringLiteral("1")) << QList<int>{1};
    QTest::newRow("text column against integer") << "GroupNo" << QVariant(2) << QList<int>{2, 3};
    QTest::newRow("no match") << "StuNo" << QVariant(QStringLiteral("nobody")) << QList<int>{};
    QTest::newRow("null matches nothing") << "StuNo" << QVariant() << QList<int>{};
    // Doubles beyond any integer are compared as they are (this once was undefined behaviour).
    QTest::newRow("huge double") << "STU_ID" << QVariant(1e300) << QList<int>{};
    QTest::newRow("not a number") << "STU_ID" << QVariant(std::nan("")) << QList<int>{};
    QTest::newRow("whole double") << "STU_ID" << QVariant(3.0) << QList<int>{3};
}

void TestRecordset::filterMatches()
{
    QFETCH(QString, column);
    QFETCH(QVariant, value);
    QFETCH(QList<int>, ids);
    Recordset rs;
    rs.open(m_fx->db().database(), QStringLiteral("select * from STU_Main order by STU_ID"));
    rs.setFilter({{column, value}});
    QCOMPARE(rs.recordCount(), ids.size());
    QList<int> seen;
    for (; !rs.eof(); rs.moveNext())
        seen << rs.field(QStringLiteral("STU_ID")).toInt();
    QCOMPARE(seen, ids);
}

void TestRecordset::emptyFilterShowsEverything()
{
    Recordset rs;
    rs.open(m_fx->db().database(), QStringLiteral("STU_Main"));
    rs.setFilter({{QStringLiteral("StuNo"), QStringLiteral("20070803")},
                  {QStringLiteral("GroupNo"), QStringLiteral("2")}});
    QCOMPARE(rs.recordCount(), 1);
    QCOMPARE(rs.field(QStringLiteral("StuName")).toString(), QStringLiteral("张三重"));
    rs.clearFilter();
    QCOMPARE(rs.recordCount(), 4);
    rs.moveLast();
    QCOMPARE(rs.field(QStringLiteral("STU_ID")).toInt(), 3);
}

void TestRecordset::snapshotsAreIsolated()
{
    Recordset before;
    before.open(m_fx->db().database(), QStringLiteral("select * from STU_Main order by STU_ID"));
    Recordset writer;
    writer.open(m_fx->db().database(), QStringLiteral("select * from STU_Main order by STU_ID"));
    writer.addNew();
    writer.setField(QStringLiteral("STU_ID"), 4);
    writer.setField(QStringLiteral("StuNo"), QStringLiteral("NEW1"));
    writer.updateCurrent();

    before.setFilter({{QStringLiteral("StuNo"), QStringLiteral("NEW1")}});
    QCOMPARE(before.recordCount(), 0);
    Recordset after;
    after.open(m_fx->db().database(), QStringLiteral("select * from STU_Main order by STU_ID"));
    after.setFilter({{QStringLiteral("StuNo"), QStringLiteral("NEW1")}});
    QCOMPARE(after.recordCount(), 1);
    QCOMPARE(after.field(QStringLiteral("STU_ID")).toInt(), 4);
}

void TestRecordset::addNewIsFoundAtOnceAndWrittenBack()
{
    Recordset rs;
    rs.open(m_fx->db().database(), QStringLiteral("select * from STU_ObjectData order by STU_ID"));
    rs.setFilter({{QStringLiteral("stu_id"), 7}, {QStringLiteral("Object_ID"), 6}});
    QCOMPARE(rs.recordCount(), 0);
    rs.addNew();
    QCOMPARE(rs.recordCount(), 1);
    rs.setField(QStringLiteral("STU_ID"), 7);
    rs.setField(QStringLiteral("Object_ID"), 6);
    rs.setField(QStringLiteral("ObjectValue"), 7.45);
    rs.setField(QStringLiteral("ObjectType"), 5);
    rs.updateCurrent();

    rs.setFilter({{QStringLiteral("STU_ID"), 7}, {QStringLiteral("object_id"), 6}});
    QCOMPARE(rs.recordCount(), 1);
    QCOMPARE(rs.field(QStringLiteral("ObjectValue")).toDouble(), 7.45);

    const store::ResultTable stored = m_fx->db().database()->connection().query(
        QStringLiteral("SELECT ObjectValue, typeof(ObjectValue), ObjectType FROM STU_ObjectData "
                       "WHERE STU_ID=7"));
    QCOMPARE(stored.rowCount(), 1);
    QCOMPARE(stored.at(0, 0).toDouble(), 7.45);
    QCOMPARE(stored.at(0, 1).toString(), QStringLiteral("real"));
    QCOMPARE(stored.at(0, 2).toInt(), 5);
}

void TestRecordset::updateKeepsIndexCurrent()
{
    Recordset rs;
    rs.open(m_fx->db().database(), QStringLiteral("select * from STU_Main order by STU_ID"));
    rs.setFilter({{QStringLiteral("StuNo"), QStringLiteral("AB12")}});
    rs.setField(QStringLiteral("StuNo"), QStringLiteral("CD34"));
    rs.setField(QStringLiteral("Birthday"), QDate(1997, 9, 14));
    rs.updateCurrent();
    rs.setFilter({{QStringLiteral("StuNo"), QStringLiteral("AB12")}});
    QCOMPARE(rs.recordCount(), 0);
    rs.setFilter({{QStringLiteral("StuNo"), QStringLiteral("cd34")}});
    QCOMPARE(rs.recordCount(), 1);
    QCOMPARE(rs.field(QStringLiteral("Birthday")).toString(), QStringLiteral("1997-09-14"));

    const store::ResultTable stored = m_fx->db().database()->connection().query(
        QStringLiteral("SELECT StuNo, Birthday FROM STU_Main WHERE STU_ID=2"));
    QCOMPARE(stored.at(0, 0).toString(), QStringLiteral("CD34"));
    QCOMPARE(stored.at(0, 1).toString(), QStringLiteral("1997-09-14"));
}

void TestRecordset::walkingAndPositions()
{
    Recordset rs;
    rs.open(m_fx->db().database(), QStringLiteral("select * from STU_Main order by STU_ID"));
    rs.setFilter({{QStringLiteral("GroupNo"), QStringLiteral("1")}});
    QList<int> ids;
    while (!rs.eof()) {
        ids << rs.field(0).toInt();
        rs.moveNext();
    }
    QCOMPARE(ids, (QList<int>{0, 1}));
    QVERIFY_THROWS_EXCEPTION(store::StoreError, rs.moveNext());
    QVERIFY_THROWS_EXCEPTION(store::StoreError, rs.field(QStringLiteral("StuNo")));
    rs.moveFirst();
    QCOMPARE(rs.field(QStringLiteral("StuName")).toString(), QStringLiteral("张三"));
    rs.setFilter({{QStringLiteral("StuNo"), QStringLiteral("none")}});
    QVERIFY(rs.eof());
    QVERIFY_THROWS_EXCEPTION(store::StoreError, rs.moveLast());
}

void TestRecordset::readOnlyQueryAndParameters()
{
    Recordset rs;
    rs.open(m_fx->db().database(),
            QStringLiteral("select GroupNo as classNO, count(*) as StuCount from STU_Main where "
                           "GroupNo=? group by GroupNo"),
            {QStringLiteral("2")});
    QCOMPARE(rs.recordCount(), 1);
    QCOMPARE(rs.field(QStringLiteral("CLASSNO")).toString(), QStringLiteral("2"));
    QCOMPARE(rs.field(QStringLiteral("stucount")).toInt(), 2);
    QVERIFY_THROWS_EXCEPTION(store::StoreError, rs.addNew());
}

void TestRecordset::engineErrorsSurfaceAsStoreError()
{
    Recordset rs;
    QVERIFY_THROWS_EXCEPTION(
        store::StoreError, rs.open(m_fx->db().database(), QStringLiteral("select * from Nowhere")));
    QVERIFY(!rs.isOpen());
    QVERIFY_THROWS_EXCEPTION(store::StoreError, rs.recordCount());
    rs.open(m_fx->db().database(), QStringLiteral("STU_Main"));
    QVERIFY_THROWS_EXCEPTION(store::StoreError,
                             rs.setFilter({{QStringLiteral("NoSuchColumn"), 1}}));
    try {
        rs.open(m_fx->db().database(), QStringLiteral("selec broken"));
        QFAIL("a broken statement must throw");
    } catch (const store::StoreError& e) {
        QVERIFY(e.description().contains(QStringLiteral("syntax error")));
    }
}

void TestRecordset::failedWriteLeavesSnapshotAsItWas()
{
    Recordset rs;
    rs.open(m_fx->db().database(), QStringLiteral("select * from STU_Main order by STU_ID"));
    const int before = rs.recordCount();
    // The table disappears behind the snapshot's back: the write fails.
    m_fx->db().database()->connection().execute(QStringLiteral("DROP TABLE STU_Main"));
    rs.addNew();
    rs.setField(QStringLiteral("StuNo"), QStringLiteral("GHOST"));
    QVERIFY_THROWS_EXCEPTION(store::StoreError, rs.updateCurrent());
    rs.clearFilter();
    QCOMPARE(rs.recordCount(), before);
    rs.setFilter({{QStringLiteral("StuNo"), QStringLiteral("GHOST")}});
    QCOMPARE(rs.recordCount(), 0);

    rs.setFilter({{QStringLiteral("StuNo"), QStringLiteral("AB12")}});
    rs.setField(QStringLiteral("StuName"), QStringLiteral("changed"));
    QVERIFY_THROWS_EXCEPTION(store::StoreError, rs.updateCurrent());
    QCOMPARE(rs.field(QStringLiteral("StuName")).toString(), QStringLiteral("李四"));
}

QTEST_GUILESS_MAIN(TestRecordset)
#include "testrecordset.moc"
