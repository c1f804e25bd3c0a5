#pragma once

#include <QString>

namespace store
{

// The ISO-8601 text of an OLE date (days since 1899-12-30; before that date the time of day
// still counts forwards, so -1.25 is 1899-12-29 06:00), to the nearest second: "1997-09-14"
// for a whole day, "2026-12-07 08:30:00" otherwise. A null text when the value is no date an
// Access file can hold (years 100 to 9999).
QString oleDateText(double days);

} // namespace store
