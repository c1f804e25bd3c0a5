// Collector records without any transport: the record buffer, record building, the settings
// texts and the simulator's invented values.

#include "CollectorRecord.h"
#include "CollectorSettings.h"
#include "CollectorSource.h"
#include "RecordBuffer.h"
#include "SerialCollectorSource.h"
#include "SimulatedCollectorSource.h"
#include "TcpCollectorSource.h"

#include <QRegularExpression>
#include <QStringEncoder>
#include <QTest>

#include <cctype>

using namespace sorvik::collector;

namespace
{

QByteArray gbk(const QString& text)
{
    QStringEncoder enc("GBK");
    return enc.encode(text);
}

QByteArray record(const QByteArray& id, int item, const QByteArray& value)
{
    return makeRecord(id, item, value);
}

} // namespace

class TestCollectorRecords : public QObject
{
    Q_OBJECT
private slots:
    void makeRecordPadsAndCuts_data();
    void makeRecordPadsAndCuts();
    void bufferHandsOutWholeRecordsOnly_data();
    void bufferHandsOutWholeRecordsOnly();
    void bufferDropsTailOnlyWhenAsked();
    void settingsRoundTrip();
    void settingsFallBackToDefaults_data();
    void settingsFallBackToDefaults();
    void factoryMakesTheChosenSource_data();
    void factoryMakesTheChosenSource();
    void simulatedValuesArePlausible_data();
    void simulatedValuesArePlausible();
    void simulatorSendsRecordsOfItsPupils();
    void simulatorLeavesOutWhatARecordCannotCarry();
    void simulatorInventsStudentNumbersWithoutPupils();
};

void TestCollectorRecords::makeRecordPadsAndCuts_data()
{
    QTest::addColumn<QByteArray>("identifier");
    QTest::addColumn<int>("item");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("student number") << QByteArray("20070803") << 6 << QByteArray("745")
                                    << QByteArray("20070803            06  745");
    QTest::newRow("full fields") << QByteArray("ABCDEFGHIJ0123456789") << 61 << QByteArray("12345")
                                 << QByteArray("ABCDEFGHIJ01234567896112345");
    QTest::newRow("too long is cut")
        << QByteArray("ABCDEFGHIJ0123456789XY") << 1 << QByteArray("9876543")
        << QByteArray("ABCDEFGHIJ01234567890176543");
    QTest::newRow("chinese identifier")
        << gbk(QStringLiteral("张三")) << 7 << QByteArray("210")
        << gbk(QStringLiteral("张三")) + QByteArray("                07  210");
}

void TestCollectorRecords::makeRecordPadsAndCuts()
{
    QFETCH(QByteArray, identifier);
    QFETCH(int, item);
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, expected);
    const QByteArray r = makeRecord(identifier, item, value);
    QCOMPARE(r.size(), kRecordBytes);
    QCOMPARE(r, expected);
}

void TestCollectorRecords::bufferHandsOutWholeRecordsOnly_data()
{
    QTest::addColumn<int>("chunk");
    for (int chunk : {1, 2, 13, 26, 27, 28, 53, 54, 100})
        QTest::addRow("chunks of %d", chunk) << chunk;
}

void TestCollectorRecords::bufferHandsOutWholeRecordsOnly()
{
    QFETCH(int, chunk);
    QByteArray stream;
    for (int i = 0; i < 7; ++i)
        stream += record(QByteArray::number(1000 + i), i, QByteArray::number(i * 11));
    stream += "partial";

    RecordBuffer buffer;
    QByteArray out;
    for (qsizetype at = 0; at < stream.size(); at += chunk) {
        buffer.append(stream.mid(at, chunk));
        const QByteArray whole = buffer.takeWhole();
        QCOMPARE(whole.size() % kRecordBytes, 0);
        out += whole;
        QVERIFY(buffer.tailSize() < kRecordBytes);
    }
    QCOMPARE(out, stream.left(7 * kRecordBytes));
    QCOMPARE(buffer.tailSize(), qsizetype(7));
}

