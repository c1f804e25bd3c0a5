#include "TextRules.h"

#include <QTemporaryDir>
#include <QTest>

using namespace platform;

class TestTextRules : public QObject
{
    Q_OBJECT
private slots:
    void conversions_data();
    void conversions();
    void blanks();
    void extensionAndExistence();
};

void TestTextRules::conversions_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<long>("asLong");
    QTest::addColumn<double>("asDouble");
    QTest::newRow("plain") << "745" << 745L << 745.0;
    QTest::newRow("leading blanks") << "  7.45" << 7L << 7.45;
    QTest::newRow("leading tab") << "\t12" << 12L << 12.0;
    QTest::newRow("stops at letter") << "12ab" << 12L << 12.0;
    QTest::newRow("no digits") << "abc" << 0L << 0.0;
    QTest::newRow("five blanks") << "     " << 0L << 0.0;
    QTest::newRow("sign") << "-3.5" << -3L << -3.5;
    QTest::newRow("item code with blank") << "6 " << 6L << 6.0;
    QTest::newRow("blank then item code") << " 6" << 6L << 6.0;
    QTest::newRow("exponent") << "1e2" << 1L << 100.0;
    QTest::newRow("comma is no point") << "1,5" << 1L << 1.0;
    QTest::newRow("empty") << "" << 0L << 0.0;
}

void TestTextRules::conversions()
{
    QFETCH(QString, text);
    QFETCH(long, asLong);
    QFETCH(double, asDouble);
    QCOMPARE(atolC(text), asLong);
    QCOMPARE(atofC(text), asDouble);
}

void TestTextRules::blanks()
{
    const QString padded = QStringLiteral("  \t20070803 \t  ");
    QCOMPARE(trimLeftBlanks(padded), QStringLiteral("\t20070803 \t  "));
    QCOMPARE(trimRightBlanks(padded), QStringLiteral("  \t20070803 \t"));
    QCOMPARE(trimBlanks(padded), QStringLiteral("\t20070803 \t"));
    QCOMPARE(trimBlanks(QStringLiteral("   ")), QString());
    QCOMPARE(trimBlanks(QStringLiteral(" 张 三 ")), QStringLiteral("张 三"));
}

void TestTextRules::extensionAndExistence()
{
    QVERIFY(endsWithExactly(QStringLiteral("/a/school.mdb"), QStringLiteral("mdb")));
    QVERIFY(!endsWithExactly(QStringLiteral("/a/school.MDB"), QStringLiteral("mdb")));
    QVERIFY(endsWithExactly(QStringLiteral("schoolmdb"), QStringLiteral("mdb")));
    QVERIFY(!endsWithExactly(QStringLiteral("db"), QStringLiteral("mdb")));

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("x.mdb"));
    QVERIFY(!fileExists(file));
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    QVERIFY(fileExists(file));
    QVERIFY(!fileExists(dir.path()));
    QVERIFY(!fileExists(QString()));
}

QTEST_GUILESS_MAIN(TestTextRules)
#include "testtextrules.moc"
