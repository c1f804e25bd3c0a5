#include "MachineInterface.h"

#include "Gbk.h"
#include "MessageService.h"
#include "ProfileSettings.h"
#include "StationFolders.h"

#include <QDir>
#include <QFileInfo>

#include <cstring>

namespace
{

const QString kSection = QStringLiteral("instrument");
const QString kLibraryKey = QStringLiteral("library");
const QString kDefaultFile = QStringLiteral("libqrvmachine.so");

int low16(int slot)
{
    return static_cast<int>(static_cast<unsigned>(slot) & 0xFFFFu);
}

QByteArray upToNul(const char* buffer, size_t size)
{
    return QByteArray(buffer, static_cast<qsizetype>(strnlen(buffer, size)));
}

} // namespace

struct MachineInterface::Functions {
    int (*handshake)() = nullptr;
    int (*writeOneClass)(const char*, int) = nullptr;
    int (*writeOneStudent)(const char*, const char*) = nullptr;
    int (*readClassStudentCount)(int*, int*) = nullptr;
    int (*readClassStudentCount2)(int*, int*) = nullptr;
    int (*readClassInfo)(int, char*, int*) = nullptr;
    int (*readTestValue)(int, int, unsigned char*) = nullptr;
    int (*decodeOneValue)(const unsigned char*, char*, unsigned char*, char*,
                          unsigned char*) = nullptr;
    int (*format)() = nullptr;
    int (*goodbye)() = nullptr;
    int (*mode)(int, int) = nullptr;
};

QByteArray DecodedRecord::secondValue() const
{
    return upToNul(reinterpret_cast<const char*>(time.data()), time.size());
}

const QStringList& MachineInterface::functionNames()
{
    static const QStringList names{
        QStringLiteral("CMD0_Handshake"),
        QStringLiteral("CMD1_WriteOneClass"),
        QStringLiteral("CMD2_WriteOneStudent"),
        QStringLiteral("CMD3_ReadClassStudnetCount"),
        QStringLiteral("CMD7_ReadClassStudnetCount2"),
        QStringLiteral("CMD4_ReadClassInfo"),
        QStringLiteral("CMD5_ReadTestValue"),
        QStringLiteral("qrv_dll_DecodeOneValue"),
        QStringLiteral("CMD6_Format"),
        QStringLiteral("CMD10_Goodbye"),
        QStringLiteral("f1"),
    };
    return names;
}

QString MachineInterface::configuredPath()
{
    const QString folder = platform::programFolder();
    const QString configured = platform::readProfileString(kSection, kLibraryKey).trimmed();
    if (configured.isEmpty()) {
        const QString found = platform::findHelper(kDefaultFile);
        return found.isEmpty() ? QDir(folder).filePath(kDefaultFile) : found;
    }
    return QDir::cleanPath(QDir(folder).absoluteFilePath(configured));
}

std::shared_ptr<MachineInterface> MachineInterface::bind()
{
    auto machine = std::make_shared<MachineInterface>(configuredPath());
    if (!machine->isBound())
        platform::appMessage(machine->problem());
    return machine;
}