void TestCollectorRecords::bufferDropsTailOnlyWhenAsked()
{
    RecordBuffer buffer;
    const QByteArray r = record("42", 1, "1");
    buffer.append(r.left(20));
    QVERIFY(buffer.takeWhole().isEmpty());
    QVERIFY(buffer.takeWhole().isEmpty());
    buffer.append(r.mid(20));
    QCOMPARE(buffer.takeWhole(), r);
    buffer.append(r.left(5));
    QCOMPARE(buffer.dropTail(), qsizetype(5));
    buffer.append(r);
    QCOMPARE(buffer.takeWhole(), r);
}

void TestCollectorRecords::settingsRoundTrip()
{
    CollectorSettings s;
    s.source = SourceKind::Serial;
    s.address = QStringLiteral("0.0.0.0");
    s.port = 12345;
    s.device = QStringLiteral("/dev/ttyS1");
    s.baud = 115200;
    s.rate = 240;
    s.simulateCards = true;
    const QMap<QString, QString> values = s.toValues();
    QCOMPARE(values.keys(), [] {
        QStringList k = CollectorSettings::keys();
        k.sort();
        return k;
    }());
    QCOMPARE(values.value(QStringLiteral("source")), QStringLiteral("serial"));
    QCOMPARE(values.value(QStringLiteral("identifiers")), QStringLiteral("card"));
    QCOMPARE(CollectorSettings::fromValues(values), s);
    QCOMPARE(CollectorSettings::fromValues({}), CollectorSettings());
}

void TestCollectorRecords::settingsFallBackToDefaults_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("text");
    QTest::newRow("unknown source") << "source"
                                    << "usb";
    QTest::newRow("port 0") << "port"
                            << "0";
    QTest::newRow("port too big") << "port"
                                  << "65536";
    QTest::newRow("port not a number") << "port"
                                       << "eighty";
    QTest::newRow("address not an address") << "address"
                                            << "localhost:80";
    QTest::newRow("empty device") << "device"
                                  << "  ";
    QTest::newRow("negative baud") << "baud"
                                   << "-9600";
    QTest::newRow("rate 0") << "rate"
                            << "0";
    QTest::newRow("rate too fast") << "rate"
                                   << "600001";
    QTest::newRow("unknown identifiers") << "identifiers"
                                         << "name";
}

void TestCollectorRecords::settingsFallBackToDefaults()
{
    QFETCH(QString, key);
    QFETCH(QString, text);
    QCOMPARE(CollectorSettings::fromValues({{key, text}}), CollectorSettings());
}

void TestCollectorRecords::factoryMakesTheChosenSource_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("className");
    QTest::newRow("tcp") << "tcp"
                         << "sorvik::collector::TcpCollectorSource";
    QTest::newRow("serial") << "Serial"
                            << "sorvik::collector::SerialCollectorSource";
    QTest::newRow("simulator") << "simulator"
                               << "sorvik::collector::SimulatedCollectorSource";
}

void TestCollectorRecords::factoryMakesTheChosenSource()
{
    QFETCH(QString, source);
    QFETCH(QString, className);
    const auto s =
        makeCollectorSource(CollectorSettings::fromValues({{QStringLiteral("source"), source}}));
    QVERIFY(s);
    QCOMPARE(QString::fromLatin1(s->metaObject()->className()), className);
    QVERIFY(!s->isActive());
    QVERIFY(s->takeRecords().isEmpty());
}

void TestCollectorRecords::simulatedValuesArePlausible_data()
{
    QTest::addColumn<int>("item");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    QTest::newRow("height") << 1 << R"(\d{2,3}\.\d)" << 110.0 << 185.0;
    QTest::newRow("weight") << 2 << R"(\d{2}\.\d)" << 18.0 << 85.0;
    QTest::newRow("vital capacity") << 4 << R"(\d{3,4})" << 800.0 << 4500.0;
    // Hundredths of a second without the point: the station puts it back.
    QTest::newRow("50 m run") << 6 << R"(\d{3,4})" << 650.0 << 1200.0;
    QTest::newRow("sit and reach") << 8 << R"(-?\d{1,2}\.\d)" << -5.0 << 25.0;
    QTest::newRow("1000 m run") << 12 << R"([345]\.[0-5]\d)" << 3.20 << 5.30;
    QTest::newRow("eyesight") << 61 << R"([45]\.\d)" << 4.0 << 5.3;
    QTest::newRow("item unknown to the simulator") << 42 << R"(\d{1,3})" << 0.0 << 100.0;
}

