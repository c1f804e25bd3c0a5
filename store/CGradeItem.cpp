#include "CGradeItem.h"

#include "FieldValues.h"
#include "Recordset.h"
#include "StoreError.h"

CGradeItem::CGradeItem(CDB myDB)
    : m_pRecordset(myDB, QStringLiteral("prjzb"),
                   QStringLiteral("CGradeItem::CGradeItem(CDB myDB)"),
                   QStringLiteral("CGradeItem::~CGradeItem()"))
{
}

CGradeItem::~CGradeItem() = default;

int CGradeItem::GetGradeItem(long lGradeNO, const QString& strSex, QList<long>& saItemNO)
{
    try {
        store::Recordset& rs = *m_pRecordset;
        // The grade is compared as text, as the grade column of older files may hold text.
        rs.setFilter(
            {{QStringLiteral("nj"), QString::number(lGradeNO)}, {QStringLiteral("xb"), strSex}});
        if (rs.recordCount() == 0)
            return 0;
        long items[3];
        const QString columns[3] = {QStringLiteral("prj1"), QStringLiteral("prj2"),
                                    QStringLiteral("prj3")};
        for (int k = 0; k < 3; ++k)
            items[k] = store::requireSigned16(rs.field(columns[k]), columns[k]);
        saItemNO << items[0] << items[1] << items[2];
        return 1;
    } catch (const store::StoreError& e) {
        ShowComError(QStringLiteral(
                         "int CGradeItem::GetGradeItem(CString strGradeNO,CDWordArray& saItemNO)"),
                     e);
        return 0;
    }
}
