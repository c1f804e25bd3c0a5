#pragma once

#include "SqlEngine.h"

#include <memory>

namespace store
{

// The engine of a station database file.
class SqliteEngine : public SqlEngine
{
public:
    explicit SqliteEngine(const QString& path);
    ~SqliteEngine() override;

    ResultTable query(const QString& sql, const QVariantList& params,
                      bool firstColumnIsRowid) override;
    int execute(const QString& sql, const QVariantList& params) override;
    void executeScript(const QString& sql) override;
    qint64 lastInsertRowid() const override;
    QStringList tableNames() override;
    bool inTransaction() override;
    void beginWrite(int waitMs) override;
    void command(const char* sql) override;
    void commandQuietly(const char* sql) noexcept override;

    static QStringList tableNamesOf(const QString& path);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace store
