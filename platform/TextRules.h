#pragma once

#include <QString>

namespace platform
{

// The C library's atol/atof rules: leading white space skipped, conversion stops at the first
// character that cannot continue the number, 0 when there are no digits. Locale-independent.
long atolC(const QString& text);
double atofC(const QString& text);

// Blanks are the space character only; tabs and other white space stay.
QString trimLeftBlanks(const QString& text);
QString trimRightBlanks(const QString& text);
QString trimBlanks(const QString& text);

// True when the last three characters of path are exactly ext (case-sensitive).
bool endsWithExactly(const QString& path, const QString& ext);

// True when a file (not a folder) exists at exactly this path.
bool fileExists(const QString& path);

} // namespace platform
