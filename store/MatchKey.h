#pragma once

#include "TextHash.h"

#include <QString>
#include <QVariant>

#include <functional>

namespace store
{

// What a filter compares: trailing blanks and ASCII case do not count, and a whole number
// equals its decimal text. Whole numbers (and texts that spell one) are kept as numbers, so
// the usual keys (identifiers, student and card numbers) hash and compare without text work.
struct MatchKey {
    enum class Kind : quint8 { Null, Number, Text };
    Kind kind = Kind::Null;
    qint64 number = 0;
    QString text;

    bool isNull() const { return kind == Kind::Null; }
    bool operator==(const MatchKey& o) const
    {
        return kind == o.kind && (kind == Kind::Number ? number == o.number : text == o.text);
    }
};

struct MatchKeyHash {
    size_t operator()(const MatchKey& k) const noexcept
    {
        return k.kind == MatchKey::Kind::Number ? std::hash<qint64>{}(k.number)
                                                : TextHash{}(k.text);
    }
};

// Null has no key: it matches nothing.
MatchKey matchKey(const QVariant& value);

} // namespace store
