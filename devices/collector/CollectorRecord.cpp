#include "CollectorRecord.h"

namespace sorvik::collector
{

QByteArray makeRecord(const QByteArray& identifier, int itemNO, const QByteArray& value)
{
    QByteArray record = identifier.left(kIdentifierBytes);
    record.append(kIdentifierBytes - record.size(), ' ');
    record.append(QByteArray::number(itemNO % 100).rightJustified(kItemCodeBytes, '0'));
    const QByteArray v = value.right(kValueBytes);
    record.append(kValueBytes - v.size(), ' ');
    record.append(v);
    return record;
}

} // namespace sorvik::collector
