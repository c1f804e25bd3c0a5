#include "CCard.h"
#include "CStudent.h"
#include "ListView.h"
#include "StoreTestSupport.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestCCard : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void oneRowPerPupil();
    void deletedCardIsListedEmpty();
    void pupilByCard_data();
    void pupilByCard();
    void emptyTable();
    void rowsLeftByOthers();
    void failures();
    void failedWriteDoesNotSpoilTheNext();

private:
    QList<QVariantList> cardRows()
    {
        return storetest::rowsOf(m_fresh.db(), u"STU_Card"_s, {u"StuID"_s, u"CardNO"_s});
    }

    storetest::FreshDatabase m_fresh;
    std::unique_ptr<platform::RecordingMessageService> m_boxes;
};

void TestCCard::init()
{
    QVERIFY(m_fresh.make());
    m_boxes = std::make_unique<platform::RecordingMessageService>();
}

void TestCCard::cleanup()
{
    m_boxes.reset();
    m_fresh.close();
}

void TestCCard::oneRowPerPupil()
{
    CCard card(m_fresh.db());
    QCOMPARE(card.InsertUpdateCard(4, u"A100"_s), 1);
    QCOMPARE(card.InsertUpdateCard(2, u"B200"_s), 1);
    QCOMPARE(card.InsertUpdateCard(4, u" A101 "_s), 1); // stored as given, blanks and all
    QCOMPARE(cardRows(), (QList<QVariantList>{{4LL, u" A101 "_s}, {2LL, u"B200"_s}}));

    QString number;
    QCOMPARE(card.GetCardNOByStuID(number, 4), 1);
    QCOMPARE(number, u" A101 "_s);

    // A later object finds the row and changes it rather than adding one.
    CCard later(m_fresh.db());
    QCOMPARE(later.InsertUpdateCard(2, u"B201"_s), 1);
    QCOMPARE(cardRows(), (QList<QVariantList>{{4LL, u" A101 "_s}, {2LL, u"B201"_s}}));
    QCOMPARE(m_boxes->count(), 0);
}

void TestCCard::deletedCardIsListedEmpty()
{
    CStudent student(m_fresh.db());
    QCOMPARE(student.InsertStu(u"甲"_s, 11, 3, u"一(3)班"_s, u"男"_s, QDate(2018, 1, 1), 1, u"s0"_s,
                               QString(), QString()),
             1);
    CCard card(m_fresh.db());
    QCOMPARE(card.InsertUpdateCard(0, u"C1"_s), 1);
    QCOMPARE(card.InsertUpdateCard(0, QString()), 1);

    QString number = u"old"_s;
    QCOMPARE(card.GetCardNOByStuID(number, 0), 1);
    QCOMPARE(number, QString());
    long id = -1;
    QCOMPARE(card.GetStuIDByCardNO(id, u"C1"_s), 0);
    QCOMPARE(cardRows(), (QList<QVariantList>{{0LL, QString()}}));

    platform::MemoryListView list;
    QCOMPARE(student.ViewStuCardNO(u"3"_s, &list), 1);
    QCOMPARE(list.row(0), (QStringList{u"0"_s, u"s0"_s, u"甲"_s, QString()}));
    QCOMPARE(m_boxes->count(), 0);
}

void TestCCard::pupilByCard_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("read");
    QTest::addColumn<long>("pupil");
    QTest::newRow("exact") << u"3001234567"_s << u"3001234567"_s << 9L;
    QTest::newRow("read with trailing blanks") << u"3001234567"_s << u"3001234567    "_s << 9L;
    QTest::newRow("stored with trailing blanks") << u"3001234567  "_s << u"3001234567"_s << 9L;
    QTest::newRow("leading blank kept") << u"3001234567"_s << u" 3001234567"_s << -1L;
    QTest::newRow("tab is no blank") << u"3001234567"_s << u"3001234567\t"_s << -1L;
    QTest::newRow("quote matched") << u"AB'12"_s << u"AB'12"_s << 9L;
    QTest::newRow("quote not doubled") << u"AB'12"_s << u"AB''12"_s << -1L;
    QTest::newRow("not stored") << u"3001234567"_s << u"3001234568"_s << -1L;
}

void TestCCard::pupilByCard()
{
    QFETCH(QString, stored);
    QFETCH(QString, read);
    QFETCH(long, pupil);

    CCard card(m_fresh.db());
    QCOMPARE(card.InsertUpdateCard(3, u"other"_s), 1);
    QCOMPARE(card.InsertUpdateCard(9, stored), 1);
    CCard later(m_fresh.db());
    for (CCard* c : {&card, &later}) {
        long id = -1;
        QCOMPARE(c->GetStuIDByCardNO(id, read), pupil >= 0 ? 1 : 0);
        QCOMPARE(id, pupil);
    }
    QCOMPARE(m_boxes->count(), 0);
}

void TestCCard::emptyTable()
{
    CCard card(m_fresh.db());
    long id = 5;
    QString number = u"kept"_s;
    QCOMPARE(card.GetStuIDByCardNO(id, u"1"_s), 0);
    QCOMPARE(card.GetStuIDByCardNO(id, QString()), 0);
    QCOMPARE(card.GetCardNOByStuID(number, 0), 0);
    QCOMPARE(id, 5L);
    QCOMPARE(number, u"kept"_s);
    QCOMPARE(m_boxes->count(), 0);
}

