// A stand-in for an instrument maker's build of the machine-interface library: it answers
// without an instrument and fills its out arguments the way a careless library might (high
// bits set in count slots, names without NUL, numbers filling the whole buffer), so the
// station's binding can be checked against it. Built twice: whole, and with most functions
// left out (SORVIK_FAKE_PARTIAL), as a library that does not fit.

#include <cstring>
#include <string>

#define FAKE_API extern "C" __attribute__((visibility("default")))

namespace
{

std::string g_calls;
std::string g_lastClassName;
bool g_outsWereZeroed = true;

void note(const char* call)
{
    if (!g_calls.empty())
        g_calls += ',';
    g_calls += call;
}

[[maybe_unused]] bool allZero(const void* data, size_t size)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i)
        if (bytes[i] != 0)
            return false;
    return true;
}

} // namespace

// Test controls.
FAKE_API void fake_reset()
{
    g_calls.clear();
    g_lastClassName.clear();
    g_outsWereZeroed = true;
}
FAKE_API const char* fake_calls()
{
    return g_calls.c_str();
}
FAKE_API const char* fake_last_class_name()
{
    return g_lastClassName.c_str();
}
FAKE_API int fake_outs_were_zeroed()
{
    return g_outsWereZeroed ? 1 : 0;
}

FAKE_API int CMD0_Handshake()
{
    note("CMD0_Handshake");
    return 1;
}

FAKE_API int CMD10_Goodbye()
{
    note("CMD10_Goodbye");
    return 1;
}

FAKE_API int f1(int a, int b)
{
    note("f1");
    return a * 10 + b;
}

#ifndef SORVIK_FAKE_PARTIAL

FAKE_API int CMD1_WriteOneClass(const char* className, int pupilCount)
{
    note("CMD1_WriteOneClass");
    g_lastClassName = className;
    return pupilCount > 100 ? 3 : 1;
}

FAKE_API int CMD2_WriteOneStudent(const char*, const char*)
{
    note("CMD2_WriteOneStudent");
    return 1;
}

// Writes whole 32-bit words whose high halves are not part of the count.
FAKE_API int CMD3_ReadClassStudnetCount(int* classCount, int* pupilCount)
{
    note("CMD3_ReadClassStudnetCount");
    g_outsWereZeroed = g_outsWereZeroed && *classCount == 0 && *pupilCount == 0;
    *classCount = int(0xABCD0007u);
    *pupilCount = 0x00010003;
    return 1;
}

FAKE_API int CMD7_ReadClassStudnetCount2(int* classCount, int*)
{
    note("CMD7_ReadClassStudnetCount2");
    *classCount = 0x7FFF0002;
    return 1;
}

// Index 0: a 17-byte name without NUL whose 16th byte starts a GBK character; index 1: writes
// nothing; any other index: no class.
FAKE_API int CMD4_ReadClassInfo(int classIndex, char* name17, int* recordCount)
{
    note("CMD4_ReadClassInfo");
    g_outsWereZeroed = g_outsWereZeroed && allZero(name17, 17);
    if (classIndex == 0) {
        std::memcpy(name17, "ABCDEFGHIJKLMNO\xd6Z", 17);
        *recordCount = 0x00020005;
        return 1;
    }
    return classIndex == 1 ? 1 : 0;
}

FAKE_API int CMD5_ReadTestValue(int classIndex, int recordIndex, unsigned char* raw27)
{
    note("CMD5_ReadTestValue");
    g_outsWereZeroed = g_outsWereZeroed && allZero(raw27, 27);
    raw27[0] = static_cast<unsigned char>(classIndex);
    raw27[1] = static_cast<unsigned char>(recordIndex);
    return 1;
}

// A double record whose number fills the whole buffer.
FAKE_API int qrv_dll_DecodeOneValue(const unsigned char*, char* number24, unsigned char* itemCode1,
                                    char* value6, unsigned char* time5)
{
    note("qrv_dll_DecodeOneValue");
    g_outsWereZeroed = g_outsWereZeroed && allZero(number24, 24) && *itemCode1 == 0 &&
                       allZero(value6, 6) && allZero(time5, 5);
    std::memcpy(number24, "123456789012345678901234", 24);
    *itemCode1 = 0x65;
    std::memcpy(value6, "170.5", 6);
    std::memcpy(time5, "65.5", 5);
    return 1;
}

FAKE_API int CMD6_Format()
{
    note("CMD6_Format");
    return 1;
}

#endif
