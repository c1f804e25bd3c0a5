// The collector sources over real transports: TCP connections on the loopback, a serial line
// (a pseudo-terminal stands in for the cable) and the simulator's own clock.

#include "CollectorRecord.h"
#include "SerialCollectorSource.h"
#include "SimulatedCollectorSource.h"
#include "TcpCollectorSource.h"

#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <fcntl.h>
#include <memory>
#include <stdlib.h>
#include <unistd.h>

using namespace sorvik::collector;

namespace
{

QByteArray numbered(const QByteArray& prefix, int n)
{
    return makeRecord(prefix + QByteArray::number(n), n % 100, QByteArray::number(n % 1000));
}

QByteArray records(const QByteArray& prefix, int count)
{
    QByteArray out;
    for (int i = 0; i < count; ++i)
        out += numbered(prefix, i);
    return out;
}

std::unique_ptr<QTcpSocket> connectTo(quint16 port)
{
    auto s = std::make_unique<QTcpSocket>();
    s->connectToHost(QHostAddress::LocalHost, port);
    if (!s->waitForConnected(5000))
        return nullptr;
    return s;
}

void send(QTcpSocket& socket, const QByteArray& bytes)
{
    socket.write(bytes);
    while (socket.bytesToWrite() > 0)
        if (!socket.waitForBytesWritten(5000))
            break;
}

// Takes records from source until want bytes arrived (or the wait ends).
QByteArray collect(CollectorSource& source, qsizetype want)
{
    QByteArray got;
    const bool complete = QTest::qWaitFor(
        [&] {
            got += source.takeRecords();
            return got.size() >= want;
        },
        10000);
    if (!complete)
        qWarning("waited in vain for %lld bytes, got %lld", qlonglong(want), qlonglong(got.size()));
    return got;
}

// Splits a feed into its records.
QList<QByteArray> split(const QByteArray& feed)
{
    QList<QByteArray> out;
    for (qsizetype at = 0; at < feed.size(); at += kRecordBytes)
        out << feed.mid(at, kRecordBytes);
    return out;
}

} // namespace

class TestCollectorSources : public QObject
{
    Q_OBJECT
private slots:
    void tcpRecordsSplitAcrossWritesArriveWhole_data();
    void tcpRecordsSplitAcrossWritesArriveWhole();
    void tcpConnectionsNeverMixInsideARecord();
    void tcpKeepsAnIncompleteTailUntilItIsComplete();
    void tcpKeepsWhatAClosedConnectionSentWhole_data();
    void tcpKeepsWhatAClosedConnectionSentWhole();
    void tcpStopKeepsReceivedRecords();
    void tcpStopTakesInWhatArrivedUnread();
    void tcpSenderFasterThanTheStationLosesNothing();
    void tcpPortInUseIsAnError();
    void tcpListensOnLoopbackByDefault();
    void tcpServesAtMostItsCap();
    void tcpClosesSilentConnections();
    void serialLineDeliversWholeRecords();
    void serialMissingDeviceIsAnError();
    void serialLineLostStopsAndSaysSo();
    void simulatorProducesAtItsRate();
};

void TestCollectorSources::tcpRecordsSplitAcrossWritesArriveWhole_data()
{
    QTest::addColumn<int>("chunk");
    for (int chunk : {1, 7, 26, 27, 28, 80, 4096})
        QTest::addRow("writes of %d bytes", chunk) << chunk;
}

void TestCollectorSources::tcpRecordsSplitAcrossWritesArriveWhole()
{
    QFETCH(int, chunk);
    TcpCollectorSource source(QHostAddress::LocalHost, 0);
    QVERIFY(source.start(nullptr));
    auto sender = connectTo(source.serverPort());
    QVERIFY(sender);
    const QByteArray stream = records("S", 40);
    QByteArray got;
    for (qsizetype at = 0; at < stream.size(); at += chunk) {
        send(*sender, stream.mid(at, chunk));
        QCoreApplication::processEvents();
        const QByteArray part = source.takeRecords();
        QCOMPARE(part.size() % kRecordBytes, 0);
        got += part;
    }
    got += collect(source, stream.size() - got.size());
    QCOMPARE(got, stream);
}

