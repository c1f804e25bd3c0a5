// A library whose instrument counts three classes but has none at index 1, as after a class was
// taken off it: the class list must skip the gap. The four records of class 0 are, in order: a
// sound one, one its decoder refuses after giving the number and item, one it refuses outright,
// a sound one; there is nothing beyond them. Every other call answers without an instrument.

#include <cstring>

#define SPARSE_API extern "C" __attribute__((visibility("default")))

SPARSE_API int CMD0_Handshake()
{
    return 1;
}

SPARSE_API int CMD10_Goodbye()
{
    return 1;
}

SPARSE_API int f1(int, int)
{
    return 1;
}

SPARSE_API int CMD1_WriteOneClass(const char*, int)
{
    return 2;
}

SPARSE_API int CMD2_WriteOneStudent(const char*, const char*)
{
    return 2;
}

SPARSE_API int CMD3_ReadClassStudnetCount(int* classCount, int* pupilCount)
{
    *classCount = 2;
    *pupilCount = 0;
    return 1;
}

SPARSE_API int CMD7_ReadClassStudnetCount2(int* classCount, int* secondCount)
{
    *classCount = 3;
    *secondCount = 7;
    return 1;
}

SPARSE_API int CMD4_ReadClassInfo(int classIndex, char* name17, int* recordCount)
{
    if (classIndex == 0) {
        std::strcpy(name17, "\xbc\xd7\xb0\xe0"); // 甲班
        *recordCount = 4;
        return 1;
    }
    if (classIndex == 2) {
        std::strcpy(name17, "\xb1\xfb\xb0\xe0"); // 丙班
        *recordCount = 3;
        return 1;
    }
    return 0;
}

// The raw record only says which record it is.
SPARSE_API int CMD5_ReadTestValue(int classIndex, int recordIndex, unsigned char* raw27)
{
    raw27[0] = classIndex == 0 && recordIndex >= 0 && recordIndex < 4 ? recordIndex + 1 : 0;
    return raw27[0] != 0;
}

SPARSE_API int qrv_dll_DecodeOneValue(const unsigned char* raw27, char* number24,
                                      unsigned char* itemCode1, char* value6, unsigned char* time5)
{
    if (raw27[0] == 3)
        return 0;
    std::strcpy(number24, raw27[0] == 1 ? "2024001" : "2024002");
    *itemCode1 = raw27[0] == 2 ? 7 : 6;
    std::strcpy(value6, raw27[0] == 1 ? "745" : raw27[0] == 4 ? "0" : "");
    std::memcpy(time5, "\x0e\x05\x06\x09\x1e", 5); // 2024-05-06 09:30
    return raw27[0] != 2;
}

SPARSE_API int CMD6_Format()
{
    return 1;
}
