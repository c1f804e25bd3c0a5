#pragma once

#include "CDB.h"
#include "StoreRecordset.h"

#include <QString>
#include <QVariant>

// The test values (STU_ObjectData): one row per pupil and item.
class CValue
{
public:
    explicit CValue(CDB myDB);
    ~CValue();

    // Creates the pupil's row for the item, or replaces value and item class of the existing
    // one. 1 stored, 0 on an error.
    int InsertValue(long lStuID, long lItemNO, double dValue, long lItemClass);
    // Replace the value of an existing row only; ObjectType keeps its value.
    // 1 stored, 0 when the pupil has no row for the item or on an error.
    int InsertValue(long lStuID, long lItemNO, double dValue);
    int InsertValue(long lStuID, long lItemNO, const QString& strValue);

private:
    int replaceExisting(long lStuID, long lItemNO, const QVariant& value);
    // The first row of the pupil's item; false when there is none.
    bool findRow(long lStuID, long lItemNO);

    store::StoreRecordset m_pRecordset;
};
