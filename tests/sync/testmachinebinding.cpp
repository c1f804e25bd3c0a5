// The machine-interface library as the station binds it at run time: which file, what the user
// is told when it cannot be used, and how out arguments are read.

#include "MachineInterface.h"
#include "MessageService.h"
#include "ProfileSettings.h"
#include "RecordingMessageService.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLibrary>
#include <QTest>

#include <cstdint>
#include <cstring>
#include <memory>

using platform::RecordingMessageService;

namespace
{

const QString kRealLibrary = QStringLiteral(SORVIK_BIN_DIR "/libqrvmachine.so");
const QString kFakeLibrary = QStringLiteral(SORVIK_BIN_DIR "/libfakemachine.so");
const QString kPartialLibrary = QStringLiteral(SORVIK_BIN_DIR "/libpartialmachine.so");

void configureLibrary(const QString& path)
{
    QVERIFY(platform::writeProfileString(QStringLiteral("instrument"), QStringLiteral("library"),
                                         path));
}

// A result record laid out as PROTOCOL.md describes: item 6, "745", 2024-05-06 09:30.
RawRecord runRecord(const char* number)
{
    RawRecord raw{};
    std::memcpy(raw.data(), number, std::strlen(number));
    raw[20] = 6;
    const std::uint64_t value = (std::uint64_t(8) << 16) | (std::uint64_t(5) << 12) |
                                (std::uint64_t(6) << 8); // '7' '4' '5' end end
    const std::uint64_t time = (std::uint64_t(2024 - 2010) << 20) | (std::uint64_t(5) << 16) |
                               (std::uint64_t(6) << 11) | (std::uint64_t(9) << 6) | 30;
    const std::uint64_t word = value << 28 | time;
    for (int i = 0; i < 6; ++i)
        raw[21 + i] = static_cast<unsigned char>(word >> (8 * (5 - i)));
    return raw;
}

} // namespace

class TestMachineBinding : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void defaultLibraryIsBesideTheStation();
    void configuredLibraryPath_data();
    void configuredLibraryPath();

    void unusableLibraryIsReported_data();
    void unusableLibraryIsReported();

    void bindsTheRealLibrary();
    void realLibraryFailsWithoutInstrument();

    void countsAreReadAsSixteenBits();
    void outBuffersAreZeroedAndTextsCut();
    void classNameIsCutBeforeTheLibrary();

private:
    std::unique_ptr<testsupport::IsolatedConfig> m_config;
    RecordingMessageService m_messages;
};

void TestMachineBinding::init()
{
    m_config = std::make_unique<testsupport::IsolatedConfig>();
    m_messages.clear();
    platform::setMessageService(&m_messages);
}

void TestMachineBinding::cleanup()
{
    platform::setMessageService(nullptr);
    m_config.reset();
}

void TestMachineBinding::defaultLibraryIsBesideTheStation()
{
    QCOMPARE(
        MachineInterface::configuredPath(),
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("libqrvmachine.so")));
    // The tests live beside the station, so the default is our library.
    QCOMPARE(QFileInfo(MachineInterface::configuredPath()).canonicalFilePath(),
             QFileInfo(kRealLibrary).canonicalFilePath());
}

void TestMachineBinding::configuredLibraryPath_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QString>("expected");
    const QString dir = QCoreApplication::applicationDirPath();
    QTest::newRow("absolute") << QStringLiteral("/opt/maker/lib/libqrv.so")
                              << QStringLiteral("/opt/maker/lib/libqrv.so");
    QTest::newRow("relative to the station")
        << QStringLiteral("maker/libqrv.so") << dir + QStringLiteral("/maker/libqrv.so");
    QTest::newRow("blank means the default")
        << QStringLiteral("  ") << dir + QStringLiteral("/libqrvmachine.so");
}

void TestMachineBinding::configuredLibraryPath()
{
    QFETCH(QString, setting);
    QFETCH(QString, expected);
    configureLibrary(setting);
    QCOMPARE(MachineInterface::configuredPath(), expected);
}

