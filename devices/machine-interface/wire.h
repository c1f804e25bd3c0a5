// Wire format shared by the machine-interface library and the virtual instrument:
// frame layout with its sequence number, command bytes, the 27-byte result record and
// GBK-safe cutting.
// Plain C++ so the library stays free of Qt. See PROTOCOL.md.
#pragma once

#include "GbkCut.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sorvik::wire
{

inline constexpr std::uint8_t Magic0 = 'S';
inline constexpr std::uint8_t Magic1 = 'V';
// magic (2), command (1), sequence number (4), payload length (2)
inline constexpr std::size_t HeaderSize = 9;
inline constexpr std::size_t SequenceOffset = 3;
inline constexpr std::size_t LengthOffset = 7;
inline constexpr std::size_t MaxPayload = 4096;
inline constexpr std::size_t MaxFrame = HeaderSize + MaxPayload;
inline constexpr std::uint8_t ReplyBit = 0x80;
inline constexpr std::string_view HelloText = "SVK2";

enum Command : std::uint8_t {
    Hello = 0x00,
    WriteClass = 0x01,
    WritePupil = 0x02,
    Counts = 0x03,
    ClassInfo = 0x04,
    ReadRecord = 0x05,
    Format = 0x06,
    Counts2 = 0x07,
    Mode = 0x08,
    Goodbye = 0x0A,
    ReadRecords = 0x0B, // a run of records of one class in one reply
};

enum Status : std::uint8_t {
    Failed = 0,
    Ok = 1,
    Refused = 2,
    Full = 3,
};

inline constexpr std::size_t MaxClassName = 16;
inline constexpr std::size_t MaxPupilName = 32;
inline constexpr std::size_t MaxNumber = 20;
inline constexpr std::size_t MaxPupilsPerClass = 0xFFFF;

inline void put16(std::vector<std::uint8_t>& out, unsigned v)
{
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v));
}

inline void put32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    put16(out, v >> 16);
    put16(out, v & 0xFFFF);
}

inline unsigned get16(const std::uint8_t* p)
{
    return (unsigned(p[0]) << 8) | p[1];
}

inline std::uint32_t get32(const std::uint8_t* p)
{
    return (std::uint32_t(get16(p)) << 16) | get16(p + 2);
}

