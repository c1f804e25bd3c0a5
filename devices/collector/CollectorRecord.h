#pragma once

#include <QByteArray>

namespace sorvik::collector
{

// One collector record: 27 GBK bytes, no separator between records.
inline constexpr int kRecordBytes = 27;
inline constexpr int kIdentifierBytes = 20; // student or card number, blank-padded
inline constexpr int kItemCodeBytes = 2;    // item number as two decimal digits
inline constexpr int kValueBytes = 5;       // decimal text, blank-padded on the left

// Builds a record from GBK identifier bytes, an item number (0..99) and value text bytes.
// The identifier is padded with blanks on the right and the value on the left; either is cut
// when too long. Callers that cannot allow a cut check the lengths first.
QByteArray makeRecord(const QByteArray& identifier, int itemNO, const QByteArray& value);

} // namespace sorvik::collector
