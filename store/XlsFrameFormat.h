#pragma once

// The stream that the workbook reader process (sorvik-xlsreader) writes on its standard output,
// read back by CExcel. Plain C++ so the reader, which links no Qt, shares it.
//
// stream := magic frame*
// magic  := the 8 bytes of kMagic
// frame  := kind (1 byte) length (u32) payload (length bytes)
// All integers are little-endian. The frames, in order:
//   Sheet     (once, first): u32 record count, u32 field count
//   Row       (record count times): field count cells, each a cell type byte and its value
//   RowError  (instead of the remaining rows): i32 reason, u32 row, u32 column
//   End       (last): u32 number of Row frames written
// A Failure frame (i32 reason, u32 a, u32 b) may come at any point after the magic and ends the
// stream: the workbook cannot be read.
// A cell: CellEmpty; CellInt i32; CellDouble 8 bytes IEEE 754; CellText, CellDate,
// CellDateTime, CellTime u32 length and that many bytes of UTF-8.

#include <cstdint>

namespace xlsframes
{

inline constexpr char kMagic[8] = {'S', 'V', 'X', 'L', 'S', 'R', '1', '\n'};

enum FrameKind : std::uint8_t {
    FrameSheet = 'S',
    FrameRow = 'R',
    FrameRowError = 'X',
    FrameFailure = 'F',
    FrameEnd = 'Z',
};

enum CellType : std::uint8_t {
    CellEmpty = 0,
    CellInt = 1,
    CellDouble = 2,
    CellText = 3,
    CellDate = 4,
    CellDateTime = 5,
    CellTime = 6,
};

// Reasons of a Failure or RowError frame: FreeXL's own error codes (negative) or these.
enum Reason : std::int32_t {
    ReasonNoSheet1 = 1,    // no sheet named Sheet1
    ReasonNullHandle = 2,  // freexl_open said OK but gave no workbook
    ReasonAbsurdSize = 3,  // a = rows, b = columns the sheet declares
    ReasonNotRegular = 4,  // the path is not a regular file (a folder, a pipe, a device)
    ReasonTooLarge = 5,    // the rows would exceed kMaxStreamBytes
    ReasonUsage = 6,       // the reader was not given exactly one path
    ReasonUnknownCell = 7, // a = the cell type FreeXL gave
};

// The largest sheet an .xls file can hold (BIFF8).
inline constexpr std::uint32_t kMaxRows = 65536;
inline constexpr std::uint32_t kMaxColumns = 256;
// The most the reader writes and the station takes; a school's roster is a few megabytes.
inline constexpr std::uint32_t kMaxStreamBytes = 256u * 1024u * 1024u;

} // namespace xlsframes
