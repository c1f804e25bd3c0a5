#pragma once

#include "SqlConnection.h"

namespace store
{

// One engine behind SqlConnection: runs statements and the transaction commands of a batch.
// Failures are thrown as StoreError with the kind the engine's error code says.
class SqlEngine
{
public:
    virtual ~SqlEngine() = default;
    virtual ResultTable query(const QString& sql, const QVariantList& params,
                              bool firstColumnIsRowid) = 0;
    virtual int execute(const QString& sql, const QVariantList& params) = 0;
    // A write whose outcome may be known only when the batch ends: a failure may be thrown by a
    // later statement of the batch or by its commit instead, and the batch is then lost whole.
    virtual void queue(const QString& sql, const QVariantList& params) { execute(sql, params); }
    // The same for an INSERT; returns the new row's id.
    virtual qint64 queueInsert(const QString& sql, const QVariantList& params)
    {
        execute(sql, params);
        return lastInsertRowid();
    }
    // A transaction command of a nested batch, queued the same way.
    virtual void queueCommand(const char* sql) { command(sql); }
    virtual void executeScript(const QString& sql) = 0;
    virtual qint64 lastInsertRowid() const = 0;
    virtual QStringList tableNames() = 0;
    virtual bool inTransaction() = 0;
    // Opens the outermost batch holding the right to write, waiting at most waitMs (the
    // engine's own timeout when negative).
    virtual void beginWrite(int waitMs) = 0;
    // A transaction command (SAVEPOINT, RELEASE, COMMIT); throws on failure.
    virtual void command(const char* sql) = 0;
    // The same, failures ignored: rolling back.
    virtual void commandQuietly(const char* sql) noexcept = 0;
};

} // namespace store
