#pragma once

#include "Recordset.h"

#include <QString>

#include <memory>

class CDB;

namespace store
{

class Database;

// The snapshot a store object keeps for its whole life: opened when the store is made, closed
// when it goes. A failure of either is reported under the store's own signature for it; the
// store then works on a closed snapshot, whose calls throw StoreError as any failure does.
// Not copyable, and so neither is a store that holds one.
class StoreRecordset
{
public:
    StoreRecordset(const CDB& db, const QString& source, const QString& openSignature,
                   QString closeSignature);
    ~StoreRecordset();
    StoreRecordset(const StoreRecordset&) = delete;
    StoreRecordset& operator=(const StoreRecordset&) = delete;

    Recordset& operator*() { return m_recordset; }
    Recordset* operator->() { return &m_recordset; }
    // The database the snapshot was taken from, for the store's own queries.
    const std::shared_ptr<Database>& database() const { return m_db; }

private:
    std::shared_ptr<Database> m_db;
    Recordset m_recordset;
    QString m_closeSignature;
};

} // namespace store
