#include "ResultLine.h"

#include <cctype>

namespace platform
{

namespace
{

constexpr qsizetype kNumberBytes = 20;
constexpr qsizetype kCodeBytes = 2;
constexpr qsizetype kValueBytes = 5;

QByteArray rightAligned(const QByteArray& text, qsizetype width)
{
    return text.size() >= width ? text : QByteArray(width - text.size(), ' ') + text;
}

QByteArray withoutLeadingBlanks(QByteArrayView text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == ' ')
        ++i;
    return text.sliced(i).toByteArray();
}

} // namespace

QByteArray resultFileHeader()
{
    return QByteArrayLiteral("Pelkan Collect Data\r\n");
}

QByteArray resultLine(const QByteArray& number, int itemCode, const QByteArray& value)
{
    QByteArray item = QByteArray::number(itemCode);
    if (itemCode >= 0 && item.size() < 2)
        item.prepend('0');
    return rightAligned(number, kNumberBytes) + item + rightAligned(value, kValueBytes) + "\r\n";
}

std::optional<ResultLineFields> parseResultLine(QByteArrayView line)
{
    while (!line.isEmpty() && (line.back() == '\n' || line.back() == '\r'))
        line.chop(1);
    constexpr qsizetype whole = kNumberBytes + kCodeBytes + kValueBytes;
    if (line.size() < whole)
        return std::nullopt;
    // A blank in front means the number fitted its field; the value then takes the rest.
    const qsizetype codeAt = line.size() == whole || line.front() == ' '
                                 ? kNumberBytes
                                 : line.size() - kValueBytes - kCodeBytes;
    const QByteArrayView code = line.sliced(codeAt, kCodeBytes);
    if (!std::isdigit(static_cast<unsigned char>(code[0])) ||
        !std::isdigit(static_cast<unsigned char>(code[1])))
        return std::nullopt;
    ResultLineFields f;
    f.number = withoutLeadingBlanks(line.first(codeAt));
    f.itemCode = (code[0] - '0') * 10 + (code[1] - '0');
    f.value = withoutLeadingBlanks(line.sliced(codeAt + kCodeBytes));
    return f;
}

} // namespace platform
