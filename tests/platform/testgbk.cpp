#include "Gbk.h"
#include "GbkCut.h"
#include "wire.h"

#include <QTest>

using namespace platform;

class TestGbk : public QObject
{
    Q_OBJECT
private slots:
    void roundTrip();
    void cutNeverSplitsACharacter_data();
    void cutNeverSplitsACharacter();
    void stationAndLibraryCutAlike_data();
    void stationAndLibraryCutAlike();
    void unencodableIsAnError();
};

void TestGbk::roundTrip()
{
    bool ok = false;
    const QByteArray bytes = toGbk(QStringLiteral("初一(3)班"), &ok);
    QVERIFY(ok);
    QCOMPARE(bytes.size(), 9); // four Chinese characters of two bytes, three ASCII
    QCOMPARE(bytes.left(2), QByteArray("\xb3\xf5"));
    QCOMPARE(fromGbk(bytes, &ok), QStringLiteral("初一(3)班"));
    QVERIFY(ok);
}

void TestGbk::cutNeverSplitsACharacter_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("maxBytes");
    QTest::addColumn<QString>("expected");
    QTest::newRow("fits") << "初一(3)班" << 16 << "初一(3)班";
    QTest::newRow("cut inside a character") << "初一年级三班学生" << 15 << "初一年级三班学";
    QTest::newRow("cut on a boundary") << "初一年级三班学生" << 16 << "初一年级三班学生";
    QTest::newRow("ascii then chinese") << "A初一" << 4 << "A初";
    QTest::newRow("ascii then chinese odd") << "AB初一" << 5 << "AB初";
    QTest::newRow("nothing fits") << "初" << 1 << "";
}

void TestGbk::cutNeverSplitsACharacter()
{
    QFETCH(QString, text);
    QFETCH(int, maxBytes);
    QFETCH(QString, expected);
    const QByteArray cut = toGbkCut(text, maxBytes);
    QVERIFY(cut.size() <= maxBytes);
    QCOMPARE(fromGbk(cut), expected);
    QCOMPARE(cutGbkBytes(toGbk(text), maxBytes), cut);
}

void TestGbk::stationAndLibraryCutAlike_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("limit");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray chu("\xb3\xf5"); // 初
    const QByteArray fourByte("\x81\x30\x81\x30");
    QTest::newRow("ascii fits") << QByteArray("abc") << 16 << QByteArray("abc");
    QTest::newRow("limit inside a two-byte character") << chu + chu << 3 << chu;
    QTest::newRow("lone lead byte at the end") << QByteArray("ab\xb8") << 16 << QByteArray("ab");
    QTest::newRow("lone lead byte only") << QByteArray("\x81") << 4 << QByteArray();
    QTest::newRow("0xFF stands alone") << QByteArray("\xff\xff") << 1 << QByteArray("\xff");
    QTest::newRow("0xFF does not lead") << QByteArray("a\xff") + chu << 3 << QByteArray("a\xff");
    QTest::newRow("0x80 stands alone") << QByteArray("\x80") + chu << 2 << QByteArray("\x80");
    QTest::newRow("four-byte character whole") << "a" + fourByte << 5 << "a" + fourByte;
    QTest::newRow("limit inside a four-byte character") << "a" + fourByte << 4 << QByteArray("a");
    QTest::newRow("limit after half a four-byte character")
        << "a" + fourByte << 3 << QByteArray("a");
    QTest::newRow("four-byte character cut off by the end")
        << QByteArray("a\x81\x30\x81") << 16 << QByteArray("a");
    QTest::newRow("two bytes of a four-byte character only")
        << QByteArray("\x81\x30") << 16 << QByteArray();
    QTest::newRow("mixed widths fit") << "A" + chu + fourByte + "B" << 7 << "A" + chu + fourByte;
    QTest::newRow("mixed widths cut") << "A" + chu + fourByte + "B" << 6 << "A" + chu;
    QTest::newRow("zero limit") << chu << 0 << QByteArray();
    QTest::newRow("negative limit") << chu << -1 << QByteArray();
}

// The station (platform) and the machine-interface library (its wire code) cut by one rule.
void TestGbk::stationAndLibraryCutAlike()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, limit);
    QFETCH(QByteArray, expected);
    QCOMPARE(cutGbkBytes(bytes, limit), expected);
    if (limit < 0)
        return;
    const std::string_view view(bytes.constData(), size_t(bytes.size()));
    const std::string_view cut = sorvik::wire::gbkCut(view, size_t(limit));
    QCOMPARE(QByteArray(cut.data(), qsizetype(cut.size())), expected);
}

void TestGbk::unencodableIsAnError()
{
    bool ok = true;
    toGbk(QStringLiteral("😀"), &ok);
    QVERIFY(!ok);
    fromGbk(QByteArray("\x81", 1), &ok); // a lead byte without its trail byte
    QVERIFY(!ok);
}

QTEST_GUILESS_MAIN(TestGbk)
#include "testgbk.moc"
