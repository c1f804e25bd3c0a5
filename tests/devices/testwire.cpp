// Record packing and GBK cutting shared by the library and the instrument.

#include "wire.h"

#include <QStringEncoder>
#include <QTest>

using namespace Qt::StringLiterals;
using sorvik::wire::Record;

Q_DECLARE_METATYPE(Record)

namespace
{

Record single(std::string number, std::uint8_t item, std::string value, int year = 2024,
              int month = 5, int day = 6, int hour = 9, int minute = 30)
{
    return Record{std::move(number), item, std::move(value), {}, year, month, day, hour, minute};
}

Record twin(std::string number, std::string height, std::string weight)
{
    return Record{std::move(number),
                  sorvik::wire::DoubleItem,
                  std::move(height),
                  std::move(weight),
                  0,
                  0,
                  0,
                  0,
                  0};
}

} // namespace

class WireTest : public QObject
{
    Q_OBJECT

private slots:
    void recordRoundTrip_data();
    void recordRoundTrip();
    void invalidRecordsAreNotEncoded_data();
    void invalidRecordsAreNotEncoded();
    void gbkCut_data();
    void gbkCut();
};

void WireTest::recordRoundTrip_data()
{
    QTest::addColumn<Record>("record");

    QTest::newRow("item 6") << single("2024001", 6, "745");
    QTest::newRow("every value character") << single("1", 9, "0123'");
    QTest::newRow("more characters") << single("1", 9, "4:5\"-");
    QTest::newRow("one character") << single("1", 7, "9");
    QTest::newRow("first year, first minute") << single("1", 1, "99.9", 2010, 1, 1, 0, 0);
    QTest::newRow("last year, last minute") << single("1", 1, "99.9", 2137, 12, 31, 23, 59);
    QTest::newRow("20-byte number") << single("ABCDEFGHIJ0123456789", 255, "-10.0");
    QTest::newRow("GBK number") << single(
        QByteArray(QStringEncoder("GBK").encode(u"学号一"_s)).toStdString(), 3, "3200");
    QTest::newRow("double") << twin("2024003", "170.5", "65.5");
    QTest::newRow("double, short values") << twin("2024003", "99", "9");
}

void WireTest::recordRoundTrip()
{
    QFETCH(Record, record);
    sorvik::wire::RawRecord raw;
    raw.fill(0xCC);
    QVERIFY(sorvik::wire::encodeRecord(record, raw));
    QCOMPARE(raw[20], record.item);
    Record back;
    QVERIFY(sorvik::wire::decodeRecord(raw.data(), back));
    QVERIFY(back == record);
}

void WireTest::invalidRecordsAreNotEncoded_data()
{
    QTest::addColumn<Record>("record");

    QTest::newRow("empty number") << single("", 6, "745");
    QTest::newRow("21-byte number") << single("ABCDEFGHIJ0123456789X", 6, "745");
    QTest::newRow("NUL inside number") << single(std::string("12\0"
                                                             "34",
                                                             5),
                                                 6, "745");
    QTest::newRow("item 0") << single("1", 0, "745");
    QTest::newRow("empty value") << single("1", 6, "");
    QTest::newRow("six characters") << single("1", 6, "123456");
    QTest::newRow("letter") << single("1", 6, "7s");
    QTest::newRow("space") << single("1", 6, "7 45");
    QTest::newRow("2009") << single("1", 6, "745", 2009);
    QTest::newRow("2138") << single("1", 6, "745", 2138);
    QTest::newRow("month 0") << single("1", 6, "745", 2024, 0);
    QTest::newRow("day 32") << single("1", 6, "745", 2024, 1, 32);
    QTest::newRow("hour 24") << single("1", 6, "745", 2024, 1, 1, 24);
    QTest::newRow("minute 60") << single("1", 6, "745", 2024, 1, 1, 0, 60);
    QTest::newRow("weight of 5 characters") << twin("1", "170.5", "100.5");
    QTest::newRow("no weight") << twin("1", "170.5", "");
    QTest::newRow("weight on a single record") << Record{"1", 6, "745", "1", 2024, 5, 6, 9, 30};
}

void WireTest::invalidRecordsAreNotEncoded()
{
    QFETCH(Record, record);
    sorvik::wire::RawRecord raw;
    raw.fill(0xCC);
    QVERIFY(!sorvik::wire::encodeRecord(record, raw));
}

void WireTest::gbkCut_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("limit");
    QTest::addColumn<int>("length");

    const QByteArray chinese = QStringEncoder("GBK").encode(u"高一年级三班体育"_s);
    QTest::newRow("short ascii") << QByteArray("abc") << 16 << 3;
    QTest::newRow("ascii over") << QByteArray("abcdefghijklmnopq") << 16 << 16;
    QTest::newRow("chinese fits") << chinese << 16 << 16;
    QTest::newRow("chinese, odd limit") << chinese << 15 << 14;
    QTest::newRow("shifted by one") << QByteArray("1") + chinese << 16 << 15;
    QTest::newRow("input ends in a lead byte") << QByteArray("ab\xb8") << 16 << 2;
    QTest::newRow("four-byte character whole") << QByteArray("a\x81\x30\x81\x30") << 5 << 5;
    QTest::newRow("four-byte character cut") << QByteArray("a\x81\x30\x81\x30") << 4 << 1;
    QTest::newRow("four-byte character truncated input") << QByteArray("a\x81\x30\x81") << 16 << 1;
    QTest::newRow("0x80 and 0xFF stand alone") << QByteArray("\x80\xff\x80") << 2 << 2;
    QTest::newRow("zero limit") << chinese << 0 << 0;
}

void WireTest::gbkCut()
{
    QFETCH(QByteArray, text);
    QFETCH(int, limit);
    QFETCH(int, length);
    QCOMPARE(int(sorvik::wire::gbkCutLength(std::string_view(text.constData(), size_t(text.size())),
                                            size_t(limit))),
             length);
}

QTEST_GUILESS_MAIN(WireTest)
#include "testwire.moc"
