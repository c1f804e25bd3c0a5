#include "CGradeItem.h"
#include "CItemInfo.h"
#include "StoreTestSupport.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestCItemInfo : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void itemInfo_data();
    void itemInfo();
    void itemClassIsSigned16();
    void gradeItems_data();
    void gradeItems();
    void gradeItemsAppend();
    void failures();

private:
    storetest::FreshDatabase m_fresh;
    std::unique_ptr<platform::RecordingMessageService> m_boxes;
};

void TestCItemInfo::init()
{
    QVERIFY(m_fresh.make());
    m_boxes = std::make_unique<platform::RecordingMessageService>();
}

void TestCItemInfo::cleanup()
{
    m_boxes.reset();
    m_fresh.close();
}

void TestCItemInfo::itemInfo_data()
{
    QTest::addColumn<long>("item");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<long>("itemClass");
    QTest::newRow("height") << 1L << 1 << u"身高"_s << u"厘米"_s << 1L;
    QTest::newRow("lung capacity") << 4L << 1 << u"肺活量"_s << u"毫升"_s << 3L;
    QTest::newRow("50 m run") << 6L << 1 << u"50米跑"_s << u"秒"_s << 5L;
    QTest::newRow("eyesight, no unit") << 61L << 1 << u"视力"_s << QString() << 9L;
    QTest::newRow("unknown item: outputs untouched")
        << 99L << 0 << u"untouched"_s << u"untouched"_s << -4L;
}

void TestCItemInfo::itemInfo()
{
    QFETCH(long, item);
    QFETCH(int, result);
    QFETCH(QString, name);
    QFETCH(QString, unit);
    QFETCH(long, itemClass);

    CItemInfo info(m_fresh.db());
    QString gotName = u"untouched"_s, gotUnit = u"untouched"_s;
    long gotClass = -4;
    QCOMPARE(info.GetItemInfoByItemNO(item, gotName, gotUnit, gotClass), result);
    QCOMPARE(gotName, name);
    QCOMPARE(gotUnit, unit);
    QCOMPARE(gotClass, itemClass);
    QCOMPARE(m_boxes->count(), 0);
}

void TestCItemInfo::itemClassIsSigned16()
{
    storetest::addRawRow(m_fresh.db(), u"Code03Dict"_s,
                         {{u"code"_s, 70}, {u"value"_s, u"甲"_s}, {u"SortIndex"_s, 65535}});
    storetest::addRawRow(m_fresh.db(), u"Code03Dict"_s,
                         {{u"code"_s, 71}, {u"value"_s, u"乙"_s}, {u"SortIndex"_s, -2}});
    CItemInfo info(m_fresh.db());
    QString name, unit;
    long itemClass = 0;
    QCOMPARE(info.GetItemInfoByItemNO(70, name, unit, itemClass), 1);
    QCOMPARE(itemClass, -1L);
    QCOMPARE(info.GetItemInfoByItemNO(71, name, unit, itemClass), 1);
    QCOMPARE(itemClass, -2L);
    QCOMPARE(unit, QString());
}

void TestCItemInfo::gradeItems_data()
{
    QTest::addColumn<long>("grade");
    QTest::addColumn<QString>("sex");
    QTest::addColumn<int>("result");
    QTest::addColumn<QList<long>>("items");
    QTest::newRow("grade 15 boy") << 15L << u"男"_s << 1 << QList<long>{6, 15, 10};
    QTest::newRow("girls differ") << 21L << u"女"_s << 1 << QList<long>{6, 7, 13};
    QTest::newRow("no third item") << 32L << u"女"_s << 1 << QList<long>{6, 10, -1};
    QTest::newRow("one item only") << 33L << u"男"_s << 1 << QList<long>{6, -1, -1};
    QTest::newRow("unknown grade") << 41L << u"男"_s << 0 << QList<long>{};
    QTest::newRow("unknown sex") << 15L << u"M"_s << 0 << QList<long>{};
    QTest::newRow("sex with a quote") << 15L << u"男' or '1'='1"_s << 0 << QList<long>{};
}

void TestCItemInfo::gradeItems()
{
    QFETCH(long, grade);
    QFETCH(QString, sex);
    QFETCH(int, result);
    QFETCH(QList<long>, items);

    CGradeItem gradeItem(m_fresh.db());
    QList<long> got;
    QCOMPARE(gradeItem.GetGradeItem(grade, sex, got), result);
    QCOMPARE(got, items);
    QCOMPARE(m_boxes->count(), 0);
}

void TestCItemInfo::gradeItemsAppend()
{
    CGradeItem gradeItem(m_fresh.db());
    QList<long> got = {42};
    QCOMPARE(gradeItem.GetGradeItem(14, u"女"_s, got), 1);
    QCOMPARE(gradeItem.GetGradeItem(14, u"女"_s, got), 1);
    QCOMPARE(gradeItem.GetGradeItem(11, u"?"_s, got), 0);
    QCOMPARE(got, (QList<long>{42, 6, 8, 10, 6, 8, 10}));
}

void TestCItemInfo::failures()
{
    // A grade row another program left with an empty item: reported, nothing appended.
    storetest::addRawRow(m_fresh.db(), u"prjzb"_s,
                         {{u"nj"_s, 51}, {u"xb"_s, u"男"_s}, {u"prj1"_s, 6}, {u"prj3"_s, 7}});
    const QString gradeSignature =
        u"int CGradeItem::GetGradeItem(CString strGradeNO,CDWordArray& saItemNO)"_s;
    const QString itemSignature = u"CItemInfo::GetItemInfoByItemNO(long lItemNO,CString& "
                                  u"strItemName,CString& strUnit,long& lItemClassNO)"_s;
    {
        CGradeItem gradeItem(m_fresh.db());
        QList<long> got;
        QCOMPARE(gradeItem.GetGradeItem(51, u"男"_s, got), 0);
        QVERIFY(storetest::reportedError(*m_boxes, gradeSignature).contains(u"prj2"_s));
        QVERIFY(got.isEmpty());
    }

    CDB closed = m_fresh.db();
    closed.close();
    m_boxes->clear();
    CItemInfo info(closed);
    QVERIFY(!storetest::reportedError(*m_boxes, u"CItemInfo::CItemInfo(CDB myDB)"_s).isEmpty());
    m_boxes->clear();
    QString name = u"kept"_s, unit;
    long itemClass = 0;
    QCOMPARE(info.GetItemInfoByItemNO(1, name, unit, itemClass), 0);
    QVERIFY(!storetest::reportedError(*m_boxes, itemSignature).isEmpty());
    QCOMPARE(name, u"kept"_s);

    m_boxes->clear();
    CGradeItem gradeItem(closed);
    QVERIFY(!storetest::reportedError(*m_boxes, u"CGradeItem::CGradeItem(CDB myDB)"_s).isEmpty());
    m_boxes->clear();
    QList<long> got;
    QCOMPARE(gradeItem.GetGradeItem(15, u"男"_s, got), 0);
    QVERIFY(!storetest::reportedError(*m_boxes, gradeSignature).isEmpty());
    QVERIFY(got.isEmpty());
}

QTEST_GUILESS_MAIN(TestCItemInfo)
#include "testcitemInfo.moc"
