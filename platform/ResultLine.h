#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace platform
{

// The text files of results: the backup file of a result import and the journal of live
// collection. GBK text with CR LF line ends; a header line, then one line per value.

// "Pelkan Collect Data\r\n"
QByteArray resultFileHeader();

// "%20s%02i%5s\r\n": the pupil number right-aligned in 20 bytes (longer ones whole), the item
// code with at least two digits, the value right-aligned in 5 bytes (longer ones whole).
QByteArray resultLine(const QByteArray& number, int itemCode, const QByteArray& value);

struct ResultLineFields {
    QByteArray number; // without its padding
    int itemCode = 0;
    QByteArray value; // without its padding
};

// A line read back (its line end may be there or not). None for the header, for a line cut
// short (the last one of a file whose writer was killed) and for anything else that is no
// result line. A number or value too long for its field was written whole; when both were, the
// value is taken as 5 bytes.
std::optional<ResultLineFields> parseResultLine(QByteArrayView line);

} // namespace platform
