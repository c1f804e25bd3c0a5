#pragma once

#include <QDate>
#include <QString>

namespace platform
{

// A birth date as the imports read it from a cell: the date and whether the text was one.
// An unreadable text gives the automation zero date, 30 December 1899, marked invalid; the
// store keeps that date as it is.
struct ImportDate {
    QDate date;
    bool bValid = false;
};

// Year-month-day with "-" or "/" between (the same one twice), month and day with or without
// a leading zero, optionally followed by a time of day as in a date cell's text
// ("1997-09-14 08:30:00"). Anything else, the empty text included, is invalid.
ImportDate dateFromText(const QString& strText);

// 30 December 1899, day 0 of the automation date count.
QDate automationZeroDate();

} // namespace platform
