#include "CValue.h"
#include "StoreTestSupport.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestCValue : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void fullFormCreatesThenReplaces();
    void replaceExistingOnly_data();
    void replaceExistingOnly();
    void failures();

private:
    QList<QVariantList> valueRows()
    {
        return storetest::rowsOf(m_fresh.db(), u"STU_ObjectData"_s,
                                 {u"STU_ID"_s, u"Object_ID"_s, u"ObjectValue"_s, u"ObjectType"_s});
    }

    storetest::FreshDatabase m_fresh;
    std::unique_ptr<platform::RecordingMessageService> m_boxes;
};

void TestCValue::init()
{
    QVERIFY(m_fresh.make());
    m_boxes = std::make_unique<platform::RecordingMessageService>();
}

void TestCValue::cleanup()
{
    m_boxes.reset();
    m_fresh.close();
}

void TestCValue::fullFormCreatesThenReplaces()
{
    CValue value(m_fresh.db());
    QCOMPARE(value.InsertValue(7, 6, 0.0, 5), 1);
    QCOMPARE(value.InsertValue(7, 61, 5.0, 9), 1);
    QCOMPARE(value.InsertValue(8, 6, 0.0, 5), 1);
    QCOMPARE(value.InsertValue(7, 6, 8.25, 4), 1);
    const QList<QVariantList> expected = {
        {7LL, 6LL, 8.25, 4LL}, {7LL, 61LL, 5.0, 9LL}, {8LL, 6LL, 0.0, 5LL}};
    QCOMPARE(valueRows(), expected);

    // Another object sees the rows as they are now and replaces in place too.
    CValue later(m_fresh.db());
    QCOMPARE(later.InsertValue(7, 6, 9.5, 5), 1);
    QCOMPARE(valueRows().size(), 3);
    QCOMPARE(valueRows().at(0), (QVariantList{7LL, 6LL, 9.5, 5LL}));
    QCOMPARE(m_boxes->count(), 0);
}

void TestCValue::replaceExistingOnly_data()
{
    QTest::addColumn<QVariant>("given");
    QTest::addColumn<long>("pupil");
    QTest::addColumn<long>("item");
    QTest::addColumn<bool>("stored");
    QTest::newRow("number") << QVariant(12.5) << 3L << 6L << true;
    QTest::newRow("number kept exactly") << QVariant(0.1 + 0.2) << 3L << 6L << true;
    QTest::newRow("text") << QVariant(u"12.5"_s) << 3L << 6L << true;
    QTest::newRow("text kept as given") << QVariant(u" 7'32 "_s) << 3L << 6L << true;
    QTest::newRow("number, pupil without the item") << QVariant(1.0) << 3L << 7L << false;
    QTest::newRow("text, unknown pupil") << QVariant(u"1"_s) << 4L << 6L << false;
}

void TestCValue::replaceExistingOnly()
{
    QFETCH(QVariant, given);
    QFETCH(long, pupil);
    QFETCH(long, item);
    QFETCH(bool, stored);

    CValue value(m_fresh.db());
    QCOMPARE(value.InsertValue(3, 6, 0.0, 5), 1);
    QCOMPARE(value.InsertValue(3, 61, 5.0, 9), 1);
    QCOMPARE(value.InsertValue(5, 7, 0.0, 6), 1);
    const QList<QVariantList> before = valueRows();

    const int result = given.typeId() == QMetaType::QString
                           ? value.InsertValue(pupil, item, given.toString())
                           : value.InsertValue(pupil, item, given.toDouble());
    QCOMPARE(result, stored ? 1 : 0);
    QList<QVariantList> expected = before;
    if (stored)
        expected[0] = {3LL, 6LL, given, 5LL}; // the item class is left alone
    const QList<QVariantList> after = valueRows();
    QCOMPARE(after, expected);
    if (stored)
        QCOMPARE(after.at(0).at(2).typeId(), given.typeId());
    QCOMPARE(m_boxes->count(), 0);
}

void TestCValue::failures()
{
    const QString signature =
        u"int\tCValue::InsertValue(CString strStuNO,long lItemNO,double dValue,long lItemClass)"_s;
    {
        CValue value(m_fresh.db());
        QCOMPARE(value.InsertValue(1, 6, 0.0, 5), 1);
        m_fresh.executeElsewhere(u"DROP TABLE STU_ObjectData"_s);

        QCOMPARE(value.InsertValue(1, 6, 3.5), 0);
        QVERIFY(storetest::reportedError(*m_boxes, signature).contains(u"no such table"_s));
        m_boxes->clear();
        QCOMPARE(value.InsertValue(1, 6, u"3.5"_s), 0);
        QVERIFY(!storetest::reportedError(*m_boxes, signature).isEmpty());
        m_boxes->clear();
        QCOMPARE(value.InsertValue(2, 6, 0.0, 5), 0);
        QVERIFY(!storetest::reportedError(*m_boxes, signature).isEmpty());
        m_boxes->clear();
        // The refused new row is not kept in the snapshot: the number form still finds none.
        QCOMPARE(value.InsertValue(2, 6, 1.0), 0);
        QCOMPARE(m_boxes->count(), 0);
    }

    CDB closed = m_fresh.db();
    closed.close();
    CValue value(closed);
    QVERIFY(!storetest::reportedError(*m_boxes, u"CValue::CValue(CDB myDB)"_s).isEmpty());
    m_boxes->clear();
    QCOMPARE(value.InsertValue(1, 6, 0.0, 5), 0);
    QCOMPARE(storetest::reportedError(*m_boxes, signature),
             u"Operation is not allowed when the object is closed."_s);
}

QTEST_GUILESS_MAIN(TestCValue)
#include "testcvalue.moc"
