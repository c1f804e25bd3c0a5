// The machine-interface library against the real virtual instrument process.

#include "TestSupport.h"
#include "instrumentprocess.h"
#include "qrvmachine.h"
#include "wire.h"

#include <QDate>
#include <QFile>
#include <QSet>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <array>
#include <atomic>
#include <cstring>
#include <functional>
#include <future>
#include <memory>
#include <thread>

using namespace Qt::StringLiterals;

namespace
{

QByteArray gbk(const QString& text)
{
    return QStringEncoder("GBK").encode(text);
}
QString fromGbk(const char* bytes)
{
    return QStringDecoder("GBK").decode(QByteArray(bytes));
}

struct PupilRow {
    QString number;
    QString name;
};

struct ClassRow {
    QString name;
    QList<PupilRow> pupils;
};

QList<ClassRow> sampleClasses()
{
    return {
        {u"高一(1)班"_s,
         {{u"2024001"_s, u"张伟"_s}, {u"2024002"_s, u"李娜"_s}, {u"2024003"_s, u"欧阳晓明"_s}}},
        {u"高一(2)班"_s, {{u"G110101201001011234"_s, u"王芳"_s}, {u"2024102"_s, u"Ann Lee"_s}}},
        {u"Grade 7 B"_s, {{u"7001"_s, u"赵磊"_s}}},
    };
}

// Writes the classes through the library; false (with a warning) on the first refusal.
bool download(const QList<ClassRow>& classes)
{
    for (const ClassRow& c : classes) {
        const int answer = CMD1_WriteOneClass(gbk(c.name).constData(), int(c.pupils.size()));
        if (answer != 1) {
            qWarning() << "class" << c.name << "answered" << answer;
            return false;
        }
        for (const PupilRow& p : c.pupils) {
            if (CMD2_WriteOneStudent(gbk(p.number).constData(), gbk(p.name).constData()) != 1) {
                qWarning() << "pupil" << p.number << "refused";
                return false;
            }
        }
    }
    return true;
}

// Bytes that reached the sockets of this local loopback port and wait unread there (the
// kernel's receive queues in /proc/net/tcp).
qint64 unreadBytesAt(quint16 port)
{
    QFile table(QStringLiteral("/proc/net/tcp"));
    if (!table.open(QIODevice::ReadOnly))
        return -1;
    qint64 unread = 0;
    for (const QByteArray& line : table.readAll().split('\n')) {
        // "sl local_address rem_address st tx_queue:rx_queue ..."; 01 is an open connection.
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 5 || fields.at(3) != "01")
            continue;
        bool ok = false;
        const uint local = fields.at(1).mid(fields.at(1).indexOf(':') + 1).toUInt(&ok, 16);
        if (ok && local == port)
            unread += fields.at(4).mid(fields.at(4).indexOf(':') + 1).toLongLong(nullptr, 16);
    }
    return unread;
}

// A port where nobody listens, held for the whole run.
quint16 closedPort()
{
    static const testsupport::RefusingPort refusing;
    return refusing.port();
}

struct Decoded {
    int result = 0;
    std::array<char, 24> number{};
    unsigned char item = 0;
    std::array<char, 6> value{};
    std::array<unsigned char, 5> time{};
};

Decoded decode(const std::array<unsigned char, 27>& raw)
{
    Decoded d;
    d.result =
        qrv_dll_DecodeOneValue(raw.data(), d.number.data(), &d.item, d.value.data(), d.time.data());
    return d;
}

constexpr int Sentinel = 0x5A5A5A5A;

// A stand-in instrument: answer() turns each request into the bytes sent back, right or
// wrong, to see what the library does with replies it should not trust.
class ScriptedInstrument
{
public:
    struct Request {
        quint8 command = 0;
        quint32 sequence = 0;
        QByteArray payload;
    };
    using Answer = std::function<QByteArray(const Request&)>;

    explicit ScriptedInstrument(Answer answer) : m_answer(std::move(answer))
    {
        std::promise<quint16> listening;
        std::future<quint16> port = listening.get_future();
        m_thread = std::thread([this, &listening] { serve(listening); });
        m_port = port.get();
    }
    ~ScriptedInstrument()
    {
        m_stop = true;
        m_thread.join();
    }
    quint16 port() const { return m_port; }

    static QByteArray frame(quint8 command, quint32 sequence, const QByteArray& payload)
    {
        const auto f = sorvik::wire::frame(
            command, sequence, std::vector<std::uint8_t>(payload.begin(), payload.end()));
        return QByteArray(reinterpret_cast<const char*>(f.data()), qsizetype(f.size()));
    }

private:
    // Sockets live and die in this thread; blocking waits, no event loop needed.
    void serve(std::promise<quint16>& listening)
    {
        namespace w = sorvik::wire;
        QTcpServer server;
        server.listen(QHostAddress::LocalHost, 0);
        listening.set_value(server.serverPort());
        while (!m_stop) {
            if (!server.waitForNewConnection(50))
                continue;
            std::unique_ptr<QTcpSocket> socket(server.nextPendingConnection());
            QByteArray buffer;
            while (!m_stop && socket->state() == QAbstractSocket::ConnectedState) {
                socket->waitForReadyRead(50);
                buffer += socket->readAll();
                while (buffer.size() >= qsizetype(w::HeaderSize)) {
                    const auto* h = reinterpret_cast<const std::uint8_t*>(buffer.constData());
                    const qsizetype size = qsizetype(w::HeaderSize + w::get16(h + w::LengthOffset));
                    if (buffer.size() < size)
                        break;
                    const Request request{h[2], w::get32(h + w::SequenceOffset),
                                          buffer.mid(w::HeaderSize, size - w::HeaderSize)};
                    socket->write(m_answer(request));
                    socket->waitForBytesWritten(1000);
                    buffer.remove(0, size);
                }
            }
        }
    }

    Answer m_answer;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
    quint16 m_port = 0;
};

} // namespace

class MachineInterfaceTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void handshakeAndGoodbye();
    void callsFailWithoutConnection();
    void handshakeFailsWhenNoInstrument();
    void settingsFile_data();
    void settingsFile();
    void downloadAndCount();
    void classNameIsCutOnCharacterBoundary_data();
    void classNameIsCutOnCharacterBoundary();
    void instrumentFull_data();
    void instrumentFull();
    void readAndDecodeRecords();
    void recordActionRejectsBadResults_data();
    void recordActionRejectsBadResults();
    void simulatedResultsArePlausible();
    void recordsAreReadInRuns();
    void pupilsAreTestedWhileServing();
    void formatErasesEverything();
    void stateSurvivesRestart_data();
    void stateSurvivesRestart();
    void malformedFramesAreRejected();
    void silentInstrumentTimesOut();
    void repliesAreNotTrusted();
    void repliesAnswerTheirOwnRequest_data();
    void repliesAnswerTheirOwnRequest();
    void instrumentKilledDuringExchange();

private:
    bool startInstrument(const QStringList& extraArgs = {});
    bool restartInstrument(const QStringList& extraArgs = {});
    QString statePath() const { return m_dir->filePath(u"instrument.json"_s); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<InstrumentProcess> m_instrument;
};

void MachineInterfaceTest::initTestCase()
{
    QVERIFY2(QFile::exists(InstrumentProcess::program()), "sorvik-instrument is not built");
    QVERIFY(QStringEncoder("GBK").isValid());
}

void MachineInterfaceTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    // Never pick up the settings of whoever runs the tests.
    qputenv("XDG_CONFIG_HOME", m_dir->filePath(u"config"_s).toLocal8Bit());
}

void MachineInterfaceTest::cleanup()
{
    CMD10_Goodbye();
    m_instrument.reset();
    m_dir.reset();
}

bool MachineInterfaceTest::startInstrument(const QStringList& extraArgs)
{
    m_instrument = std::make_unique<InstrumentProcess>(
        statePath(), m_dir->filePath(u"instrument.log"_s), extraArgs);
    return m_instrument->start();
}

bool MachineInterfaceTest::restartInstrument(const QStringList& extraArgs)
{
    CMD10_Goodbye();
    m_instrument.reset();
    return startInstrument(extraArgs);
}

void MachineInterfaceTest::handshakeAndGoodbye()
{
    QVERIFY(startInstrument());
    QCOMPARE(CMD0_Handshake(), 1);
    QCOMPARE(f1(1, 3), 1);
    int classes = Sentinel, pupils = Sentinel;
    QCOMPARE(CMD3_ReadClassStudnetCount(&classes, &pupils), 1);
    QCOMPARE(classes, 0);
    QCOMPARE(pupils, 0);
    int records = Sentinel;
    QCOMPARE(CMD7_ReadClassStudnetCount2(&classes, &records), 1);
    QCOMPARE(records, 0);
    QCOMPARE(CMD10_Goodbye(), 1);

    // Gone means gone: no call pretends to work, a second goodbye included.
    classes = Sentinel;
    QCOMPARE(CMD3_ReadClassStudnetCount(&classes, &pupils), 0);
    QCOMPARE(classes, Sentinel);
    QCOMPARE(CMD10_Goodbye(), 0);

    // A new handshake works, also over a connection that is still open.
    QCOMPARE(CMD0_Handshake(), 1);
    QCOMPARE(CMD0_Handshake(), 1);
    QCOMPARE(CMD3_ReadClassStudnetCount(&classes, &pupils), 1);
    QCOMPARE(CMD10_Goodbye(), 1);

    // One log line per request served: 3 hellos, mode, 2 counts, counts2, 2 goodbyes.
    QTRY_COMPARE_WITH_TIMEOUT(m_instrument->log().count(" -> "), 9, 5000);
    const QByteArray log = m_instrument->log();
    for (const char* word : {"HELLO", "MODE (1,3)", "COUNTS2", "GOODBYE"})
        QVERIFY2(log.contains(word), word);
}

void MachineInterfaceTest::callsFailWithoutConnection()
{
    // No handshake at all (cleanup() said goodbye to any earlier instrument).
    int a = Sentinel, b = Sentinel;
    QCOMPARE(CMD3_ReadClassStudnetCount(&a, &b), 0);
    QCOMPARE(CMD7_ReadClassStudnetCount2(&a, &b), 0);
    QCOMPARE(a, Sentinel);
    QCOMPARE(b, Sentinel);
    std::array<char, 17> name;
    name.fill('x');
    QCOMPARE(CMD4_ReadClassInfo(0, name.data(), &a), 0);
    QCOMPARE(name[0], 'x');
    QCOMPARE(a, Sentinel);
    std::array<unsigned char, 27> raw;
    raw.fill(0xAA);
    QCOMPARE(CMD5_ReadTestValue(0, 0, raw.data()), 0);
    QCOMPARE(raw[0], 0xAA);
    QVERIFY(CMD1_WriteOneClass("A", 1) != 1);
    QVERIFY(CMD2_WriteOneStudent("1", "B") != 1);
    QCOMPARE(CMD6_Format(), 0);
    QCOMPARE(f1(1, 3), 0);
    QCOMPARE(CMD10_Goodbye(), 0);

    // Null out arguments are refused, not dereferenced, even when connected.
    QVERIFY(startInstrument());
    QCOMPARE(CMD0_Handshake(), 1);
    QCOMPARE(CMD3_ReadClassStudnetCount(nullptr, &b), 0);
    QCOMPARE(CMD7_ReadClassStudnetCount2(&a, nullptr), 0);
    QCOMPARE(CMD4_ReadClassInfo(0, nullptr, &a), 0);
    QCOMPARE(CMD5_ReadTestValue(0, 0, nullptr), 0);
    QCOMPARE(CMD4_ReadClassInfo(-1, name.data(), &a), 0);
    QVERIFY(CMD1_WriteOneClass(nullptr, 1) != 1);
    QVERIFY(CMD2_WriteOneStudent(nullptr, "x") != 1);
    QCOMPARE(qrv_dll_DecodeOneValue(nullptr, nullptr, nullptr, nullptr, nullptr), 0);
    // ... and the connection is still good afterwards.
    QCOMPARE(CMD3_ReadClassStudnetCount(&a, &b), 1);
}

void MachineInterfaceTest::handshakeFailsWhenNoInstrument()
{
    qputenv("SORVIK_INSTRUMENT_HOST", "127.0.0.1");
    qputenv("SORVIK_INSTRUMENT_PORT", QByteArray::number(closedPort()));
    QVERIFY(CMD0_Handshake() != 1);
    int a = Sentinel, b = Sentinel;
    QCOMPARE(CMD3_ReadClassStudnetCount(&a, &b), 0);
    QCOMPARE(a, Sentinel);

    qputenv("SORVIK_INSTRUMENT_PORT", "not-a-port");
    QVERIFY(CMD0_Handshake() != 1);
    qputenv("SORVIK_INSTRUMENT_PORT", "70000");
    QVERIFY(CMD0_Handshake() != 1);
}

