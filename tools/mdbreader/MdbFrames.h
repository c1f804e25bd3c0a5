#pragma once

// The stream in which sorvik-mdb-reader hands an Access file's tables to the converter.
// Every frame is one kind byte, the payload length (32 bits, little-endian) and the payload.
// Payload fields are little-endian; a text is its UTF-8 length (32 bits) and its bytes.
//
//   File     jet version (u8: 0 Jet 3, 1 Jet 4, ...), page size (u32)
//   Catalog  table count (u32), then per table: name, declared rows (u32), columns (u16)
//   Table    name, declared rows (u32), column count (u16),
//            then per column: name, Jet column type (u8), declared size (u16)
//   Row      per column: a value tag and the value (see Tag)
//   TableEnd rows sent for the table (u32)
//   Done     nothing: every table was read
//   Error    message: the reader gave up on the file
//
// The reader writes nothing but frames on its standard output.

#include <cstdint>

namespace mdbframes
{

enum Kind : std::uint8_t {
    File = 'F',
    Catalog = 'C',
    Table = 'T',
    Row = 'R',
    TableEnd = 'E',
    Done = 'Z',
    Error = 'X',
};

enum Tag : std::uint8_t {
    Null = 0,
    Integer = 1, // i64
    Real = 2,    // f64
    Text = 3,    // text
    Date = 4,    // f64 day count since 1899-12-30, time of day as the fraction's size
    Blob = 5,    // u32 length and the bytes
};

// Jet column types as the table definition gives them.
enum JetType : std::uint8_t {
    JetBool = 0x01,
    JetByte = 0x02,
    JetInt = 0x03,
    JetLong = 0x04,
    JetMoney = 0x05,
    JetSingle = 0x06,
    JetDouble = 0x07,
    JetDateTime = 0x08,
    JetBinary = 0x09,
    JetText = 0x0A,
    JetOle = 0x0B,
    JetMemo = 0x0C,
    JetGuid = 0x0F,
    JetNumeric = 0x10,
};

constexpr std::uint32_t kHeaderSize = 5;
// No frame of a sound file comes near this; a larger length means the stream is broken.
constexpr std::uint32_t kMaxPayload = 256u * 1024u * 1024u;

} // namespace mdbframes
