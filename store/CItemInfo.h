#pragma once

#include "CDB.h"
#include "StoreRecordset.h"

#include <QString>

// The item dictionary (Code03Dict): item number -> name, unit and item class.
class CItemInfo
{
public:
    explicit CItemInfo(CDB myDB);
    ~CItemInfo();

    // 1 when the item exists; 0 when it does not (outputs untouched) or on an error.
    int GetItemInfoByItemNO(long lItemNO, QString& strItemName, QString& strUnit,
                            long& lItemClassNO);

private:
    store::StoreRecordset m_pRecordset;
};
