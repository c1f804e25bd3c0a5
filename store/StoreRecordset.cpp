#include "StoreRecordset.h"

#include "CDB.h"
#include "StoreError.h"

namespace store
{

StoreRecordset::StoreRecordset(const CDB& db, const QString& source, const QString& openSignature,
                               QString closeSignature)
    : m_db(db.database()), m_closeSignature(std::move(closeSignature))
{
    try {
        m_recordset.open(m_db, source);
    } catch (const StoreError& e) {
        ShowComError(openSignature, e);
    }
}

StoreRecordset::~StoreRecordset()
{
    try {
        m_recordset.close();
    } catch (const StoreError& e) {
        ShowComError(m_closeSignature, e);
    }
}

} // namespace store
