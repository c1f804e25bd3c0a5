// A library whose instrument counts three classes but has none at index 1, as after a class was
// taken off it: the class list must skip the gap. Every other call answers without an instrument.

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

SPARSE_API int CMD5_ReadTestValue(int, int, unsigned char*)
{
    return 0;
}

SPARSE_API int qrv_dll_DecodeOneValue(const unsigned char*, char*, unsigned char*, char*,
                                      unsigned char*)
{
    return 0;
}

SPARSE_API int CMD6_Format()
{
    return 1;
}
