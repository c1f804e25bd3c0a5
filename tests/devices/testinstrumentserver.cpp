// The virtual instrument's own promises, against the real sorvik-instrument process: what it
// answers "stored" is saved, also when its files go away under it or a crash cut a journal
// line short, and a station that does not read its replies cannot make it queue without end.

#include "instrumentprocess.h"
#include "qrvmachine.h"
#include "wire.h"

#include <QDir>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <cerrno>
#include <memory>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace
{

namespace w = sorvik::wire;

QByteArray gbk(const QString& text)
{
    return QStringEncoder("GBK").encode(text);
}

struct Counts {
    int classes = -1;
    int pupils = -1;
};

Counts counts()
{
    Counts c;
    if (CMD3_ReadClassStudnetCount(&c.classes, &c.pupils) != 1)
        return {};
    return c;
}

// A plain socket that reads only when told to, with waits that end on data or after 10 s.
class RawStation
{
public:
    ~RawStation()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    bool connectTo(quint16 port)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        // A small receive window: replies back up into the instrument soon.
        const int small = 4096;
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        const timeval tenSeconds{10, 0};
        ::setsockopt(m_fd, SOL_SOCKET, SO_SNDTIMEO, &tenSeconds, sizeof tenSeconds);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return ::connect(m_fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0;
    }

    bool send(const QByteArray& data)
    {
        qsizetype sent = 0;
        while (sent < data.size()) {
            const ssize_t n =
                ::send(m_fd, data.constData() + sent, size_t(data.size() - sent), MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            sent += n;
        }
        return true;
    }

    // One whole frame; empty when none came within 10 s.
    QByteArray readFrame()
    {
        QByteArray header = readExact(w::HeaderSize);
        if (header.size() != qsizetype(w::HeaderSize))
            return {};
        const auto* h = reinterpret_cast<const std::uint8_t*>(header.constData());
        return header + readExact(w::get16(h + w::LengthOffset));
    }

private:
    QByteArray readExact(std::size_t size)
    {
        QByteArray out(qsizetype(size), '\0');
        std::size_t got = 0;
        while (got < size) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, 10000) <= 0)
                return {};
            const ssize_t n = ::recv(m_fd, out.data() + got, size - got, 0);
            if (n <= 0)
                return {};
            got += std::size_t(n);
        }
        return out;
    }

    int m_fd = -1;
};

QByteArray request(quint8 command, quint32 sequence, std::vector<std::uint8_t> payload)
{
    const auto f = w::frame(command, sequence, payload);
    return QByteArray(reinterpret_cast<const char*>(f.data()), qsizetype(f.size()));
}

} // namespace

class InstrumentServerTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void stateFilesRemovedWhileServing_data();
    void stateFilesRemovedWhileServing();
    void journalLineCutShortByACrash_data();
    void journalLineCutShortByACrash();
    void stationThatDoesNotReadIsHeldBack();

private:
    bool startInstrument();
    bool restartInstrument(bool killed);
    QString stateDir() const { return m_dir->filePath(u"state"_s); }
    QString statePath() const { return stateDir() + u"/instrument.json"_s; }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<InstrumentProcess> m_instrument;
};

void InstrumentServerTest::initTestCase()
{
    QVERIFY2(QFile::exists(InstrumentProcess::program()), "sorvik-instrument is not built");
}

void InstrumentServerTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir().mkpath(stateDir()));
    qputenv("XDG_CONFIG_HOME", m_dir->filePath(u"config"_s).toLocal8Bit());
}

void InstrumentServerTest::cleanup()
{
    CMD10_Goodbye();
    m_instrument.reset();
    m_dir.reset();
}

bool InstrumentServerTest::startInstrument()
{
    m_instrument =
        std::make_unique<InstrumentProcess>(statePath(), m_dir->filePath(u"instrument.log"_s));
    return m_instrument->start();
}

bool InstrumentServerTest::restartInstrument(bool killed)
{
    if (killed)
        m_instrument->kill();
    CMD10_Goodbye();
    m_instrument.reset();
    return startInstrument();
}

void InstrumentServerTest::stateFilesRemovedWhileServing_data()
{
    QTest::addColumn<bool>("wholeFolder");
    QTest::newRow("state folder removed") << true;
    QTest::newRow("state files removed, folder kept") << false;
}

void InstrumentServerTest::stateFilesRemovedWhileServing()
{
    QFETCH(bool, wholeFolder);

    QVERIFY(startInstrument());
    QCOMPARE(CMD0_Handshake(), 1);
    QCOMPARE(CMD1_WriteOneClass(gbk(u"高一(1)班"_s).constData(), 3), 1);
    QCOMPARE(CMD2_WriteOneStudent("2024001", gbk(u"张伟"_s).constData()), 1);

    if (wholeFolder) {
        QVERIFY(QDir(stateDir()).removeRecursively());
        // Nothing can be saved: nothing is stored, and the instrument says so.
        QCOMPARE(CMD2_WriteOneStudent("2024002", gbk(u"李娜"_s).constData()), 0);
        QCOMPARE(CMD1_WriteOneClass("Other", 1), 0);
        QCOMPARE(CMD6_Format(), 0);
        const Counts held = counts();
        QCOMPARE(held.classes, 1);
        QCOMPARE(held.pupils, 1);
        QVERIFY(m_instrument->log().contains("ERROR: not stored"));
        // Once the folder is back, the instrument saves everything anew and goes on.
        QVERIFY(QDir().mkpath(stateDir()));
    } else {
        QVERIFY(QFile::remove(statePath()));
        QVERIFY(QFile::remove(statePath() + u".journal"_s));
    }
    QCOMPARE(CMD2_WriteOneStudent("2024002", gbk(u"李娜"_s).constData()), 1);
    QCOMPARE(CMD2_WriteOneStudent("2024003", gbk(u"王芳"_s).constData()), 1);

    // Exactly what was answered "stored" is there after a crash.
    QVERIFY(restartInstrument(true));
    QCOMPARE(CMD0_Handshake(), 1);
    const Counts held = counts();
    QCOMPARE(held.classes, 1);
    QCOMPARE(held.pupils, 3);
    std::array<char, 17> name{};
    int records = -1;
    QCOMPARE(CMD4_ReadClassInfo(0, name.data(), &records), 1);
    QCOMPARE(QByteArray(name.data()), gbk(u"高一(1)班"_s));
}

