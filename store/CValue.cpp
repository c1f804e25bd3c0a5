#include "CValue.h"

#include "Database.h"
#include "Recordset.h"
#include "SqlConnection.h"
#include "StoreError.h"

namespace
{
// All three forms report under the same text.
QString insertValueSignature()
{
    return QStringLiteral(
        "int\tCValue::InsertValue(CString strStuNO,long lItemNO,double dValue,long lItemClass)");
}
} // namespace

CValue::CValue(CDB myDB)
    : m_pRecordset(myDB, QStringLiteral("select * from STU_ObjectData order by STU_ID"),
                   QStringLiteral("CValue::CValue(CDB myDB)"), QStringLiteral("CValue::~CValue()"))
{
}

CValue::~CValue() = default;

bool CValue::findRow(long lStuID, long lItemNO)
{
    m_pRecordset->setFilter({{QStringLiteral("stu_id"), qlonglong(lStuID)},
                             {QStringLiteral("Object_ID"), qlonglong(lItemNO)}});
    return m_pRecordset->recordCount() != 0;
}

int CValue::InsertValue(long lStuID, long lItemNO, double dValue, long lItemClass)
{
    try {
        store::Recordset& rs = *m_pRecordset;
        const bool found = findRow(lStuID, lItemNO);
        const QVariant previous = found ? rs.field(QStringLiteral("ObjectValue")) : QVariant();
        writeValue(lStuID, lItemNO, dValue, previous, [&] {
            if (!found)
                rs.addNew();
            rs.setField(QStringLiteral("STU_ID"), qlonglong(lStuID));
            rs.setField(QStringLiteral("Object_ID"), qlonglong(lItemNO));
            rs.setField(QStringLiteral("ObjectValue"), dValue);
            rs.setField(QStringLiteral("ObjectType"), qlonglong(lItemClass));
            rs.updateCurrent();
        });
        return 1;
    } catch (const store::StoreError& e) {
        ShowComError(insertValueSignature(), e);
        return 0;
    }
}

int CValue::InsertValue(long lStuID, long lItemNO, double dValue)
{
    try {
        return replaceExisting(lStuID, lItemNO, dValue);
    } catch (const store::StoreError& e) {
        ShowComError(insertValueSignature(), e);
        return 0;
    }
}

int CValue::InsertValue(long lStuID, long lItemNO, const QString& strValue)
{
    try {
        return replaceExisting(lStuID, lItemNO, strValue);
    } catch (const store::StoreError& e) {
        ShowComError(insertValueSignature(), e);
        return 0;
    }
}

int CValue::replaceExisting(long lStuID, long lItemNO, const QVariant& value)
{
    if (!findRow(lStuID, lItemNO))
        return 0;
    store::Recordset& rs = *m_pRecordset;
    writeValue(lStuID, lItemNO, value, rs.field(QStringLiteral("ObjectValue")), [&] {
        rs.setField(QStringLiteral("STU_ID"), qlonglong(lStuID));
        rs.setField(QStringLiteral("Object_ID"), qlonglong(lItemNO));
        rs.setField(QStringLiteral("ObjectValue"), value);
        rs.updateCurrent();
    });
    return 1;
}

void CValue::writeValue(long lStuID, long lItemNO, const QVariant& value, const QVariant& previous,
                        const std::function<void()>& write)
{
    if (m_source.kind == store::ValueSource::None || !m_pRecordset.database()) {
        write();
        return;
    }
    store::SqlConnection& conn = m_pRecordset.database()->connection();
    if (m_historyTable < 0)
        m_historyTable = store::ValueHistory::exists(conn) ? 1 : 0;
    if (m_historyTable != 1) {
        write();
        return;
    }
    store::ValueHistory::record(conn, lStuID, lItemNO, value, previous, m_source);
    try {
        write();
    } catch (const store::StoreError&) {
        try {
            store::ValueHistory::forgetLast(conn);
        } catch (const store::StoreError&) {
            // The storage refuses every write: the batch is rolled back whole.
        }
        throw;
    }
}
