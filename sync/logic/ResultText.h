#pragma once

#include <QDateTime>
#include <QString>

#include <array>

// How the result import reads what an instrument recorded.
class ResultText
{
public:
    // Item 6 arrives in hundredths of a second: 0 -> "0", 5 -> "0.05", 100 -> "1.00",
    // 1234 -> "12.34". A text that does not read as a number other than 0 becomes "0".
    static QString hundredths(const QString& value);
    // The five time bytes of a single record: year - 2010, month, day, hour, minute. Invalid
    // when they make no date and time.
    static QDateTime recordTime(const std::array<unsigned char, 5>& bytes);
    // "%m-%d %H:%M" for a valid time, else empty.
    static QString timeCell(const QDateTime& time);
};
