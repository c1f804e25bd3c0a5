// The one rule for cutting GBK text to a byte limit. Plain C++ without Qt: the station and the
// machine-interface library (which must not need Qt) both cut by it.
#pragma once

#include <cstddef>
#include <string_view>

namespace platform
{

// Bytes of the character at the start of gbk: 1 for a byte below 0x81 and for 0xFF (single
// bytes in code page 936), 4 for a GB18030 four-byte sequence (a lead byte followed by a digit
// 0x30..0x39), 2 for any other lead byte. 0 when the end of gbk cuts the character off.
constexpr std::size_t gbkCharLength(std::string_view gbk) noexcept
{
    if (gbk.empty())
        return 0;
    const auto lead = static_cast<unsigned char>(gbk[0]);
    if (lead < 0x81 || lead == 0xFF)
        return 1;
    if (gbk.size() < 2)
        return 0;
    const auto second = static_cast<unsigned char>(gbk[1]);
    if (second >= 0x30 && second <= 0x39)
        return gbk.size() >= 4 ? 4 : 0;
    return 2;
}

// The length of the longest prefix of gbk that fits in limit bytes and ends on a character
// boundary. A character the end of gbk cuts off is never part of it, so a cut never leaves a
// lone lead byte behind.
constexpr std::size_t gbkCutLength(std::string_view gbk, std::size_t limit) noexcept
{
    std::size_t at = 0;
    while (at < gbk.size()) {
        const std::size_t n = gbkCharLength(gbk.substr(at));
        if (n == 0 || at + n > limit)
            break;
        at += n;
    }
    return at;
}

} // namespace platform