void TestCCard::rowsLeftByOthers()
{
    // Rows another program wrote: a card without pupil, a pupil with a null card, and a card
    // number written twice; the first row in identifier order wins.
    storetest::addRawRow(m_fresh.db(), u"STU_Card"_s, {{u"CardNO"_s, u"orphan"_s}});
    storetest::addRawRow(m_fresh.db(), u"STU_Card"_s, {{u"StuID"_s, 6}});
    storetest::addRawRow(m_fresh.db(), u"STU_Card"_s, {{u"StuID"_s, 8}, {u"CardNO"_s, u"twice"_s}});
    storetest::addRawRow(m_fresh.db(), u"STU_Card"_s, {{u"StuID"_s, 7}, {u"CardNO"_s, u"twice"_s}});
    CCard card(m_fresh.db());

    long id = 5;
    QCOMPARE(card.GetStuIDByCardNO(id, u"orphan"_s), 0);
    QCOMPARE(id, 0L);
    QCOMPARE(card.GetStuIDByCardNO(id, u"twice"_s), 1);
    QCOMPARE(id, 7L);
    QString number = u"old"_s;
    QCOMPARE(card.GetCardNOByStuID(number, 6), 0);
    QCOMPARE(number, QString());
    QCOMPARE(m_boxes->count(), 0);
}

void TestCCard::failures()
{
    const QString insertUpdate = u"int  CCard::InsertUpdateCard(long lStuID,CString strStuNO)"_s;
    {
        // A number longer than the table's 50 characters is refused, as the original engine did.
        CCard card(m_fresh.db());
        QCOMPARE(card.InsertUpdateCard(1, QString(50, u'好')), 1);
        QCOMPARE(card.InsertUpdateCard(1, QString(51, u'9')), 0);
        QVERIFY(storetest::reportedError(*m_boxes, insertUpdate).contains(u"超过50个字符"_s));
        QCOMPARE(cardRows(), (QList<QVariantList>{{1LL, QString(50, u'好')}}));
        m_boxes->clear();
    }
    {
        CCard card(m_fresh.db());
        m_fresh.executeElsewhere(u"DROP TABLE Stu_card"_s);
        QCOMPARE(card.InsertUpdateCard(1, u"C1"_s), 0);
        QVERIFY(storetest::reportedError(*m_boxes, insertUpdate).contains(u"no such table"_s));
        m_boxes->clear();
        long id = -1;
        QCOMPARE(card.GetStuIDByCardNO(id, u"C1"_s), 0); // not kept in the snapshot either
        QCOMPARE(m_boxes->count(), 0);
    }
    CCard missing(m_fresh.db());
    QVERIFY(storetest::reportedError(*m_boxes, u"CCard::CCard(CDB myDB)"_s)
                .contains(u"no such table"_s));

    const struct {
        QString signature;
        std::function<int()> call;
    } cases[] = {
        {insertUpdate, [&] { return missing.InsertUpdateCard(1, u"C"_s); }},
        {insertUpdate,
         [&] {
             long id = 3;
             return missing.GetStuIDByCardNO(id, u"C"_s) + (id == 3 ? 0 : 10);
         }},
        {u"int  CCard::GetCardNOByStuID(CString& strCardNO,long lStuID)"_s,
         [&] {
             QString number = u"kept"_s;
             return missing.GetCardNOByStuID(number, 1) + (number == u"kept"_s ? 0 : 10);
         }},
    };
    for (const auto& c : cases) {
        m_boxes->clear();
        QCOMPARE(c.call(), 0);
        QVERIFY2(!storetest::reportedError(*m_boxes, c.signature).isEmpty(),
                 qPrintable(m_boxes->texts().join(u'|')));
    }
}

void TestCCard::failedWriteDoesNotSpoilTheNext()
{
    CCard card(m_fresh.db());
    if (m_fresh.onServer())
        m_fresh.executeElsewhere(
            u"ALTER TABLE Stu_card ADD CONSTRAINT refused CHECK (CardNO <> 'bad')"_s);
    else
        m_fresh.executeElsewhere(
            u"CREATE TRIGGER refuse BEFORE INSERT ON Stu_card "
            u"WHEN NEW.CardNO = 'bad' BEGIN SELECT RAISE(ABORT, 'refused'); END"_s);
    QCOMPARE(card.InsertUpdateCard(1, u"bad"_s), 0);
    QVERIFY(storetest::reportedError(
                *m_boxes, u"int  CCard::InsertUpdateCard(long lStuID,CString strStuNO)"_s)
                .contains(u"refused"_s));
    m_boxes->clear();
    // The same statement runs again for the next card and must not repeat the old error.
    QCOMPARE(card.InsertUpdateCard(2, u"good"_s), 1);
    QCOMPARE(m_boxes->count(), 0);
    QCOMPARE(cardRows(), (QList<QVariantList>{{2LL, u"good"_s}}));
}

QTEST_GUILESS_MAIN(TestCCard)
#include "testccard.moc"
