#include "MatchKey.h"

#include "SqlConnection.h"

#include <algorithm>
#include <cmath>

namespace store
{

namespace
{

MatchKey numberKey(qint64 n)
{
    MatchKey k;
    k.kind = MatchKey::Kind::Number;
    k.number = n;
    return k;
}

// A text that is exactly the decimal form of a whole number ("12", "-3", not "012" or "1.0").
bool spellsWholeNumber(const QString& text, qsizetype length, qint64* out)
{
    qsizetype i = 0;
    const bool negative = length > 0 && text.at(0) == QLatin1Char('-');
    if (negative)
        i = 1;
    const qsizetype digits = length - i;
    if (digits <= 0 || digits > 18)
        return false;
    if (text.at(i) == QLatin1Char('0') && (digits > 1 || negative))
        return false;
    qint64 n = 0;
    for (; i < length; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            return false;
        n = n * 10 + (c - u'0');
    }
    *out = negative ? -n : n;
    return true;
}

} // namespace

MatchKey matchKey(const QVariant& value)
{
    const QVariant v = normalisedForStorage(value);
    switch (v.typeId()) {
    case QMetaType::UnknownType:
        return {};
    case QMetaType::LongLong:
        return numberKey(v.toLongLong());
    case QMetaType::Double: {
        const double d = v.toDouble();
        // Range first: converting a double outside qint64 (or NaN) is undefined.
        if (d > -1e15 && d < 1e15 && std::trunc(d) == d)
            return numberKey(static_cast<qint64>(d));
        MatchKey k;
        k.kind = MatchKey::Kind::Text;
        k.text = QString::number(d, 'g', 17);
        return k;
    }
    default: {
        const QString text = v.toString();
        qsizetype n = text.size();
        while (n > 0 && text.at(n - 1) == QLatin1Char(' '))
            --n;
        qint64 number = 0;
        if (spellsWholeNumber(text, n, &number))
            return numberKey(number);
        MatchKey k;
        k.kind = MatchKey::Kind::Text;
        const auto isUpper = [](QChar c) { return c >= QLatin1Char('A') && c <= QLatin1Char('Z'); };
        // Most texts have neither trailing blanks nor capitals: share them instead of copying.
        if (n == text.size() && std::none_of(text.cbegin(), text.cend(), isUpper)) {
            k.text = text;
            return k;
        }
        k.text = text.left(n);
        for (QChar& c : k.text)
            if (isUpper(c))
                c = QChar(c.unicode() + 32);
        return k;
    }
    }
}

} // namespace store
