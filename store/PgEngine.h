#pragma once

#include "SqlEngine.h"

#include <memory>

namespace store
{

// The engine of a station database on a PostgreSQL server, through libpq. Writers take one
// lock of the database at the start of a batch, as a station file is locked by its writer, so
// batches keep the rules they have on a file (one writer at a time, busy after the wait).
// A connection lost outside a batch is opened again before the next statement; until then every
// statement fails as busy.
class PgEngine : public SqlEngine
{
public:
    explicit PgEngine(const QString& address);
    ~PgEngine() override;

    ResultTable query(const QString& sql, const QVariantList& params,
                      bool firstColumnIsRowid) override;
    int execute(const QString& sql, const QVariantList& params) override;
    // Inside a batch the write goes down the connection's pipeline and its reply is read later:
    // a whole collection tick costs about one round trip instead of one per statement.
    void queue(const QString& sql, const QVariantList& params) override;
    // An insert queued the same way is given a row id taken ahead from its table's sequence.
    qint64 queueInsert(const QString& sql, const QVariantList& params) override;
    void queueCommand(const char* sql) override;
    void executeScript(const QString& sql) override;
    qint64 lastInsertRowid() const override;
    QStringList tableNames() override;
    bool inTransaction() override;
    void beginWrite(int waitMs) override;
    void command(const char* sql) override;
    void commandQuietly(const char* sql) noexcept override;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace store