void TestCollectorRecords::simulatedValuesArePlausible()
{
    QFETCH(int, item);
    QFETCH(QString, pattern);
    QFETCH(double, low);
    QFETCH(double, high);
    const QRegularExpression re(QStringLiteral("^ *(%1)$").arg(pattern));
    QRandomGenerator random(item);
    for (int i = 0; i < 500; ++i) {
        const QByteArray v = simulatedValue(item, random);
        QCOMPARE(v.size(), kValueBytes);
        const auto m = re.match(QString::fromLatin1(v));
        QVERIFY2(m.hasMatch(), v.constData());
        const double number = m.captured(1).toDouble();
        QVERIFY2(number >= low && number <= high, v.constData());
    }
}

void TestCollectorRecords::simulatorSendsRecordsOfItsPupils()
{
    const QList<SimulatedPupil> pupils = {
        {"2024000001", {1, 2, 61}}, {gbk(QStringLiteral("卡号七")), {6}}, {"NOITEMS", {}}};
    SimulatedCollectorSource sim(60);
    sim.setSeed(7);
    sim.setPupils(pupils);
    sim.setItems({7});
    sim.generate(300);
    const QByteArray feed = sim.takeRecords();
    QCOMPARE(feed.size(), 300 * kRecordBytes);
    QVERIFY(sim.takeRecords().isEmpty());
    QSet<QByteArray> seen;
    for (qsizetype at = 0; at < feed.size(); at += kRecordBytes) {
        const QByteArray r = feed.mid(at, kRecordBytes);
        const QByteArray id = r.left(kIdentifierBytes);
        const int item = r.mid(kIdentifierBytes, kItemCodeBytes).toInt();
        const QByteArray value = r.mid(kIdentifierBytes + kItemCodeBytes);
        const QByteArray code = r.mid(kIdentifierBytes, kItemCodeBytes);
        QVERIFY(std::isdigit(uchar(code.at(0))) && std::isdigit(uchar(code.at(1))));
        QByteArray trimmed = id;
        while (trimmed.endsWith(' '))
            trimmed.chop(1);
        seen.insert(trimmed);
        bool ok = false;
        value.trimmed().toDouble(&ok);
        QVERIFY2(ok, r.constData());
        if (trimmed == "2024000001")
            QVERIFY(QList<int>({1, 2, 61}).contains(item));
        else if (trimmed == gbk(QStringLiteral("卡号七")))
            QCOMPARE(item, 6);
        else if (trimmed == "NOITEMS")
            QCOMPARE(item, 7); // pupils without items of their own take the general ones
        else
            QFAIL(r.constData());
    }
    QCOMPARE(seen.size(), 3);
}

void TestCollectorRecords::simulatorLeavesOutWhatARecordCannotCarry()
{
    SimulatedCollectorSource sim(60);
    sim.setSeed(1);
    sim.setPupils({{"ABCDEFGHIJ0123456789X", {1}}, {"", {1}}, {"OK", {100, 250, 3}}});
    sim.setItems({100, 200});
    sim.generate(50);
    const QByteArray feed = sim.takeRecords();
    QCOMPARE(feed.size(), 50 * kRecordBytes);
    for (qsizetype at = 0; at < feed.size(); at += kRecordBytes)
        QCOMPARE(feed.mid(at, kRecordBytes).left(kIdentifierBytes + kItemCodeBytes),
                 QByteArray("OK                  03"));
}

void TestCollectorRecords::simulatorInventsStudentNumbersWithoutPupils()
{
    SimulatedCollectorSource sim(60);
    sim.setSeed(3);
    sim.generate(20);
    const QByteArray feed = sim.takeRecords();
    QCOMPARE(feed.size(), 20 * kRecordBytes);
    const QRegularExpression re(QStringLiteral(R"(^20\d{8} {10}\d\d[ \d.-]{5}$)"));
    for (qsizetype at = 0; at < feed.size(); at += kRecordBytes)
        QVERIFY2(re.match(QString::fromLatin1(feed.mid(at, kRecordBytes))).hasMatch(),
                 feed.mid(at, kRecordBytes).constData());
}

QTEST_GUILESS_MAIN(TestCollectorRecords)
#include "testcollectorrecords.moc"
