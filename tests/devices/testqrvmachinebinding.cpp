// The library as the station binds it: loaded at run time with QLibrary, functions found
// by name, records decoded from bytes laid out as PROTOCOL.md describes.

#include "TestSupport.h"

#include <QLibrary>
#include <QTest>

#include <array>
#include <cstdint>
#include <cstring>

using namespace Qt::StringLiterals;

namespace
{

using Raw = std::array<unsigned char, 27>;

// number: up to 20 bytes; codes: the 12 four-bit codes of bytes 21..26 in order.
Raw layout(const QByteArray& number, unsigned char item, std::uint64_t word)
{
    Raw raw{};
    std::memcpy(raw.data(), number.constData(), size_t(number.size()));
    raw[20] = item;
    for (int i = 0; i < 6; ++i)
        raw[21 + i] = static_cast<unsigned char>(word >> (8 * (5 - i)));
    return raw;
}

// Value text as four-bit codes: '0'..'9' = 1..10, '.' 11, '-' 12.
std::uint64_t codes(const char* text, int count)
{
    std::uint64_t bits = 0;
    for (int i = 0; i < count; ++i) {
        const char c = i < int(std::strlen(text)) ? text[i] : '\0';
        const unsigned code = c == '\0' ? 0 : c == '.' ? 11 : c == '-' ? 12 : unsigned(c - '0' + 1);
        bits = (bits << 4) | code;
    }
    return bits;
}

std::uint64_t when(int year, int month, int day, int hour, int minute)
{
    return (std::uint64_t(year - 2010) << 20) | (std::uint64_t(month) << 16) |
           (std::uint64_t(day) << 11) | (std::uint64_t(hour) << 6) | std::uint64_t(minute);
}

} // namespace

class QrvMachineBindingTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void resolvesEverySymbol_data();
    void resolvesEverySymbol();
    void decodesDocumentedLayout_data();
    void decodesDocumentedLayout();
    void handshakeWithoutInstrument();

private:
    QLibrary m_library{QStringLiteral(SORVIK_BIN_DIR "/qrvmachine")};
};

void QrvMachineBindingTest::initTestCase()
{
    QVERIFY2(m_library.load(), qPrintable(m_library.errorString()));
}

void QrvMachineBindingTest::resolvesEverySymbol_data()
{
    QTest::addColumn<QByteArray>("symbol");
    for (const char* name :
         {"CMD0_Handshake", "CMD1_WriteOneClass", "CMD2_WriteOneStudent",
          "CMD3_ReadClassStudnetCount", "CMD7_ReadClassStudnetCount2", "CMD4_ReadClassInfo",
          "CMD5_ReadTestValue", "qrv_dll_DecodeOneValue", "CMD6_Format", "CMD10_Goodbye", "f1"})
        QTest::newRow(name) << QByteArray(name);
}

void QrvMachineBindingTest::resolvesEverySymbol()
{
    QFETCH(QByteArray, symbol);
    QVERIFY(m_library.resolve(symbol.constData()) != nullptr);
}