void MachineInterfaceTest::settingsFile_data()
{
    QTest::addColumn<QString>("ini");
    QTest::addColumn<bool>("envPort");
    QTest::addColumn<bool>("reached");

    // PORT is the instrument's port, CLOSED one where nobody listens.
    QTest::newRow("plain") << u"[instrument]\nhost=127.0.0.1\nport=PORT\n"_s << false << true;
    QTest::newRow("host defaults to loopback") << u"[instrument]\nport=PORT\n"_s << false << true;
    QTest::newRow("spaces, quotes, comments, other sections")
        << u"; station settings\r\n[database]\nport=CLOSED\n\n[instrument]\r\n  host = "
           u"\"127.0.0.1\""
           u"\r\nport = PORT ; lab bench\r\n[ui]\nport=CLOSED\n"_s
        << false << true;
    QTest::newRow("wrong port in file") << u"[instrument]\nport=CLOSED\n"_s << false << false;
    QTest::newRow("garbage port in file") << u"[instrument]\nport=seven\n"_s << false << false;
    QTest::newRow("environment wins over file") << u"[instrument]\nport=CLOSED\n"_s << true << true;
}

void MachineInterfaceTest::settingsFile()
{
    QFETCH(QString, ini);
    QFETCH(bool, envPort);
    QFETCH(bool, reached);

    QVERIFY(startInstrument());
    qunsetenv("SORVIK_INSTRUMENT_HOST");
    if (!envPort)
        qunsetenv("SORVIK_INSTRUMENT_PORT");
    QVERIFY(QDir().mkpath(m_dir->filePath(u"config/sorvik"_s)));
    QFile file(m_dir->filePath(u"config/sorvik/sorvik.ini"_s));
    QVERIFY(file.open(QIODevice::WriteOnly));
    ini.replace(u"PORT"_s, QString::number(m_instrument->port()));
    ini.replace(u"CLOSED"_s, QString::number(closedPort()));
    file.write(ini.toUtf8());
    file.close();

    QCOMPARE(CMD0_Handshake() == 1, reached);
}

void MachineInterfaceTest::downloadAndCount()
{
    QVERIFY(startInstrument());
    QCOMPARE(CMD0_Handshake(), 1);
    QCOMPARE(f1(1, 3), 1);
    const QList<ClassRow> classes = sampleClasses();
    QVERIFY(download(classes));

    // A pupil past the announced size, or with no class open, is refused.
    QVERIFY(CMD2_WriteOneStudent("9999", "extra") != 1);
    // Empty class names and impossible sizes are refused; an empty class is fine.
    QVERIFY(CMD1_WriteOneClass("", 1) != 1);
    QVERIFY(CMD1_WriteOneClass("X", -1) != 1);
    QVERIFY(CMD1_WriteOneClass("X", 70000) != 1);
    QCOMPARE(CMD1_WriteOneClass(gbk(u"空班"_s).constData(), 0), 1);
    QVERIFY(CMD2_WriteOneStudent("9999", "extra") != 1);
    // Pupil numbers longer than a record can carry are refused, not cut.
    QCOMPARE(CMD1_WriteOneClass("Long numbers", 2), 1);
    QVERIFY(CMD2_WriteOneStudent("123456789012345678901", "too long") != 1);
    QCOMPARE(CMD2_WriteOneStudent("12345678901234567890", "fits"), 1);

    int classCount = Sentinel, pupilCount = Sentinel;
    QCOMPARE(CMD3_ReadClassStudnetCount(&classCount, &pupilCount), 1);
    QCOMPARE(classCount, 5);
    QCOMPARE(pupilCount, 3 + 2 + 1 + 1);
    int records = Sentinel;
    QCOMPARE(CMD7_ReadClassStudnetCount2(&classCount, &records), 1);
    QCOMPARE(classCount, 5);
    QCOMPARE(records, 0);

    for (int i = 0; i < classes.size(); ++i) {
        std::array<char, 17> name;
        name.fill('x');
        int count = Sentinel;
        QCOMPARE(CMD4_ReadClassInfo(i, name.data(), &count), 1);
        QCOMPARE(fromGbk(name.data()), classes[i].name);
        QCOMPARE(name[16], '\0');
        QCOMPARE(count, 0);
    }
    std::array<char, 17> name;
    name.fill('x');
    int count = Sentinel;
    QCOMPARE(CMD4_ReadClassInfo(5, name.data(), &count), 0);
    QCOMPARE(name[0], 'x');
    QCOMPARE(count, Sentinel);
    // A "no such class" answer does not cost the connection.
    QCOMPARE(CMD3_ReadClassStudnetCount(&classCount, &pupilCount), 1);
}

void MachineInterfaceTest::classNameIsCutOnCharacterBoundary_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");

    QTest::newRow("16 ascii bytes") << u"Grade-2024-ClsAB"_s << u"Grade-2024-ClsAB"_s;
    QTest::newRow("17 ascii bytes") << u"Grade-2024-ClsABC"_s << u"Grade-2024-ClsAB"_s;
    QTest::newRow("8 chinese, 16 bytes") << u"高一年级三班甲乙"_s << u"高一年级三班甲乙"_s;
    QTest::newRow("11 chinese") << u"高一年级三班体育测试组"_s << u"高一年级三班体育"_s;
    QTest::newRow("odd start, would split") << u"1高一年级三班体育"_s << u"1高一年级三班体"_s;
    QTest::newRow("mixed") << u"A高B一C年D级E三F四"_s << u"A高B一C年D级E三F"_s;
}

void MachineInterfaceTest::classNameIsCutOnCharacterBoundary()
{
    QFETCH(QString, name);
    QFETCH(QString, expected);

    QVERIFY(startInstrument());
    QCOMPARE(CMD0_Handshake(), 1);
    QCOMPARE(CMD1_WriteOneClass(gbk(name).constData(), 0), 1);
    std::array<char, 17> out;
    out.fill('x');
    int count = Sentinel;
    QCOMPARE(CMD4_ReadClassInfo(0, out.data(), &count), 1);
    QVERIFY(std::strlen(out.data()) <= 16);
    QCOMPARE(QByteArray(out.data()), gbk(expected));
    QCOMPARE(fromGbk(out.data()), expected);
}

