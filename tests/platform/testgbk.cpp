#include "Gbk.h"

#include <QTest>

using namespace platform;

class TestGbk : public QObject
{
    Q_OBJECT
private slots:
    void roundTrip();
    void cutNeverSplitsACharacter_data();
    void cutNeverSplitsACharacter();
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
