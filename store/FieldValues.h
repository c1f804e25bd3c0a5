#pragma once

#include "StoreError.h"

#include <QVariant>

// How the store classes read cells of a snapshot. A null cannot become text or a number; where
// a method has no rule of its own for null, reading one is a data-access error.
namespace store
{

inline bool holdsInteger(const QVariant& value)
{
    return value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int;
}

inline bool holdsText(const QVariant& value)
{
    return value.typeId() == QMetaType::QString;
}

// Null gives the empty text.
inline QString textOrEmpty(const QVariant& value)
{
    return value.isValid() ? value.toString() : QString();
}

inline QString requireText(const QVariant& value, const QString& column)
{
    if (!value.isValid())
        throw StoreError(QStringLiteral("字段%1没有值 (field %1 is null)").arg(column));
    return value.toString();
}

inline qlonglong requireInteger(const QVariant& value, const QString& column)
{
    if (holdsInteger(value))
        return value.toLongLong();
    bool ok = false;
    const qlonglong n = value.toLongLong(&ok);
    if (!value.isValid() || !ok)
        throw StoreError(
            QStringLiteral("字段%1不是整数 (field %1 is not a whole number)").arg(column));
    return n;
}

// Columns declared as 16-bit integers are read as such and widened.
inline long requireSigned16(const QVariant& value, const QString& column)
{
    return static_cast<qint16>(requireInteger(value, column));
}

} // namespace store