void MachineInterfaceTest::instrumentFull_data()
{
    QTest::addColumn<int>("classCapacity");
    QTest::addColumn<int>("pupilCapacity");
    QTest::addColumn<QList<int>>("sizes");
    QTest::addColumn<QList<int>>("answers");
    QTest::addColumn<int>("pupilsStored");

    QTest::newRow("pupils run out") << 4 << 5 << QList<int>{3, 3, 2} << QList<int>{1, 3, 1} << 5;
    QTest::newRow("classes run out") << 2 << 100 << QList<int>{1, 1, 1} << QList<int>{1, 1, 3} << 2;
    QTest::newRow("exactly full") << 1 << 3 << QList<int>{3, 0} << QList<int>{1, 3} << 3;
    QTest::newRow("no room at all") << 0 << 0 << QList<int>{1} << QList<int>{3} << 0;
}

void MachineInterfaceTest::instrumentFull()
{
    QFETCH(int, classCapacity);
    QFETCH(int, pupilCapacity);
    QFETCH(QList<int>, sizes);
    QFETCH(QList<int>, answers);
    QFETCH(int, pupilsStored);

    QVERIFY(startInstrument({u"--capacity-classes"_s, QString::number(classCapacity),
                             u"--capacity-pupils"_s, QString::number(pupilCapacity)}));
    QCOMPARE(CMD0_Handshake(), 1);
    int number = 1000;
    for (qsizetype i = 0; i < sizes.size(); ++i) {
        const QByteArray name = "Class " + QByteArray::number(i);
        QCOMPARE(CMD1_WriteOneClass(name.constData(), sizes[i]), answers[i]);
        for (int p = 0; p < sizes[i]; ++p) {
            const int stored =
                CMD2_WriteOneStudent(QByteArray::number(++number).constData(), "Pupil");
            // Pupils of a class the instrument turned down go nowhere.
            QCOMPARE(stored == 1, answers[i] == 1);
        }
    }
    int classes = Sentinel, pupils = Sentinel;
    QCOMPARE(CMD3_ReadClassStudnetCount(&classes, &pupils), 1);
    QCOMPARE(classes, int(answers.count(1)));
    QCOMPARE(pupils, pupilsStored);
}

void MachineInterfaceTest::readAndDecodeRecords()
{
    QVERIFY(startInstrument());
    QCOMPARE(CMD0_Handshake(), 1);
    QVERIFY(download(sampleClasses()));
    QCOMPARE(CMD10_Goodbye(), 1);
    m_instrument.reset();

    const QList<QStringList> recorded{
        {u"0"_s, u"2024001"_s, u"6"_s, u"745"_s, {}, u"2024-05-06T09:30"_s},
        {u"1"_s, u"G110101201001011234"_s, u"3"_s, u"3200"_s, {}, u"2010-01-01T00:00"_s},
        {u"0"_s, u"2024003"_s, u"e"_s, u"170.5"_s, u"65.5"_s, {}},
        {u"0"_s, u"2024001"_s, u"4"_s, u"-3.5"_s, {}, u"2025-12-31T23:59"_s},
    };
    for (const QStringList& r : recorded) {
        QStringList args{u"--record"_s, u"--class"_s, r[0],         u"--number"_s, r[1],
                         u"--item"_s,   r[2],         u"--value"_s, r[3]};
        if (!r[4].isEmpty())
            args << u"--value2"_s << r[4];
        if (!r[5].isEmpty())
            args << u"--time"_s << r[5];
        QByteArray errors;
        QCOMPARE(InstrumentProcess::runAction(statePath(), args, &errors), 0);
    }

    QVERIFY(startInstrument());
    QCOMPARE(CMD0_Handshake(), 1);
    int classes = Sentinel, records = Sentinel;
    QCOMPARE(CMD7_ReadClassStudnetCount2(&classes, &records), 1);
    QCOMPARE(classes, 3);
    QCOMPARE(records, 4);
    const int expectedCounts[] = {3, 1, 0};
    for (int c = 0; c < 3; ++c) {
        std::array<char, 17> name{};
        int count = Sentinel;
        QCOMPARE(CMD4_ReadClassInfo(c, name.data(), &count), 1);
        QCOMPARE(count, expectedCounts[c]);
    }

    std::array<unsigned char, 27> raw{};
    // Class 0 in recording order: item 6, the double record, item 4.
    QCOMPARE(CMD5_ReadTestValue(0, 0, raw.data()), 1);
    Decoded d = decode(raw);
    QCOMPARE(d.result, 1);
    QCOMPARE(QByteArray(d.number.data()), "2024001");
    QCOMPARE(d.item, 6);
    QCOMPARE(QByteArray(d.value.data()), "745");
    QCOMPARE(QByteArray(d.value.data()).toInt() / 100.0, 7.45);
    QCOMPARE(d.time, (std::array<unsigned char, 5>{14, 5, 6, 9, 30}));

    QCOMPARE(CMD5_ReadTestValue(0, 1, raw.data()), 1);
    d = decode(raw);
    QCOMPARE(d.result, 1);
    QCOMPARE(QByteArray(d.number.data()), "2024003");
    QCOMPARE(d.item, 'e');
    QCOMPARE(QByteArray(d.value.data()), "170.5");
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(d.time.data())), "65.5");
    QCOMPARE(d.time[4], 0);

    QCOMPARE(CMD5_ReadTestValue(0, 2, raw.data()), 1);
    d = decode(raw);
    QCOMPARE(d.item, 4);
    QCOMPARE(QByteArray(d.value.data()), "-3.5");
    QCOMPARE(d.time, (std::array<unsigned char, 5>{15, 12, 31, 23, 59}));

    QCOMPARE(CMD5_ReadTestValue(1, 0, raw.data()), 1);
    d = decode(raw);
    QCOMPARE(QByteArray(d.number.data()), "G110101201001011234");
    QCOMPARE(d.item, 3);
    QCOMPARE(QByteArray(d.value.data()), "3200");
    QCOMPARE(d.time, (std::array<unsigned char, 5>{0, 1, 1, 0, 0}));

    // Past the end, and a class without results: nothing is written.
    raw.fill(0xAA);
    QCOMPARE(CMD5_ReadTestValue(0, 3, raw.data()), 0);
    QCOMPARE(CMD5_ReadTestValue(2, 0, raw.data()), 0);
    QCOMPARE(CMD5_ReadTestValue(7, 0, raw.data()), 0);
    QCOMPARE(raw[0], 0xAA);
    QCOMPARE(CMD7_ReadClassStudnetCount2(&classes, &records), 1);
}

