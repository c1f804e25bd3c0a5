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

Batch::Batch(const CDB& db) : Batch(db, Options{}) {}

Batch::Batch(const CDB& db, Options options)
    : m_options(options), m_uncaught(std::uncaught_exceptions())
{
    if (!db.isOpen()) {
        m_error = QStringLiteral("数据库没有打开");
        return;
    }
    try {
        db.database()->connection().beginBatch(m_options.waitMs, m_options.queueWrites);
        m_db = db.database();
    } catch (const StoreError& e) {
        m_busy = e.isBusy();
        fail(e.description());
    }
}

Batch::~Batch()
{
    if (!m_db)
        return;
    if (std::uncaught_exceptions() > m_uncaught)
        rollback();
    else
        commit();
}

bool Batch::commit()
{
    if (!m_db)
        return false;
    const std::shared_ptr<Database> db = std::move(m_db);
    try {
        db->connection().commitBatch();
        return true;
    } catch (const StoreError& e) {
        m_busy = e.isDisconnected();
        fail(e.description());
        return false;
    }
}

void Batch::rollback()
{
    if (!m_db)
        return;
    const std::shared_ptr<Database> db = std::move(m_db);
    try {
        db->connection().rollbackBatch();
    } catch (const StoreError&) {
        // The connection is closed: nothing of the batch reached the file.
    }
}

void Batch::fail(const QString& description)
{
    m_error = description;
    if (m_options.report)
        ShowComError(kBatchSignature, description);
}

} // namespace store
