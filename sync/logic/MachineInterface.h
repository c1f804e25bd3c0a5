#pragma once

#include <QByteArray>
#include <QLibrary>
#include <QString>
#include <QStringList>

#include <array>
#include <memory>

// One raw result record as the instrument hands it out.
using RawRecord = std::array<unsigned char, 27>;

// A result record after qrv_dll_DecodeOneValue. Texts are GBK bytes, cut at their NUL.
struct DecodedRecord {
    static constexpr int DoubleRecord = 0x65; // height and weight in one record

    QByteArray number; // the pupil number as downloaded
    int itemCode = 0;
    QByteArray value;                    // at most 5 characters; item 1 of a double record
    std::array<unsigned char, 5> time{}; // year - 2010, month, day, hour, minute

    bool isDouble() const { return itemCode == DoubleRecord; }
    // Item 2 of a double record: the value text that travels in the time bytes.
    QByteArray secondValue() const;
};

// The instrument maker's machine-interface library, bound at run time by path so that a
// maker's Linux build of the same C functions can replace ours.
//
// The member functions carry the library's own names. While the library is not bound every
// call answers 0 (the failure result callers already handle) and leaves its out values at 0.
// Out buffers and count slots are zeroed before each call, so a library that writes less than
// the whole buffer never leaves stale bytes behind; counts are read as 16-bit unsigned values
// from their 32-bit slots, as the maker's library fills them.
//
// One object serves one exchange on one thread; InstrumentExchange keeps exchanges apart.
class MachineInterface
{
public:
    // Names of the C functions the station needs, in the library's order.
    static const QStringList& functionNames();
    // The path from the settings ([instrument] library); relative paths are taken from the
    // station's folder. Default: libqrvmachine.so beside the station's executable, else in the
    // installed helper folder (/usr/lib/<multiarch>/sorvik).
    static QString configuredPath();

    // Binds the configured library; on failure tells the user through the application's
    // message box which library or which functions are missing. Never null.
    static std::shared_ptr<MachineInterface> bind();

    // Binds the library at path without telling anybody; see problem().
    explicit MachineInterface(const QString& path);
    ~MachineInterface();
    MachineInterface(const MachineInterface&) = delete;
    MachineInterface& operator=(const MachineInterface&) = delete;

    bool isBound() const { return m_bound; }
    QString path() const { return m_path; }
    // Why binding failed, as the user is told it; empty when bound.
    QString problem() const { return m_problem; }
    QStringList missingFunctions() const { return m_missing; }

    int CMD0_Handshake();
    int f1(int a, int b);
    int CMD1_WriteOneClass(const QByteArray& className, int pupilCount);
    int CMD2_WriteOneStudent(const QByteArray& number, const QByteArray& name);
    int CMD3_ReadClassStudnetCount(int& classCount, int& pupilCount);
    // The library's second count is not read.
    int CMD7_ReadClassStudnetCount2(int& classCount);
    // name: at most 16 bytes, never ending in half a GBK character.
    int CMD4_ReadClassInfo(int classIndex, QByteArray& name, int& recordCount);
    int CMD5_ReadTestValue(int classIndex, int recordIndex, RawRecord& raw);
    int qrv_dll_DecodeOneValue(const RawRecord& raw, DecodedRecord& record);
    int CMD6_Format();
    int CMD10_Goodbye();

private:
    struct Functions;

    QString m_path;
    QLibrary m_library;
    std::unique_ptr<Functions> m_fn;
    bool m_bound = false;
    QString m_problem;
    QStringList m_missing;
};
