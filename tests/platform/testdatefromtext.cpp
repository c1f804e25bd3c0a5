#include "DateFromText.h"

#include <QTest>

using namespace Qt::StringLiterals;

// The birth-date reading of the student import: what counts as a date, and what an unreadable
// text turns into.
class TestDateFromText : public QObject
{
    Q_OBJECT
private slots:
    void dates_data();
    void dates();
};

void TestDateFromText::dates_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<bool>("valid");
    const QDate zero(1899, 12, 30);
    QTest::newRow("help dialog sample") << u"1997-9-14"_s << QDate(1997, 9, 14) << true;
    QTest::newRow("leading zeros") << u"1997-09-04"_s << QDate(1997, 9, 4) << true;
    QTest::newRow("slashes") << u"1997/9/4"_s << QDate(1997, 9, 4) << true;
    QTest::newRow("slashes with zeros") << u"2001/01/02"_s << QDate(2001, 1, 2) << true;
    QTest::newRow("date cell") << u"1997-09-14"_s << QDate(1997, 9, 14) << true;
    QTest::newRow("date and time cell") << u"2001-02-03 04:05:06"_s << QDate(2001, 2, 3) << true;
    QTest::newRow("time without seconds") << u"2001-02-03 14:05"_s << QDate(2001, 2, 3) << true;
    QTest::newRow("surrounding blanks") << u"  1997-9-14 "_s << QDate(1997, 9, 14) << true;
    QTest::newRow("leap day") << u"2000-2-29"_s << QDate(2000, 2, 29) << true;
    QTest::newRow("zero date itself") << u"1899-12-30"_s << zero << true;
    QTest::newRow("empty") << QString() << zero << false;
    QTest::newRow("blanks only") << u"   "_s << zero << false;
    QTest::newRow("words") << u"明天"_s << zero << false;
    QTest::newRow("month 13") << u"1996-13-4"_s << zero << false;
    QTest::newRow("day 40") << u"1996-1-40"_s << zero << false;
    QTest::newRow("no leap day") << u"1999-2-29"_s << zero << false;
    QTest::newRow("mixed separators") << u"1997-9/14"_s << zero << false;
    QTest::newRow("dots") << u"1997.9.14"_s << zero << false;
    QTest::newRow("day first") << u"14-9-1997"_s << zero << false;
    QTest::newRow("two-digit year") << u"97-9-14"_s << zero << false;
    QTest::newRow("three-digit month") << u"1997-009-14"_s << zero << false;
    QTest::newRow("trailing text") << u"1997-9-14x"_s << zero << false;
    QTest::newRow("hour 25") << u"1997-9-14 25:00:00"_s << zero << false;
    QTest::newRow("Chinese date") << u"1997年9月14日"_s << zero << false;
    QTest::newRow("full-width digits") << u"１９９７-９-１４"_s << zero << false;
    QTest::newRow("number cell") << u"35687"_s << zero << false;
    QTest::newRow("year before 100") << u"0099-1-1"_s << zero << false;
}

void TestDateFromText::dates()
{
    QFETCH(QString, text);
    QFETCH(QDate, date);
    QFETCH(bool, valid);
    const platform::ImportDate parsed = platform::dateFromText(text);
    QCOMPARE(parsed.date, date);
    QCOMPARE(parsed.bValid, valid);
}

QTEST_GUILESS_MAIN(TestDateFromText)
#include "testdatefromtext.moc"
