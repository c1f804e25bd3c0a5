#pragma once

#include "CDB.h"

#include <QString>

#include <memory>

namespace store
{
class Recordset;
}

// The item dictionary (Code03Dict): item number -> name, unit and item class.
class CItemInfo
{
public:
    explicit CItemInfo(CDB myDB);
    ~CItemInfo();
    CItemInfo(const CItemInfo&) = delete;
    CItemInfo& operator=(const CItemInfo&) = delete;

    // 1 when the item exists; 0 when it does not (outputs untouched) or on an error.
    int GetItemInfoByItemNO(long lItemNO, QString& strItemName, QString& strUnit,
                            long& lItemClassNO);

private:
    std::shared_ptr<store::Database> m_pConnection;
    std::unique_ptr<store::Recordset> m_pRecordset;
};