void MachineInterfaceTest::recordActionRejectsBadResults_data()
{
    QTest::addColumn<QStringList>("args");

    const QStringList ok{u"--class"_s, u"0"_s, u"--number"_s, u"7001"_s, u"--item"_s, u"6"_s};
    QTest::newRow("pupil not in that class")
        << QStringList{u"--class"_s, u"1"_s, u"--number"_s, u"7001"_s,
                       u"--item"_s,  u"6"_s, u"--value"_s,  u"745"_s};
    QTest::newRow("no such class") << QStringList{u"--class"_s, u"5"_s, u"--number"_s, u"7001"_s,
                                                  u"--item"_s,  u"6"_s, u"--value"_s,  u"745"_s};
    QTest::newRow("value too long") << ok + QStringList{u"--value"_s, u"123456"_s};
    QTest::newRow("value with letters") << ok + QStringList{u"--value"_s, u"7s45"_s};
    QTest::newRow("no value") << ok;
    QTest::newRow("weight too long")
        << QStringList{u"--class"_s, u"0"_s,       u"--number"_s, u"7001"_s,     u"--item"_s,
                       u"e"_s,       u"--value"_s, u"170.5"_s,    u"--value2"_s, u"100.5"_s};
    QTest::newRow("double without weight")
        << QStringList{u"--class"_s, u"0"_s, u"--number"_s, u"7001"_s,
                       u"--item"_s,  u"e"_s, u"--value"_s,  u"170.5"_s};
    QTest::newRow("before 2010") << ok + QStringList{u"--value"_s, u"745"_s, u"--time"_s,
                                                     u"2009-12-31T23:59"_s};
    QTest::newRow("item 0") << QStringList{u"--class"_s, u"0"_s, u"--number"_s, u"7001"_s,
                                           u"--item"_s,  u"0"_s, u"--value"_s,  u"745"_s};
}

void MachineInterfaceTest::recordActionRejectsBadResults()
{
    QFETCH(QStringList, args);

    QVERIFY(startInstrument());
    QCOMPARE(CMD0_Handshake(), 1);
    QVERIFY(download({{u"Only"_s, {{u"7001"_s, u"赵磊"_s}}}, {u"Other"_s, {}}}));
    QCOMPARE(CMD10_Goodbye(), 1);
    m_instrument.reset();

    QByteArray errors;
    QVERIFY(InstrumentProcess::runAction(statePath(), QStringList{u"--record"_s} + args, &errors) !=
            0);
    QVERIFY(!errors.isEmpty());

    QVERIFY(startInstrument());
    QCOMPARE(CMD0_Handshake(), 1);
    int classes = Sentinel, records = Sentinel;
    QCOMPARE(CMD7_ReadClassStudnetCount2(&classes, &records), 1);
    QCOMPARE(classes, 2);
    QCOMPARE(records, 0);
}

void MachineInterfaceTest::simulatedResultsArePlausible()
{
    QVERIFY(startInstrument());
    QCOMPARE(CMD0_Handshake(), 1);
    QList<ClassRow> classes;
    for (int c = 0; c < 3; ++c) {
        ClassRow row{u"初二%1班"_s.arg(c + 1), {}};
        for (int p = 0; p < 12; ++p)
            row.pupils.append({QString::number(20250000 + c * 100 + p), u"学生%1"_s.arg(p)});
        classes.append(row);
    }
    QVERIFY(download(classes));
    QCOMPARE(CMD10_Goodbye(), 1);
    m_instrument.reset();

    // Simulating with no pupils at all is an error, not an empty success.
    QTemporaryDir empty;
    QVERIFY(InstrumentProcess::runAction(empty.filePath(u"none.json"_s),
                                         {u"--simulate"_s, u"5"_s}) != 0);

    const int total = 300;
    QCOMPARE(InstrumentProcess::runAction(
                 statePath(), {u"--simulate"_s, QString::number(total), u"--seed"_s, u"42"_s}),
             0);

    QVERIFY(startInstrument());
    QCOMPARE(CMD0_Handshake(), 1);
    int classCount = Sentinel, records = Sentinel;
    QCOMPARE(CMD7_ReadClassStudnetCount2(&classCount, &records), 1);
    QCOMPARE(classCount, 3);
    QCOMPARE(records, total);

    const QDate today = QDate::currentDate();
    QSet<int> items;
    int sum = 0;
    for (int c = 0; c < classCount; ++c) {
        QSet<QByteArray> numbers;
        for (const PupilRow& p : classes[c].pupils)
            numbers.insert(gbk(p.number));
        std::array<char, 17> name{};
        int count = 0;
        QCOMPARE(CMD4_ReadClassInfo(c, name.data(), &count), 1);
        sum += count;
        for (int r = 0; r < count; ++r) {
            std::array<unsigned char, 27> raw{};
            QCOMPARE(CMD5_ReadTestValue(c, r, raw.data()), 1);
            const Decoded d = decode(raw);
            QCOMPARE(d.result, 1);
            QVERIFY2(numbers.contains(QByteArray(d.number.data())), d.number.data());
            items.insert(d.item);
            const QByteArray value(d.value.data());
            bool numeric = false;
            const double v = value.toDouble(&numeric);
            QVERIFY2(numeric, value.constData());
            if (d.item == 'e') {
                const QByteArray weight(reinterpret_cast<const char*>(d.time.data()));
                QVERIFY2(v >= 100 && v <= 200, value.constData());
                QVERIFY2(weight.size() <= 4 && weight.toDouble() >= 15 && weight.toDouble() <= 120,
                         weight.constData());
                continue;
            }
            // The station's item numbers: vital capacity, 50 m, long jump, sit and reach,
            // sit-ups, rope skipping.
            QVERIFY2(QList<int>({4, 6, 7, 8, 10, 14}).contains(d.item),
                     QByteArray::number(d.item).constData());
            if (d.item == 6) {
                // Hundredths of a second: whole numbers, a 50 m run takes 5..15 s.
                QVERIFY2(!value.contains('.') && v >= 500 && v <= 1500, value.constData());
            }
            const QDate date(2010 + d.time[0], d.time[1], d.time[2]);
            QVERIFY(date.isValid());
            QVERIFY(date <= today && date.daysTo(today) <= 60);
            QVERIFY(d.time[3] <= 23 && d.time[4] <= 59);
        }
    }
    QCOMPARE(sum, total);
    QVERIFY(items.contains('e'));
    QVERIFY(items.contains(6));
    QVERIFY(items.size() >= 4);
}