void TestMachineBinding::unusableLibraryIsReported_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("missing");

    const QString absent = QDir::temp().filePath(QStringLiteral("no-such-dir/libqrvmachine.so"));
    QTest::newRow("no file") << absent << QStringLiteral("找不到仪器接口库: ") + absent
                             << QStringList();
    // The "not a library" row writes its file in the test body.
    QTest::newRow("not a library")
        << QString() << QStringLiteral("无法加载仪器接口库: ") << QStringList();
    QTest::newRow("functions missing")
        << kPartialLibrary
        << QStringLiteral("仪器接口库 %1 缺少函数: CMD1_WriteOneClass, CMD2_WriteOneStudent, "
                          "CMD3_ReadClassStudnetCount, CMD7_ReadClassStudnetCount2, "
                          "CMD4_ReadClassInfo, CMD5_ReadTestValue, qrv_dll_DecodeOneValue, "
                          "CMD6_Format")
               .arg(kPartialLibrary)
        << QStringList{QStringLiteral("CMD1_WriteOneClass"),
                       QStringLiteral("CMD2_WriteOneStudent"),
                       QStringLiteral("CMD3_ReadClassStudnetCount"),
                       QStringLiteral("CMD7_ReadClassStudnetCount2"),
                       QStringLiteral("CMD4_ReadClassInfo"),
                       QStringLiteral("CMD5_ReadTestValue"),
                       QStringLiteral("qrv_dll_DecodeOneValue"),
                       QStringLiteral("CMD6_Format")};
}

void TestMachineBinding::unusableLibraryIsReported()
{
    QFETCH(QString, path);
    QFETCH(QString, message);
    QFETCH(QStringList, missing);

    if (path.isEmpty()) {
        path = QDir(m_config->path()).filePath(QStringLiteral("libqrvmachine.so"));
        QFile junk(path);
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("this is not a shared library\n");
        junk.close();
        message += path;
    }
    configureLibrary(path);

    const std::shared_ptr<MachineInterface> machine = MachineInterface::bind();
    QVERIFY(machine);
    QVERIFY(!machine->isBound());
    QCOMPARE(machine->path(), path);
    QCOMPARE(machine->missingFunctions(), missing);

    // Told once, in the application's message box.
    QCOMPARE(m_messages.count(), 1);
    const RecordingMessageService::Shown shown = m_messages.shown().first();
    QVERIFY2(shown.text.startsWith(message), qUtf8Printable(shown.text));
    QCOMPARE(shown.caption, platform::applicationTitle());
    QCOMPARE(shown.icon, platform::Icon::Warning);
    QCOMPARE(shown.buttons, platform::Buttons::Ok);
    QCOMPARE(machine->problem(), shown.text);

    // Callers meet the failure results and zeroed out values; nothing crashes.
    QCOMPARE(machine->CMD0_Handshake(), 0);
    QCOMPARE(machine->f1(1, 3), 0);
    QCOMPARE(machine->CMD1_WriteOneClass("1", 1), 0);
    QCOMPARE(machine->CMD2_WriteOneStudent("1", "x"), 0);
    int classes = 9, pupils = 9;
    QCOMPARE(machine->CMD3_ReadClassStudnetCount(classes, pupils), 0);
    QCOMPARE(classes, 0);
    QCOMPARE(pupils, 0);
    QCOMPARE(machine->CMD7_ReadClassStudnetCount2(classes), 0);
    QByteArray name("old");
    int records = 9;
    QCOMPARE(machine->CMD4_ReadClassInfo(0, name, records), 0);
    QVERIFY(name.isEmpty());
    QCOMPARE(records, 0);
    RawRecord raw;
    raw.fill(0xEE);
    QCOMPARE(machine->CMD5_ReadTestValue(0, 0, raw), 0);
    QCOMPARE(raw, RawRecord{});
    DecodedRecord record;
    record.number = "old";
    QCOMPARE(machine->qrv_dll_DecodeOneValue(runRecord("2024001"), record), 0);
    QVERIFY(record.number.isEmpty());
    QCOMPARE(machine->CMD6_Format(), 0);
    QCOMPARE(machine->CMD10_Goodbye(), 0);
    QCOMPARE(m_messages.count(), 1);
}

void TestMachineBinding::bindsTheRealLibrary()
{
    const std::shared_ptr<MachineInterface> machine = MachineInterface::bind();
    QVERIFY2(machine->isBound(), qUtf8Printable(machine->problem()));
    QVERIFY(machine->problem().isEmpty());
    QVERIFY(machine->missingFunctions().isEmpty());
    QCOMPARE(m_messages.count(), 0);

    DecodedRecord record;
    QCOMPARE(machine->qrv_dll_DecodeOneValue(runRecord("2024001"), record), 1);
    QCOMPARE(record.number, QByteArray("2024001"));
    QCOMPARE(record.itemCode, 6);
    QVERIFY(!record.isDouble());
    QCOMPARE(record.value, QByteArray("745"));
    const std::array<unsigned char, 5> when{14, 5, 6, 9, 30};
    QCOMPARE(record.time, when);
}

