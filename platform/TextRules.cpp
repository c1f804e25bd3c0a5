#include "TextRules.h"

#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <clocale>
#include <cstdlib>
#include <locale.h>

namespace platform
{

namespace
{

locale_t cLocale()
{
    static locale_t loc = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return loc;
}

} // namespace

long atolC(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    errno = 0;
    long long v = strtoll_l(bytes.constData(), nullptr, 10, cLocale());
    // atol on the station's 32-bit long: saturate rather than wrap.
    if (v > INT_MAX)
        v = INT_MAX;
    if (v < INT_MIN)
        v = INT_MIN;
    return static_cast<long>(v);
}

double atofC(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    return strtod_l(bytes.constData(), nullptr, cLocale());
}

QString trimLeftBlanks(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == QLatin1Char(' '))
        ++i;
    return text.mid(i);
}

QString trimRightBlanks(const QString& text)
{
    qsizetype n = text.size();
    while (n > 0 && text.at(n - 1) == QLatin1Char(' '))
        --n;
    return text.left(n);
}

QString trimBlanks(const QString& text)
{
    return trimLeftBlanks(trimRightBlanks(text));
}

bool endsWithExactly(const QString& path, const QString& ext)
{
    return path.size() >= ext.size() && path.right(ext.size()) == ext;
}

bool fileExists(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

} // namespace platform