void MachineInterfaceTest::recordsAreReadInRuns()
{
    QVERIFY(startInstrument());
    QCOMPARE(CMD0_Handshake(), 1);
    ClassRow row{u"初三1班"_s, {}};
    for (int p = 0; p < 5; ++p)
        row.pupils.append({QString::number(20260100 + p), u"学生%1"_s.arg(p)});
    QVERIFY(download({row}));
    QCOMPARE(CMD10_Goodbye(), 1);
    m_instrument.reset();
    const int total = 400;
    QCOMPARE(InstrumentProcess::runAction(
                 statePath(), {u"--simulate"_s, QString::number(total), u"--seed"_s, u"7"_s}),
             0);

    QVERIFY(startInstrument());
    QCOMPARE(CMD0_Handshake(), 1);
    // Forward, as an import reads: the records come in runs.
    std::vector<std::array<unsigned char, 27>> forward(total);
    for (int r = 0; r < total; ++r)
        QCOMPARE(CMD5_ReadTestValue(0, r, forward[r].data()), 1);
    std::array<unsigned char, 27> past{};
    QCOMPARE(CMD5_ReadTestValue(0, total, past.data()), 0);
    // Backward, each record on its own: the same bytes.
    for (int r = total - 1; r >= 0; --r) {
        std::array<unsigned char, 27> raw{};
        QCOMPARE(CMD5_ReadTestValue(0, r, raw.data()), 1);
        QVERIFY2(raw == forward[r], qPrintable(QString::number(r)));
    }
    // A format in the middle of a run is not hidden by the records read ahead.
    QCOMPARE(CMD5_ReadTestValue(0, 0, past.data()), 1);
    QCOMPARE(CMD6_Format(), 1);
    QCOMPARE(CMD5_ReadTestValue(0, 1, past.data()), 0);
    QCOMPARE(CMD10_Goodbye(), 1);

    QTRY_VERIFY_WITH_TIMEOUT(m_instrument->log().contains("GOODBYE"), 5000);
    const QByteArray log = m_instrument->log();
    // 400 records forward take three runs of at most 151, not 400 round trips. Backward,
    // every record asks for a run of its own (so the three runs come once more), and the
    // two reads of a missing record ask once each.
    QCOMPARE(log.count("READ-RECORDS (class 0 records 0..+151)"), qsizetype(2));
    QCOMPARE(log.count("READ-RECORDS (class 0 records 151..+151)"), qsizetype(2));
    QCOMPARE(log.count("READ-RECORDS (class 0 records 302..+98)"), qsizetype(2));
    QCOMPARE(log.count("READ-RECORDS"), qsizetype(3 + total + 2));
}

void MachineInterfaceTest::pupilsAreTestedWhileServing()
{
    QVERIFY(startInstrument({u"--test-every"_s, u"1"_s}));
    QCOMPARE(CMD0_Handshake(), 1);
    int classes = Sentinel, records = Sentinel;
    QCOMPARE(CMD7_ReadClassStudnetCount2(&classes, &records), 1);
    QCOMPARE(records, 0);
    ClassRow row{u"初一1班"_s, {{u"20260001"_s, u"张三"_s}, {u"20260002"_s, u"李四"_s}}};
    QVERIFY(download({row}));
    // Results of the downloaded pupils appear by themselves.
    QTRY_VERIFY_WITH_TIMEOUT((CMD7_ReadClassStudnetCount2(&classes, &records), records >= 2),
                             10000);
    std::array<unsigned char, 27> raw{};
    QCOMPARE(CMD5_ReadTestValue(0, 0, raw.data()), 1);
    const Decoded d = decode(raw);
    QCOMPARE(d.result, 1);
    QVERIFY(QByteArray(d.number.data()) == "20260001" || QByteArray(d.number.data()) == "20260002");
}

void MachineInterfaceTest::formatErasesEverything()
{
    QVERIFY(startInstrument({u"--capacity-classes"_s, u"3"_s}));
    QCOMPARE(CMD0_Handshake(), 1);
    QVERIFY(download(sampleClasses()));
    QCOMPARE(CMD1_WriteOneClass("One too many", 0), 3);
    QCOMPARE(CMD10_Goodbye(), 1);
    m_instrument.reset();
    QCOMPARE(InstrumentProcess::runAction(statePath(), {u"--simulate"_s, u"20"_s}), 0);

    QVERIFY(startInstrument({u"--capacity-classes"_s, u"3"_s}));
    QCOMPARE(CMD0_Handshake(), 1);
    QCOMPARE(CMD6_Format(), 1);
    int classes = Sentinel, pupils = Sentinel, records = Sentinel;
    QCOMPARE(CMD3_ReadClassStudnetCount(&classes, &pupils), 1);
    QCOMPARE(classes, 0);
    QCOMPARE(pupils, 0);
    QCOMPARE(CMD7_ReadClassStudnetCount2(&classes, &records), 1);
    QCOMPARE(records, 0);
    std::array<char, 17> name{};
    QCOMPARE(CMD4_ReadClassInfo(0, name.data(), &records), 0);

    // The room is free again, and the erasure was saved.
    QVERIFY(restartInstrument({u"--capacity-classes"_s, u"3"_s}));
    QCOMPARE(CMD0_Handshake(), 1);
    QCOMPARE(CMD3_ReadClassStudnetCount(&classes, &pupils), 1);
    QCOMPARE(classes, 0);
    QCOMPARE(pupils, 0);
    QVERIFY(download(sampleClasses()));
}

void MachineInterfaceTest::stateSurvivesRestart_data()
{
    QTest::addColumn<bool>("killed");
    QTest::newRow("stopped") << false;
    QTest::newRow("killed") << true;
}