// One frame: magic, command, sequence number, big-endian payload length, payload. A reply
// carries the sequence number of the request it answers.
inline std::vector<std::uint8_t> frame(std::uint8_t command, std::uint32_t sequence,
                                       const std::vector<std::uint8_t>& payload)
{
    std::vector<std::uint8_t> out{Magic0, Magic1, command};
    put32(out, sequence);
    put16(out, static_cast<unsigned>(payload.size()));
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

// GBK cutting follows the station's one rule.
using platform::gbkCutLength;

inline std::string_view gbkCut(std::string_view text, std::size_t limit)
{
    return text.substr(0, gbkCutLength(text, limit));
}

// --- The 27-byte result record ---
//
//  bytes 0..19   pupil number, GBK, NUL-padded (a 20-byte number has no NUL)
//  byte  20      item code; DoubleItem marks height + weight in one record
//  bytes 21..26  48-bit big-endian word W:
//                W[47..28] value text, five 4-bit codes, first character highest
//                W[27]     zero
//                W[26..0]  single record: year-2010 (7 bits) month (4) day (5) hour (5) minute (6)
//                          double record: W[26..16] zero, W[15..0] item-2 value, four codes
// Character codes: 0 = end, 1..10 = '0'..'9', 11 '.', 12 '-', 13 ':', 14 '\'', 15 '"'.

inline constexpr std::size_t RawRecordSize = 27;
inline constexpr std::uint8_t DoubleItem = 0x65;
inline constexpr std::size_t MaxValue = 5;
inline constexpr std::size_t MaxValue2 = 4;
inline constexpr int FirstYear = 2010;
inline constexpr int LastYear = FirstYear + 127;

using RawRecord = std::array<std::uint8_t, RawRecordSize>;
// Records one ReadRecords reply carries at most (status and count bytes first).
inline constexpr std::size_t MaxRecordsPerReply = (MaxPayload - 2) / RawRecordSize;

struct Record {
    std::string number;
    std::uint8_t item = 0;
    std::string value;
    std::string value2; // double records only
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;

    bool isDouble() const { return item == DoubleItem; }
    bool operator==(const Record&) const = default;
};

inline int valueCode(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0' + 1;
    switch (c) {
    case '.':
        return 11;
    case '-':
        return 12;
    case ':':
        return 13;
    case '\'':
        return 14;
    case '"':
        return 15;
    default:
        return -1;
    }
}

inline char valueChar(unsigned code)
{
    static constexpr char chars[] = "\0000123456789.-:'\"";
    return code < 16 ? chars[code] : '\0';
}

inline bool isValidValue(std::string_view v, std::size_t maxLength)
{
    if (v.empty() || v.size() > maxLength)
        return false;
    for (char c : v) {
        if (valueCode(c) < 0)
            return false;
    }
    return true;
}

// Packs text into count 4-bit codes, first character in the highest code.
inline std::uint64_t packValue(std::string_view v, int count)
{
    std::uint64_t bits = 0;
    for (int i = 0; i < count; ++i) {
        const unsigned code = i < int(v.size()) ? unsigned(valueCode(v[i])) : 0u;
        bits = (bits << 4) | code;
    }
    return bits;
}

// Unpacks count codes; fails on a character after the end code.
inline bool unpackValue(std::uint64_t bits, int count, std::string& out)
{
    out.clear();
    bool ended = false;
    for (int i = count - 1; i >= 0; --i) {
        const unsigned code = (bits >> (4 * i)) & 0xF;
        if (code == 0) {
            ended = true;
        } else if (ended) {
            return false;
        } else {
            out.push_back(valueChar(code));
        }
    }
    return !out.empty();
}

inline bool isValidTime(const Record& r)
{
    return r.year >= FirstYear && r.year <= LastYear && r.month >= 1 && r.month <= 12 &&
           r.day >= 1 && r.day <= 31 && r.hour >= 0 && r.hour <= 23 && r.minute >= 0 &&
           r.minute <= 59;
}

inline bool isValidRecord(const Record& r)
{
    if (r.number.empty() || r.number.size() > MaxNumber ||
        r.number.find('\0') != std::string::npos || r.item == 0)
        return false;
    if (!isValidValue(r.value, MaxValue))
        return false;
    if (r.isDouble())
        return isValidValue(r.value2, MaxValue2);
    return r.value2.empty() && isValidTime(r);
}

inline bool encodeRecord(const Record& r, RawRecord& out)
{
    if (!isValidRecord(r))
        return false;
    out.fill(0);
    for (std::size_t i = 0; i < r.number.size(); ++i)
        out[i] = static_cast<std::uint8_t>(r.number[i]);
    out[20] = r.item;
    std::uint64_t tail = 0;
    if (r.isDouble()) {
        tail = packValue(r.value2, 4);
    } else {
        tail = (std::uint64_t(r.year - FirstYear) << 20) | (std::uint64_t(r.month) << 16) |
               (std::uint64_t(r.day) << 11) | (std::uint64_t(r.hour) << 6) |
               std::uint64_t(r.minute);
    }
    const std::uint64_t word = (packValue(r.value, 5) << 28) | tail;
    for (int i = 0; i < 6; ++i)
        out[21 + i] = static_cast<std::uint8_t>(word >> (8 * (5 - i)));
    return true;
}

inline bool decodeRecord(const std::uint8_t* raw, Record& out)
{
    Record r;
    std::size_t len = 0;
    while (len < MaxNumber && raw[len] != 0)
        ++len;
    for (std::size_t i = len; i < MaxNumber; ++i) {
        if (raw[i] != 0)
            return false;
    }
    r.number.assign(reinterpret_cast<const char*>(raw), len);
    r.item = raw[20];
    std::uint64_t word = 0;
    for (int i = 0; i < 6; ++i)
        word = (word << 8) | raw[21 + i];
    if (!unpackValue(word >> 28, 5, r.value))
        return false;
    const std::uint64_t tail = word & 0xFFFFFFF;
    if (r.isDouble()) {
        if ((tail >> 16) != 0 || !unpackValue(tail, 4, r.value2))
            return false;
    } else {
        if ((tail >> 27) != 0)
            return false;
        r.year = FirstYear + int((tail >> 20) & 0x7F);
        r.month = int((tail >> 16) & 0xF);
        r.day = int((tail >> 11) & 0x1F);
        r.hour = int((tail >> 6) & 0x1F);
        r.minute = int(tail & 0x3F);
    }
    if (!isValidRecord(r))
        return false;
    out = std::move(r);
    return true;
}

} // namespace sorvik::wire