void TestMachineBinding::realLibraryFailsWithoutInstrument()
{
    const testsupport::RefusingPort refusing;
    QVERIFY(refusing.port() != 0);
    qputenv("SORVIK_INSTRUMENT_HOST", "127.0.0.1");
    qputenv("SORVIK_INSTRUMENT_PORT", QByteArray::number(refusing.port()));

    MachineInterface machine(kRealLibrary);
    QVERIFY(machine.isBound());
    QVERIFY(machine.CMD0_Handshake() != 1);
    int classes = 5, pupils = 5;
    QCOMPARE(machine.CMD3_ReadClassStudnetCount(classes, pupils), 0);
    QCOMPARE(classes, 0);
    QCOMPARE(pupils, 0);
    QCOMPARE(machine.CMD6_Format(), 0);
    QCOMPARE(machine.CMD10_Goodbye(), 0);
}

void TestMachineBinding::countsAreReadAsSixteenBits()
{
    configureLibrary(kFakeLibrary);
    const std::shared_ptr<MachineInterface> machine = MachineInterface::bind();
    QVERIFY2(machine->isBound(), qUtf8Printable(machine->problem()));

    int classes = 0, pupils = 0;
    QCOMPARE(machine->CMD3_ReadClassStudnetCount(classes, pupils), 1);
    QCOMPARE(classes, 7);
    QCOMPARE(pupils, 3);
    QCOMPARE(machine->CMD7_ReadClassStudnetCount2(classes), 1);
    QCOMPARE(classes, 2);
    QByteArray name;
    int records = 0;
    QCOMPARE(machine->CMD4_ReadClassInfo(0, name, records), 1);
    QCOMPARE(records, 5);
    QCOMPARE(machine->f1(1, 3), 13);
}

void TestMachineBinding::outBuffersAreZeroedAndTextsCut()
{
    QLibrary fake(kFakeLibrary);
    QVERIFY(fake.load());
    const auto reset = reinterpret_cast<void (*)()>(fake.resolve("fake_reset"));
    const auto zeroed = reinterpret_cast<int (*)()>(fake.resolve("fake_outs_were_zeroed"));
    QVERIFY(reset && zeroed);
    reset();

    MachineInterface machine(kFakeLibrary);
    QVERIFY(machine.isBound());

    // A 17-byte name without NUL, its 16th byte the start of a character: 15 bytes remain.
    QByteArray name("stale");
    int records = 77;
    QCOMPARE(machine.CMD4_ReadClassInfo(0, name, records), 1);
    QCOMPARE(name, QByteArray("ABCDEFGHIJKLMNO"));
    // A library that writes nothing leaves nothing stale behind.
    QCOMPARE(machine.CMD4_ReadClassInfo(1, name, records), 1);
    QCOMPARE(name, QByteArray());
    QCOMPARE(records, 0);
    QCOMPARE(machine.CMD4_ReadClassInfo(2, name, records), 0);

    RawRecord raw;
    raw.fill(0xFF);
    QCOMPARE(machine.CMD5_ReadTestValue(3, 4, raw), 1);
    QCOMPARE(int(raw[0]), 3);
    QCOMPARE(int(raw[1]), 4);
    QCOMPARE(int(raw[26]), 0);

    // A number that fills the whole buffer, and a double record's second value.
    DecodedRecord record;
    record.time.fill(0xEE);
    QCOMPARE(machine.qrv_dll_DecodeOneValue(raw, record), 1);
    QCOMPARE(record.number, QByteArray("123456789012345678901234"));
    QVERIFY(record.isDouble());
    QCOMPARE(record.value, QByteArray("170.5"));
    QCOMPARE(record.secondValue(), QByteArray("65.5"));

    QCOMPARE(zeroed(), 1);
}

void TestMachineBinding::classNameIsCutBeforeTheLibrary()
{
    QLibrary fake(kFakeLibrary);
    QVERIFY(fake.load());
    const auto lastName = reinterpret_cast<const char* (*)()>(fake.resolve("fake_last_class_name"));
    QVERIFY(lastName);

    MachineInterface machine(kFakeLibrary);
    // 15 ASCII bytes, then a two-byte character that would straddle the 16-byte limit.
    const QByteArray longName = QByteArray("ABCDEFGHIJKLMNO") + QByteArray("\xb0\xe0");
    QCOMPARE(machine.CMD1_WriteOneClass(longName, 30), 1);
    QCOMPARE(QByteArray(lastName()), QByteArray("ABCDEFGHIJKLMNO"));
    QCOMPARE(machine.CMD1_WriteOneClass(QByteArray("\xb8\xdf\xd2\xbb"), 101), 3); // 高一
    QCOMPARE(QByteArray(lastName()), QByteArray("\xb8\xdf\xd2\xbb"));
}

QTEST_GUILESS_MAIN(TestMachineBinding)
#include "testmachinebinding.moc"