void MachineInterfaceTest::stateSurvivesRestart()
{
    QFETCH(bool, killed);

    QVERIFY(startInstrument());
    QCOMPARE(CMD0_Handshake(), 1);
    const QList<ClassRow> classes = sampleClasses();
    QVERIFY(download(classes));
    if (killed)
        m_instrument->kill();
    QVERIFY(restartInstrument());

    QCOMPARE(CMD0_Handshake(), 1);
    int classCount = Sentinel, pupils = Sentinel;
    QCOMPARE(CMD3_ReadClassStudnetCount(&classCount, &pupils), 1);
    QCOMPARE(classCount, 3);
    QCOMPARE(pupils, 6);
    for (int i = 0; i < classes.size(); ++i) {
        std::array<char, 17> name{};
        int count = Sentinel;
        QCOMPARE(CMD4_ReadClassInfo(i, name.data(), &count), 1);
        QCOMPARE(fromGbk(name.data()), classes[i].name);
    }
    // The pupils came back too: results can be recorded for them.
    QCOMPARE(CMD10_Goodbye(), 1);
    m_instrument.reset();
    QCOMPARE(InstrumentProcess::runAction(statePath(), {u"--record"_s, u"--class"_s, u"1"_s,
                                                        u"--number"_s, u"2024102"_s, u"--item"_s,
                                                        u"5"_s, u"--value"_s, u"210"_s}),
             0);
}

void MachineInterfaceTest::malformedFramesAreRejected()
{
    QVERIFY(startInstrument());

    // A client that does not speak the protocol is cut off.
    QTcpSocket garbage;
    garbage.connectToHost(QHostAddress::LocalHost, m_instrument->port());
    QVERIFY(garbage.waitForConnected(5000));
    garbage.write("GET / HTTP/1.0\r\n\r\n");
    QVERIFY(garbage.waitForDisconnected(5000));

    // A class name of 18 bytes ending in half a character, sent around the library's cut.
    QTcpSocket raw;
    raw.connectToHost(QHostAddress::LocalHost, m_instrument->port());
    QVERIFY(raw.waitForConnected(5000));
    const QByteArray longName = gbk(u"一二三四五六七八九"_s).left(17);
    std::vector<std::uint8_t> payload{0, 0};
    payload.insert(payload.end(), longName.begin(), longName.end());
    const auto request = sorvik::wire::frame(sorvik::wire::WriteClass, 0x01020304, payload);
    raw.write(reinterpret_cast<const char*>(request.data()), qint64(request.size()));
    QVERIFY(raw.waitForBytesWritten(5000));
    while (raw.bytesAvailable() < 10 && raw.waitForReadyRead(5000)) {
    }
    const QByteArray reply = raw.readAll();
    QCOMPARE(reply.size(), 10);
    QCOMPARE(reply.at(2), char(sorvik::wire::WriteClass | sorvik::wire::ReplyBit));
    QCOMPARE(reply.mid(3, 4), QByteArray("\x01\x02\x03\x04")); // the request's number
    QCOMPARE(reply.at(9), char(sorvik::wire::Ok));
    raw.abort();

    QCOMPARE(CMD0_Handshake(), 1);
    std::array<char, 17> name{};
    int count = Sentinel;
    QCOMPARE(CMD4_ReadClassInfo(0, name.data(), &count), 1);
    QCOMPARE(fromGbk(name.data()), u"一二三四五六七八"_s);
}

void MachineInterfaceTest::silentInstrumentTimesOut()
{
    // Accepts connections (the kernel does) but never says a word.
    QTcpServer mute;
    QVERIFY(mute.listen(QHostAddress::LocalHost, 0));
    qputenv("SORVIK_INSTRUMENT_HOST", "127.0.0.1");
    qputenv("SORVIK_INSTRUMENT_PORT", QByteArray::number(mute.serverPort()));
    QVERIFY(CMD0_Handshake() != 1);

    // An instrument that stops answering in the middle of a session.
    QVERIFY(startInstrument());
    QCOMPARE(CMD0_Handshake(), 1);
    QCOMPARE(CMD1_WriteOneClass("Paused", 2), 1);
    m_instrument->pause();
    int a = Sentinel, b = Sentinel;
    QCOMPARE(CMD3_ReadClassStudnetCount(&a, &b), 0);
    QCOMPARE(a, Sentinel);
    m_instrument->resume();
    // The late answer must not be taken for the next one: the connection is gone.
    QCOMPARE(CMD3_ReadClassStudnetCount(&a, &b), 0);
    QVERIFY(CMD2_WriteOneStudent("1", "x") != 1);
    QCOMPARE(CMD0_Handshake(), 1);
    QCOMPARE(CMD3_ReadClassStudnetCount(&a, &b), 1);
    QCOMPARE(a, 1);
}

void MachineInterfaceTest::instrumentKilledDuringExchange()
{
    QVERIFY(startInstrument());
    QCOMPARE(CMD0_Handshake(), 1);
    QCOMPARE(CMD1_WriteOneClass(gbk(u"高一(1)班"_s).constData(), 3), 1);
    QCOMPARE(CMD2_WriteOneStudent("2024001", gbk(u"张伟"_s).constData()), 1);

    // The instrument dies while a request is on its way: held still until the request waits
    // unread at its end, then killed.
    m_instrument->pause();
    int during = -1;
    std::unique_ptr<QThread> caller(
        QThread::create([&during] { during = CMD2_WriteOneStudent("2024002", "Li"); }));
    caller->start();
    QTRY_VERIFY_WITH_TIMEOUT(unreadBytesAt(m_instrument->port()) > 0, 10000);
    m_instrument->kill();
    QVERIFY(caller->wait(30000));
    QVERIFY(during != 1);

    int a = Sentinel, b = Sentinel;
    QVERIFY(CMD2_WriteOneStudent("2024003", "Wang") != 1);
    QCOMPARE(CMD3_ReadClassStudnetCount(&a, &b), 0);
    QCOMPARE(a, Sentinel);
    QCOMPARE(CMD6_Format(), 0);
    QCOMPARE(CMD10_Goodbye(), 0);
    QVERIFY(CMD0_Handshake() != 1);

    // What was stored before the kill is still there.
    QVERIFY(startInstrument());
    QCOMPARE(CMD0_Handshake(), 1);
    QCOMPARE(CMD3_ReadClassStudnetCount(&a, &b), 1);
    QCOMPARE(a, 1);
    QCOMPARE(b, 1);
}