void TestCollectorSources::tcpConnectionsNeverMixInsideARecord()
{
    TcpCollectorSource source(QHostAddress::LocalHost, 0);
    QVERIFY(source.start(nullptr));
    auto a = connectTo(source.serverPort());
    auto b = connectTo(source.serverPort());
    QVERIFY(a && b);
    QTRY_COMPARE(source.connectionCount(), 2);
    const QByteArray streamA = records("A", 30);
    const QByteArray streamB = records("B", 30);
    // Interleave ragged pieces of both streams so that records are split at different bytes.
    qsizetype atA = 0, atB = 0;
    int step = 0;
    while (atA < streamA.size() || atB < streamB.size()) {
        const int n = 5 + (step++ * 11) % 40;
        if (atA < streamA.size()) {
            send(*a, streamA.mid(atA, n));
            atA += n;
        }
        QCoreApplication::processEvents();
        if (atB < streamB.size()) {
            send(*b, streamB.mid(atB, n + 3));
            atB += n + 3;
        }
        QCoreApplication::processEvents();
    }
    const QByteArray got = collect(source, streamA.size() + streamB.size());
    QCOMPARE(got.size(), streamA.size() + streamB.size());
    QList<QByteArray> fromA, fromB;
    for (const QByteArray& r : split(got)) {
        if (r.startsWith('A'))
            fromA << r;
        else if (r.startsWith('B'))
            fromB << r;
        else
            QFAIL(r.constData());
    }
    // Each connection's records are whole and in the order sent.
    QCOMPARE(fromA, split(streamA));
    QCOMPARE(fromB, split(streamB));
}

void TestCollectorSources::tcpKeepsAnIncompleteTailUntilItIsComplete()
{
    TcpCollectorSource source(QHostAddress::LocalHost, 0);
    QVERIFY(source.start(nullptr));
    auto sender = connectTo(source.serverPort());
    QVERIFY(sender);
    const QByteArray stream = records("T", 3);
    send(*sender, stream.left(40)); // one record and 13 bytes of the next
    QCOMPARE(collect(source, kRecordBytes), stream.left(27));
    // Once the 13 bytes are in, polls find nothing while the record is unfinished.
    QTRY_COMPARE(source.unfinishedBytes(), qsizetype(13));
    for (int i = 0; i < 5; ++i)
        QVERIFY(source.takeRecords().isEmpty());
    QCOMPARE(source.unfinishedBytes(), qsizetype(13));
    send(*sender, stream.mid(40, 14)); // completes the second record exactly
    QCOMPARE(collect(source, kRecordBytes), stream.mid(27, 27));
    send(*sender, stream.mid(54));
    QCOMPARE(collect(source, kRecordBytes), stream.mid(54));
}

void TestCollectorSources::tcpKeepsWhatAClosedConnectionSentWhole_data()
{
    QTest::addColumn<bool>("closeBeforeAccepted");
    QTest::newRow("closed after being accepted") << false;
    QTest::newRow("closed before being accepted") << true;
}

void TestCollectorSources::tcpKeepsWhatAClosedConnectionSentWhole()
{
    QFETCH(bool, closeBeforeAccepted);
    TcpCollectorSource source(QHostAddress::LocalHost, 0);
    QVERIFY(source.start(nullptr));
    auto sender = connectTo(source.serverPort());
    QVERIFY(sender);
    if (!closeBeforeAccepted)
        QTRY_COMPARE(source.connectionCount(), 1);
    const QByteArray stream = records("C", 2);
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(QStringLiteral("unfinished record \\(10 bytes\\)")));
    send(*sender, stream + stream.left(10));
    sender->disconnectFromHost();
    sender.reset();
    // The unfinished third record is dropped with its connection; the two whole ones stay.
    QCOMPARE(collect(source, stream.size()), stream);
    QTRY_COMPARE(source.connectionCount(), 0);
    QVERIFY(source.takeRecords().isEmpty());
}

void TestCollectorSources::tcpStopKeepsReceivedRecords()
{
    TcpCollectorSource source(QHostAddress::LocalHost, 0);
    QVERIFY(source.start(nullptr));
    const quint16 port = source.serverPort();
    auto sender = connectTo(port);
    QVERIFY(sender);
    const QByteArray stream = records("K", 2);
    send(*sender, stream);
    QTRY_COMPARE(source.pendingBytes(), stream.size());
    source.stop();
    QVERIFY(!source.isActive());
    QCOMPARE(source.connectionCount(), 0);
    QCOMPARE(source.takeRecords(), stream);
    // No longer listening.
    QTcpSocket late;
    late.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(!late.waitForConnected(2000));
    QCOMPARE(late.error(), QAbstractSocket::ConnectionRefusedError);
}