void QrvMachineBindingTest::decodesDocumentedLayout_data()
{
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<int>("result");
    QTest::addColumn<QByteArray>("number");
    QTest::addColumn<int>("item");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("time");

    const auto row = [](const char* name, const Raw& raw, int result, const QByteArray& number,
                        int item, const QByteArray& value, const QByteArray& time) {
        QTest::newRow(name) << QByteArray(reinterpret_cast<const char*>(raw.data()), 27) << result
                            << number << item << value << time;
    };
    const QByteArray gbkNumber("\xd1\xa7\xba\xc5"
                               "01"); // 学号01
    row("50 m run in hundredths",
        layout("2024001", 6, codes("745", 5) << 28 | when(2024, 5, 6, 9, 30)), 1, "2024001", 6,
        "745", QByteArray("\x0e\x05\x06\x09\x1e", 5));
    row("height and weight", layout("2024003", 'e', codes("170.5", 5) << 28 | codes("65.5", 4)), 1,
        "2024003", 'e', "170.5", QByteArray("65.5\0", 5));
    row("20-byte number, negative value, last minute of a year",
        layout("12345678901234567890", 4, codes("-3.5", 5) << 28 | when(2137, 12, 31, 23, 59)), 1,
        "12345678901234567890", 4, "-3.5", QByteArray("\x7f\x0c\x1f\x17\x3b", 5));
    row("GBK number", layout(gbkNumber, 3, codes("3200", 5) << 28 | when(2010, 1, 1, 0, 0)), 1,
        gbkNumber, 3, "3200", QByteArray("\0\x01\x01\0\0", 5));
    row("all zero", Raw{}, 0, {}, 0, {}, {});
    row("no number", layout("", 6, codes("745", 5) << 28 | when(2024, 5, 6, 9, 30)), 0, {}, 0, {},
        {});
    row("month 13", layout("1", 6, codes("745", 5) << 28 | when(2024, 13, 6, 9, 30)), 0, {}, 0, {},
        {});
    row("character after the end of the value",
        layout("1", 6, (codes("7", 5) | 0x5) << 28 | when(2024, 5, 6, 9, 30)), 0, {}, 0, {}, {});
    row("double record without weight", layout("1", 'e', codes("170.5", 5) << 28), 0, {}, 0, {},
        {});
    Raw afterNul = layout("12", 6, codes("745", 5) << 28 | when(2024, 5, 6, 9, 30));
    afterNul[5] = '9';
    row("bytes after the number's end", afterNul, 0, {}, 0, {}, {});
}

void QrvMachineBindingTest::decodesDocumentedLayout()
{
    QFETCH(QByteArray, raw);
    QFETCH(int, result);
    QFETCH(QByteArray, number);
    QFETCH(int, item);
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, time);

    using Decode = int (*)(const unsigned char*, char*, unsigned char*, char*, unsigned char*);
    const auto decode = reinterpret_cast<Decode>(m_library.resolve("qrv_dll_DecodeOneValue"));
    QVERIFY(decode);
    std::array<char, 24> numberOut;
    numberOut.fill('#');
    unsigned char itemOut = 0xEE;
    std::array<char, 6> valueOut;
    valueOut.fill('#');
    std::array<unsigned char, 5> timeOut;
    timeOut.fill(0xEE);
    QCOMPARE(decode(reinterpret_cast<const unsigned char*>(raw.constData()), numberOut.data(),
                    &itemOut, valueOut.data(), timeOut.data()),
             result);
    if (result == 0) {
        // A bad record leaves the caller's buffers as they were.
        QCOMPARE(numberOut[0], '#');
        QCOMPARE(itemOut, 0xEE);
        QCOMPARE(valueOut[0], '#');
        QCOMPARE(timeOut[0], 0xEE);
        return;
    }
    QCOMPARE(QByteArray(numberOut.data()), number);
    QCOMPARE(numberOut[23], '\0');
    QCOMPARE(int(itemOut), item);
    QCOMPARE(QByteArray(valueOut.data()), value);
    QCOMPARE(valueOut[5], '\0');
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(timeOut.data()), 5), time);
}

void QrvMachineBindingTest::handshakeWithoutInstrument()
{
    const testsupport::RefusingPort refusing;
    QVERIFY(refusing.port() != 0);
    qputenv("SORVIK_INSTRUMENT_HOST", "127.0.0.1");
    qputenv("SORVIK_INSTRUMENT_PORT", QByteArray::number(refusing.port()));

    using NoArgs = int (*)();
    using Counts = int (*)(int*, int*);
    const auto handshake = reinterpret_cast<NoArgs>(m_library.resolve("CMD0_Handshake"));
    const auto counts = reinterpret_cast<Counts>(m_library.resolve("CMD3_ReadClassStudnetCount"));
    const auto mode = reinterpret_cast<int (*)(int, int)>(m_library.resolve("f1"));
    QVERIFY(handshake && counts && mode);
    QVERIFY(handshake() != 1);
    QCOMPARE(mode(1, 3), 0);
    int classes = 77, pupils = 77;
    QCOMPARE(counts(&classes, &pupils), 0);
    QCOMPARE(classes, 77);
}

QTEST_GUILESS_MAIN(QrvMachineBindingTest)
#include "testqrvmachinebinding.moc"
