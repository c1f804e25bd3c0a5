#include "CCard.h"

#include "FieldValues.h"
#include "Recordset.h"
#include "ServerClaim.h"
#include "StoreError.h"
#include "TextRules.h"

namespace
{
// GetStuIDByCardNO reports under the same text as InsertUpdateCard.
QString insertUpdateCardSignature()
{
    return QStringLiteral("int  CCard::InsertUpdateCard(long lStuID,CString strStuNO)");
}
} // namespace

bool CCard::fits(const QString& strCardNO)
{
    return strCardNO.toUcs4().size() <= kCardNOLength;
}

CCard::CCard(CDB myDB)
    : m_pRecordset(myDB, QStringLiteral("select * from STU_Card order by STUID"),
                   QStringLiteral("CCard::CCard(CDB myDB)"), QStringLiteral("CCard::~CCard()"))
{
}

CCard::~CCard() = default;

int CCard::InsertUpdateCard(long lStuID, const QString& strCardNO)
{
    try {
        if (!fits(strCardNO))
            throw store::StoreError(
                QStringLiteral("卡号超过%1个字符,不能保存: %2").arg(kCardNOLength).arg(strCardNO));
        store::Recordset& rs = *m_pRecordset;
        rs.setFilter({{QStringLiteral("StuID"), qlonglong(lStuID)}});
        // On a server another station may have given the pupil a card since the snapshot: that
        // row takes the number, so that a pupil keeps one card.
        store::ServerClaim claim(m_pRecordset.database());
        if (rs.recordCount() == 0 && claim.hasCardOf(lStuID)) {
            claim.updateCard(lStuID, strCardNO);
            claim.keep();
            return 1;
        }
        if (rs.recordCount() == 0)
            rs.addNew();
        rs.setField(QStringLiteral("StuID"), qlonglong(lStuID));
        rs.setField(QStringLiteral("CardNO"), strCardNO);
        rs.updateCurrent();
        claim.keep();
        return 1;
    } catch (const store::StoreError& e) {
        ShowComError(insertUpdateCardSignature(), e);
        return 0;
    }
}

int CCard::GetStuIDByCardNO(long& lStuID, const QString& strCardNO)
{
    try {
        store::Recordset& rs = *m_pRecordset;
        rs.setFilter({{QStringLiteral("CardNO"), platform::trimRightBlanks(strCardNO)}});
        if (rs.recordCount() == 0)
            return 0;
        const QVariant id = rs.field(QStringLiteral("StuID"));
        if (!store::holdsInteger(id)) {
            lStuID = 0;
            return 0;
        }
        lStuID = static_cast<long>(id.toLongLong());
        return 1;
    } catch (const store::StoreError& e) {
        ShowComError(insertUpdateCardSignature(), e);
        return 0;
    }
}

int CCard::GetCardNOByStuID(QString& strCardNO, long lStuID)
{
    try {
        store::Recordset& rs = *m_pRecordset;
        rs.setFilter({{QStringLiteral("StuID"), qlonglong(lStuID)}});
        if (rs.recordCount() == 0)
            return 0;
        const QVariant card = rs.field(QStringLiteral("CardNO"));
        if (!card.isValid()) {
            strCardNO.clear();
            return 0;
        }
        strCardNO = card.toString();
        return 1;
    } catch (const store::StoreError& e) {
        ShowComError(QStringLiteral("int  CCard::GetCardNOByStuID(CString& strCardNO,long lStuID)"),
                     e);
        return 0;
    }
}