void TestCollectorSources::tcpStopTakesInWhatArrivedUnread()
{
    TcpCollectorSource source(QHostAddress::LocalHost, 0);
    QVERIFY(source.start(nullptr));
    // Connected and sent, but the station's event loop never ran in between: not even the
    // connection has been taken in yet.
    QTcpSocket a;
    a.connectToHost(QHostAddress::LocalHost, source.serverPort());
    QVERIFY(a.waitForConnected(5000));
    const QByteArray stream = records("W", 3);
    a.write(stream);
    QVERIFY(a.waitForBytesWritten(5000));
    QCOMPARE(source.connectionCount(), 0);
    source.stop();
    QCOMPARE(source.takeRecords(), stream);
}

void TestCollectorSources::tcpSenderFasterThanTheStationLosesNothing()
{
    TcpCollectorSource source(QHostAddress::LocalHost, 0);
    QVERIFY(source.start(nullptr));
    auto sender = connectTo(source.serverPort());
    QVERIFY(sender);
    // More than the source holds back unread, sent without waiting for the reader.
    const int count = int(TcpCollectorSource::kMaxPendingBytes / kRecordBytes) + 20000;
    const QByteArray stream = records("F", count);
    sender->write(stream);
    QByteArray got;
    qsizetype mostHeld = 0;
    const bool complete = QTest::qWaitFor(
        [&] {
            if (sender->bytesToWrite() > 0)
                sender->flush();
            mostHeld = std::max(mostHeld, source.pendingBytes());
            got += source.takeRecords();
            return got.size() >= stream.size();
        },
        60000);
    QVERIFY(complete);
    // The held-back bound may be passed by at most one read.
    QVERIFY(mostHeld <= TcpCollectorSource::kMaxPendingBytes + 64 * 1024);
    QCOMPARE(got.size(), stream.size());
    QVERIFY(got == stream);
}

void TestCollectorSources::tcpPortInUseIsAnError()
{
    QTcpServer taken;
    QVERIFY(taken.listen(QHostAddress::LocalHost, 0));
    TcpCollectorSource source(QHostAddress::LocalHost, taken.serverPort());
    QString error;
    QVERIFY(!source.start(&error));
    QVERIFY(!source.isActive());
    QVERIFY2(error.contains(QString::number(taken.serverPort())), qPrintable(error));
}

void TestCollectorSources::tcpListensOnLoopbackByDefault()
{
    const CollectorSettings defaults;
    QCOMPARE(defaults.source, SourceKind::Tcp);
    QVERIFY(QHostAddress(defaults.address).isLoopback());
    auto source = makeCollectorSource(defaults);
    QVERIFY(source->describe().contains(QStringLiteral("127.0.0.1")));
}

void TestCollectorSources::tcpServesAtMostItsCap()
{
    TcpCollectorSource source(QHostAddress::LocalHost, 0, 2, 0);
    QVERIFY(source.start(nullptr));
    auto a = connectTo(source.serverPort());
    auto b = connectTo(source.serverPort());
    QVERIFY(a && b);
    QTRY_COMPARE(source.connectionCount(), 2);
    QVERIFY(!source.isAccepting());
    // The third waits in the system's queue: connected, but not served.
    auto c = connectTo(source.serverPort());
    QVERIFY(c);
    send(*c, numbered("C", 3));
    send(*a, numbered("A", 1));
    QCOMPARE(collect(source, kRecordBytes), numbered("A", 1));
    QCOMPARE(source.connectionCount(), 2);
    QCOMPARE(source.takeRecords(), QByteArray());
    // Room again: the one waiting is taken in with what it sent.
    a->disconnectFromHost();
    QCOMPARE(collect(source, kRecordBytes), numbered("C", 3));
    QCOMPARE(source.connectionCount(), 2);
}