MachineInterface::MachineInterface(const QString& path)
    : m_path(path), m_fn(std::make_unique<Functions>())
{
    if (!QFileInfo(path).isFile()) {
        m_problem = QStringLiteral("找不到仪器接口库: %1").arg(path);
        return;
    }
    m_library.setFileName(path);
    if (!m_library.load()) {
        m_problem = QStringLiteral("无法加载仪器接口库: %1\n%2").arg(path, m_library.errorString());
        return;
    }

    const auto find = [this](auto& slot, const char* name) {
        slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(m_library.resolve(name));
        if (!slot)
            m_missing << QString::fromLatin1(name);
    };
    find(m_fn->handshake, "CMD0_Handshake");
    find(m_fn->writeOneClass, "CMD1_WriteOneClass");
    find(m_fn->writeOneStudent, "CMD2_WriteOneStudent");
    find(m_fn->readClassStudentCount, "CMD3_ReadClassStudnetCount");
    find(m_fn->readClassStudentCount2, "CMD7_ReadClassStudnetCount2");
    find(m_fn->readClassInfo, "CMD4_ReadClassInfo");
    find(m_fn->readTestValue, "CMD5_ReadTestValue");
    find(m_fn->decodeOneValue, "qrv_dll_DecodeOneValue");
    find(m_fn->format, "CMD6_Format");
    find(m_fn->goodbye, "CMD10_Goodbye");
    find(m_fn->mode, "f1");

    // Half a library is no library: an exchange needs every step.
    if (!m_missing.isEmpty()) {
        m_problem = QStringLiteral("仪器接口库 %1 缺少函数: %2")
                        .arg(path, m_missing.join(QStringLiteral(", ")));
        *m_fn = Functions{};
        return;
    }
    m_bound = true;
}

// The library stays loaded: another exchange may still hold functions of it.
MachineInterface::~MachineInterface() = default;

int MachineInterface::CMD0_Handshake()
{
    return m_bound ? m_fn->handshake() : 0;
}

int MachineInterface::f1(int a, int b)
{
    return m_bound ? m_fn->mode(a, b) : 0;
}

int MachineInterface::CMD1_WriteOneClass(const QByteArray& className, int pupilCount)
{
    if (!m_bound)
        return 0;
    // The instrument's name buffer holds 16 bytes and a NUL; never hand a library more.
    const QByteArray name = platform::cutGbkBytes(className, 16);
    return m_fn->writeOneClass(name.constData(), pupilCount);
}

int MachineInterface::CMD2_WriteOneStudent(const QByteArray& number, const QByteArray& name)
{
    return m_bound ? m_fn->writeOneStudent(number.constData(), name.constData()) : 0;
}

int MachineInterface::CMD3_ReadClassStudnetCount(int& classCount, int& pupilCount)
{
    int classes = 0;
    int pupils = 0;
    const int result = m_bound ? m_fn->readClassStudentCount(&classes, &pupils) : 0;
    classCount = low16(classes);
    pupilCount = low16(pupils);
    return result;
}

int MachineInterface::CMD7_ReadClassStudnetCount2(int& classCount)
{
    int classes = 0;
    int second = 0;
    const int result = m_bound ? m_fn->readClassStudentCount2(&classes, &second) : 0;
    classCount = low16(classes);
    return result;
}

int MachineInterface::CMD4_ReadClassInfo(int classIndex, QByteArray& name, int& recordCount)
{
    char buffer[17] = {};
    int records = 0;
    const int result = m_bound ? m_fn->readClassInfo(classIndex, buffer, &records) : 0;
    name = platform::cutGbkBytes(upToNul(buffer, sizeof buffer), 16);
    recordCount = low16(records);
    return result;
}

int MachineInterface::CMD5_ReadTestValue(int classIndex, int recordIndex, RawRecord& raw)
{
    raw.fill(0);
    return m_bound ? m_fn->readTestValue(classIndex, recordIndex, raw.data()) : 0;
}

int MachineInterface::qrv_dll_DecodeOneValue(const RawRecord& raw, DecodedRecord& record)
{
    char number[24] = {};
    unsigned char item = 0;
    char value[6] = {};
    std::array<unsigned char, 5> time{};
    const int result =
        m_bound ? m_fn->decodeOneValue(raw.data(), number, &item, value, time.data()) : 0;
    record.number = upToNul(number, sizeof number);
    record.itemCode = item;
    record.value = upToNul(value, sizeof value);
    record.time = time;
    return result;
}

int MachineInterface::CMD6_Format()
{
    return m_bound ? m_fn->format() : 0;
}

int MachineInterface::CMD10_Goodbye()
{
    return m_bound ? m_fn->goodbye() : 0;
}
