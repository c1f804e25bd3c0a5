#include "CItemInfo.h"

#include "FieldValues.h"
#include "Recordset.h"
#include "StoreError.h"

CItemInfo::CItemInfo(CDB myDB)
    : m_pRecordset(myDB, QStringLiteral("Code03Dict"),
                   QStringLiteral("CItemInfo::CItemInfo(CDB myDB)"),
                   QStringLiteral("CItemInfo::~CItemInfo()"))
{
}

CItemInfo::~CItemInfo() = default;

int CItemInfo::GetItemInfoByItemNO(long lItemNO, QString& strItemName, QString& strUnit,
                                   long& lItemClassNO)
{
    try {
        store::Recordset& rs = *m_pRecordset;
        rs.setFilter({{QStringLiteral("code"), qlonglong(lItemNO)}});
        if (rs.recordCount() == 0)
            return 0;
        const QString name = store::textOrEmpty(rs.field(QStringLiteral("value")));
        const QVariant unit = rs.field(QStringLiteral("Unit"));
        const long itemClass = store::requireSigned16(rs.field(QStringLiteral("SortIndex")),
                                                      QStringLiteral("SortIndex"));
        strItemName = name;
        strUnit = store::holdsText(unit) ? unit.toString() : QString();
        lItemClassNO = itemClass;
        return 1;
    } catch (const store::StoreError& e) {
        ShowComError(QStringLiteral("CItemInfo::GetItemInfoByItemNO(long lItemNO,CString& "
                                    "strItemName,CString& strUnit,long& lItemClassNO)"),
                     e);
        return 0;
    }
}