void TestCollectorSources::tcpClosesSilentConnections()
{
    TcpCollectorSource source(QHostAddress::LocalHost, 0, 8, 1);
    QVERIFY(source.start(nullptr));
    auto silent = connectTo(source.serverPort());
    auto talking = connectTo(source.serverPort());
    QVERIFY(silent && talking);
    QTRY_COMPARE(source.connectionCount(), 2);
    // The talking one sends more often than the limit; the silent one goes.
    int sent = 0;
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            send(*talking, numbered("T", ++sent));
            return silent->state() == QAbstractSocket::UnconnectedState ||
                   silent->waitForDisconnected(300);
        }(),
        10000);
    QCOMPARE(source.connectionCount(), 1);
    QCOMPARE(talking->state(), QAbstractSocket::ConnectedState);
    QCOMPARE(collect(source, sent * kRecordBytes).size(), sent * kRecordBytes);
}

void TestCollectorSources::serialLineDeliversWholeRecords()
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    QVERIFY(master >= 0);
    QVERIFY(grantpt(master) == 0 && unlockpt(master) == 0);
    const QString device = QString::fromLocal8Bit(ptsname(master));
    SerialCollectorSource source(device, 19200);
    QString error;
    QVERIFY2(source.start(&error), qPrintable(error));
    QVERIFY(source.isActive());
    const QByteArray stream = records("L", 12);
    QByteArray got;
    bool allWhole = true;
    const auto take = [&] {
        const QByteArray part = source.takeRecords();
        allWhole = allWhole && part.size() % kRecordBytes == 0;
        got += part;
        return got.size() + source.unfinishedBytes();
    };
    for (qsizetype at = 0; at < stream.size(); at += 19) {
        const QByteArray piece = stream.mid(at, 19);
        QCOMPARE(::write(master, piece.constData(), size_t(piece.size())), ssize_t(piece.size()));
        // Each piece read: the whole records so far came out, the rest waits in the source.
        QTRY_COMPARE(take(), at + piece.size());
    }
    QVERIFY(allWhole);
    QCOMPARE(got, stream);
    QCOMPARE(source.unfinishedBytes(), qsizetype(0));
    source.stop();
    QVERIFY(!source.isActive());
    ::close(master);
}

void TestCollectorSources::serialMissingDeviceIsAnError()
{
    SerialCollectorSource source(QStringLiteral("/dev/sorvik-no-such-port"), 9600);
    QString error;
    QVERIFY(!source.start(&error));
    QVERIFY(!source.isActive());
    QVERIFY2(error.contains(QStringLiteral("/dev/sorvik-no-such-port")), qPrintable(error));
}

void TestCollectorSources::serialLineLostStopsAndSaysSo()
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    QVERIFY(master >= 0);
    QVERIFY(grantpt(master) == 0 && unlockpt(master) == 0);
    SerialCollectorSource source(QString::fromLocal8Bit(ptsname(master)), 9600);
    QVERIFY(source.start(nullptr));
    QString reason;
    connect(&source, &CollectorSource::failed, this, [&](const QString& r) { reason = r; });
    const QByteArray r = numbered("U", 1);
    QCOMPARE(::write(master, r.constData(), size_t(r.size())), ssize_t(r.size()));
    QCOMPARE(collect(source, r.size()), r);
    // Closing the other end is what pulling the cable looks like to the port.
    ::close(master);
    QTRY_VERIFY(!reason.isEmpty());
    QVERIFY(!source.isActive());
    QVERIFY(reason.contains(QStringLiteral("/dev/pts/")));
}

void TestCollectorSources::simulatorProducesAtItsRate()
{
    SimulatedCollectorSource sim(CollectorSettings::kMaxRate);
    sim.setSeed(11);
    sim.setPupils({{"2024000001", {1, 2}}});
    QVERIFY(sim.takeRecords().isEmpty());
    QVERIFY(sim.start(nullptr));
    QVERIFY(sim.isActive());
    const QByteArray got = collect(sim, 50 * kRecordBytes);
    QVERIFY(got.size() >= 50 * kRecordBytes);
    QCOMPARE(got.size() % kRecordBytes, 0);
    for (const QByteArray& r : split(got))
        QVERIFY(r.startsWith("2024000001          0"));
    sim.stop();
    QVERIFY(!sim.isActive());
    sim.takeRecords();
    // A simulator still running makes records meanwhile; the stopped one makes none.
    SimulatedCollectorSource running(CollectorSettings::kMaxRate);
    QVERIFY(running.start(nullptr));
    QVERIFY(collect(running, 2 * kRecordBytes).size() >= 2 * kRecordBytes);
    QVERIFY(sim.takeRecords().isEmpty());
}

QTEST_GUILESS_MAIN(TestCollectorSources)
#include "testcollectorsources.moc"