void InstrumentServerTest::journalLineCutShortByACrash_data()
{
    QTest::addColumn<bool>("afterSnapshot");
    QTest::newRow("journal with changes") << false;
    QTest::newRow("journal fresh after a snapshot") << true;
}

void InstrumentServerTest::journalLineCutShortByACrash()
{
    QFETCH(bool, afterSnapshot);

    QVERIFY(startInstrument());
    QCOMPARE(CMD0_Handshake(), 1);
    QCOMPARE(CMD1_WriteOneClass("First", 2), 1);
    QCOMPARE(CMD2_WriteOneStudent("1001", "A"), 1);
    QCOMPARE(CMD2_WriteOneStudent("1002", "B"), 1);
    if (afterSnapshot) {
        QCOMPARE(CMD10_Goodbye(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(m_instrument->log().contains("snapshot written"), 10000);
    }
    // Killed in the middle of writing a line: half of it reached the journal.
    m_instrument->kill();
    QFile journal(statePath() + u".journal"_s);
    QVERIFY(journal.open(QIODevice::Append));
    journal.write(R"({"op":"pupil","class":0,"number":"31)");
    journal.close();

    QVERIFY(restartInstrument(false));
    QCOMPARE(CMD0_Handshake(), 1);
    QCOMPARE(counts().pupils, 2);
    QCOMPARE(CMD1_WriteOneClass("Second", 1), 1);
    QCOMPARE(CMD2_WriteOneStudent("2001", "C"), 1);

    // What came after the cut line is read back too.
    QVERIFY(restartInstrument(true));
    QCOMPARE(CMD0_Handshake(), 1);
    const Counts held = counts();
    QCOMPARE(held.classes, 2);
    QCOMPARE(held.pupils, 3);
}

void InstrumentServerTest::stationThatDoesNotReadIsHeldBack()
{
    // A class with enough results that each run read is answered with a full 4 KB frame.
    QVERIFY(startInstrument());
    QCOMPARE(CMD0_Handshake(), 1);
    QCOMPARE(CMD1_WriteOneClass("Runs", 2), 1);
    QCOMPARE(CMD2_WriteOneStudent("1001", "A"), 1);
    QCOMPARE(CMD2_WriteOneStudent("1002", "B"), 1);
    QCOMPARE(CMD10_Goodbye(), 1);
    m_instrument.reset();
    QCOMPARE(InstrumentProcess::runAction(statePath(), {u"--simulate"_s, u"200"_s}), 0);
    QVERIFY(startInstrument());

    // The station sends many requests at once and reads nothing.
    constexpr int requests = 2000;
    RawStation station;
    QVERIFY(station.connectTo(m_instrument->port()));
    QByteArray all = request(w::Hello, 1, {w::HelloText.begin(), w::HelloText.end()});
    for (int i = 0; i < requests; ++i)
        all += request(w::ReadRecords, quint32(i + 2), {0, 0, 0, 0, 0, 0, 151});
    QVERIFY(station.send(all));

    // The instrument stops short, long before it has answered everything.
    QTRY_VERIFY_WITH_TIMEOUT(m_instrument->log().contains("does not read its replies"), 20000);
    const qsizetype served = m_instrument->log().count("READ-RECORDS");
    QVERIFY2(served < requests / 4, qPrintable(QString::number(served)));

    // Once the station reads, every request is answered, in order, nothing lost.
    for (quint32 sequence = 1; sequence <= quint32(requests + 1); ++sequence) {
        const QByteArray frame = station.readFrame();
        QVERIFY2(!frame.isEmpty(), qPrintable(QString::number(sequence)));
        const auto* h = reinterpret_cast<const std::uint8_t*>(frame.constData());
        QCOMPARE(w::get32(h + w::SequenceOffset), sequence);
        QCOMPARE(frame.at(w::HeaderSize), char(w::Ok));
        if (sequence > 1) {
            QCOMPARE(h[2], quint8(w::ReadRecords | w::ReplyBit));
            QCOMPARE(frame.size(), qsizetype(w::HeaderSize + 2 + 151 * w::RawRecordSize));
        }
    }
    QVERIFY(m_instrument->log().contains("reads its replies again"));

    // And the instrument still serves a station that does read.
    QCOMPARE(CMD0_Handshake(), 1);
    int classes = -1, records = -1;
    QCOMPARE(CMD7_ReadClassStudnetCount2(&classes, &records), 1);
    QCOMPARE(records, 200);
}

QTEST_GUILESS_MAIN(InstrumentServerTest)
#include "testinstrumentserver.moc"
