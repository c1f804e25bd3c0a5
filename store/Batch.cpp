#include "Batch.h"

#include "CDB.h"
#include "Database.h"
#include "SqlConnection.h"
#include "StoreError.h"

#include <exception>

namespace store
{

namespace
{
const QString kBatchSignature = QStringLiteral("store::Batch");
}

Batch::Batch(const CDB& db) : m_uncaught(std::uncaught_exceptions())
{
    if (!db.isOpen())
        return;
    try {
        db.database()->connection().execute(QStringLiteral("SAVEPOINT sorvik_batch"));
        m_db = db.database();
    } catch (const StoreError& e) {
        ShowComError(kBatchSignature, e);
    }
}

Batch::~Batch()
{
    if (!m_db)
        return;
    if (std::uncaught_exceptions() > m_uncaught) {
        try {
            SqlConnection& conn = m_db->connection();
            conn.execute(QStringLiteral("ROLLBACK TO sorvik_batch"));
            conn.execute(QStringLiteral("RELEASE sorvik_batch"));
        } catch (const StoreError&) {
            // Already unwinding; the original error is the one that matters.
        }
        return;
    }
    commit();
}

bool Batch::commit()
{
    if (!m_db)
        return true;
    const std::shared_ptr<Database> db = std::move(m_db);
    try {
        db->connection().execute(QStringLiteral("RELEASE sorvik_batch"));
        return true;
    } catch (const StoreError& e) {
        ShowComError(kBatchSignature, e);
        try {
            SqlConnection& conn = db->connection();
            conn.execute(QStringLiteral("ROLLBACK TO sorvik_batch"));
            conn.execute(QStringLiteral("RELEASE sorvik_batch"));
        } catch (const StoreError&) {
        }
        return false;
    }
}

} // namespace store