void MachineInterfaceTest::repliesAreNotTrusted()
{
    namespace w = sorvik::wire;
    using Request = ScriptedInstrument::Request;
    const auto frame = ScriptedInstrument::frame;
    // A name of 17 bytes whose last byte is half of a character.
    const QByteArray badName = "1" + gbk(u"一二三四五六七八"_s);
    const QByteArray count5("\0\0\0\x05", 4);
    ScriptedInstrument fake([&](const Request& r) -> QByteArray {
        switch (r.command) {
        case w::Hello:
            return frame(w::Hello | w::ReplyBit, r.sequence, "\x01");
        case w::ClassInfo:
            return frame(w::ClassInfo | w::ReplyBit, r.sequence, "\x01" + count5 + badName);
        case w::Counts2: // too short
            return frame(w::Counts2 | w::ReplyBit, r.sequence, "\x01");
        case w::Counts: // the right number, the wrong command
            return frame(w::ClassInfo | w::ReplyBit, r.sequence, QByteArray("\x01\0\x01\0\x01", 5));
        case w::Format:
            return "HTTP/1.0 400 Bad Request\r\n\r\n";
        default:
            return {};
        }
    });
    qputenv("SORVIK_INSTRUMENT_HOST", "127.0.0.1");
    qputenv("SORVIK_INSTRUMENT_PORT", QByteArray::number(fake.port()));

    QCOMPARE(CMD0_Handshake(), 1);
    std::array<char, 17> name;
    name.fill('x');
    int count = Sentinel;
    QCOMPARE(CMD4_ReadClassInfo(0, name.data(), &count), 1);
    QCOMPARE(count, 5);
    QCOMPARE(fromGbk(name.data()), u"1一二三四五六七"_s);
    QCOMPARE(name[15], '\0');
    QCOMPARE(name[16], '\0');

    // Each bad reply fails the call and ends the connection.
    int a = Sentinel, b = Sentinel;
    QCOMPARE(CMD7_ReadClassStudnetCount2(&a, &b), 0);
    QCOMPARE(a, Sentinel);
    QCOMPARE(CMD4_ReadClassInfo(0, name.data(), &count), 0);
    QCOMPARE(CMD0_Handshake(), 1);
    QCOMPARE(CMD3_ReadClassStudnetCount(&a, &b), 0);
    QCOMPARE(a, Sentinel);
    QCOMPARE(CMD4_ReadClassInfo(0, name.data(), &count), 0);
    QCOMPARE(CMD0_Handshake(), 1);
    QCOMPARE(CMD6_Format(), 0);
    QCOMPARE(CMD4_ReadClassInfo(0, name.data(), &count), 0);
}

void MachineInterfaceTest::repliesAnswerTheirOwnRequest_data()
{
    QTest::addColumn<QString>("twist");
    QTest::addColumn<bool>("answered");

    // Replies the library must skip: it still gets every answer right.
    QTest::newRow("every reply sent twice") << u"doubled"_s << true;
    QTest::newRow("a stale reply before each answer") << u"stale"_s << true;
    // Replies it cannot place: the call fails and the connection ends.
    QTest::newRow("number of a request never sent") << u"future"_s << false;
    QTest::newRow("right number, other command") << u"command"_s << false;
}

void MachineInterfaceTest::repliesAnswerTheirOwnRequest()
{
    QFETCH(QString, twist);
    QFETCH(bool, answered);

    namespace w = sorvik::wire;
    using Request = ScriptedInstrument::Request;
    const auto frame = ScriptedInstrument::frame;
    // What a sound instrument answers: class i is "C<i>" with i + 5 records, record r of
    // class 0 belongs to pupil "N<r>"; runs are refused, so each record is one request.
    const auto payloadFor = [](quint8 command, const QByteArray& request, int bias) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(request.constData());
        if (command == w::ClassInfo && request.size() == 2) {
            const unsigned i = w::get16(p) + unsigned(bias);
            return "\x01" + QByteArray("\0\0\0", 3) + char(i + 5) + "C" + QByteArray::number(i);
        }
        if (command == w::ReadRecord && request.size() == 6) {
            w::Record r{"N" + std::to_string(w::get32(p + 2) + unsigned(bias)),
                        6,
                        "745",
                        {},
                        2024,
                        5,
                        6,
                        9,
                        30};
            w::RawRecord raw{};
            w::encodeRecord(r, raw);
            return "\x01" + QByteArray(reinterpret_cast<const char*>(raw.data()), 27);
        }
        if (command == w::ReadRecords)
            return QByteArray("\x02\0", 2);
        return QByteArray("\x01");
    };
    ScriptedInstrument fake([&](const Request& r) -> QByteArray {
        const quint8 replyCommand = r.command | w::ReplyBit;
        const QByteArray answer =
            frame(replyCommand, r.sequence, payloadFor(r.command, r.payload, 0));
        if (r.command == w::Hello)
            return answer;
        if (twist == u"doubled"_s)
            return answer + answer;
        if (twist == u"stale"_s) // as if for the request before, and saying something else
            return frame(replyCommand, r.sequence - 1, payloadFor(r.command, r.payload, 90)) +
                   answer;
        if (twist == u"future"_s)
            return frame(replyCommand, r.sequence + 1, payloadFor(r.command, r.payload, 0));
        return frame(w::Counts | w::ReplyBit, r.sequence, payloadFor(r.command, r.payload, 0));
    });
    qputenv("SORVIK_INSTRUMENT_HOST", "127.0.0.1");
    qputenv("SORVIK_INSTRUMENT_PORT", QByteArray::number(fake.port()));

    QCOMPARE(CMD0_Handshake(), 1);
    for (int i = 0; i < 4; ++i) {
        std::array<unsigned char, 27> raw;
        raw.fill(0xAA);
        QCOMPARE(CMD5_ReadTestValue(0, i, raw.data()), answered ? 1 : 0);
        std::array<char, 17> name;
        name.fill('x');
        int count = Sentinel;
        QCOMPARE(CMD4_ReadClassInfo(i, name.data(), &count), answered ? 1 : 0);
        if (!answered) {
            // Nothing was taken from the reply, and the connection is gone.
            QCOMPARE(raw[0], 0xAA);
            QCOMPARE(count, Sentinel);
            QCOMPARE(CMD0_Handshake(), 1);
            continue;
        }
        QCOMPARE(QByteArray(decode(raw).number.data()), "N" + QByteArray::number(i));
        QCOMPARE(QByteArray(name.data()), "C" + QByteArray::number(i));
        QCOMPARE(count, i + 5);
    }
    QCOMPARE(CMD10_Goodbye(), answered ? 1 : 0);
}

QTEST_GUILESS_MAIN(MachineInterfaceTest)
#include "testmachineinterface.moc"
