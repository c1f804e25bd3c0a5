#pragma once

#include <QList>
#include <QStringList>
#include <QVariant>

#include <memory>

namespace store
{

// How the values of a carried column are kept.
enum class ValueKind { Integer, Real, Text, Date, Blob };

struct ConvertedColumn {
    QString name;
    ValueKind kind;
};

// A new station database filled with the tables of another database file. It is written in
// one transaction under a temporary name beside its path and appears at its path only when
// finish() succeeds; a converter that fails or goes away leaves nothing behind. Every failure
// is thrown as StoreError.
class ConvertedDatabase
{
public:
    // Refuses a path that exists.
    explicit ConvertedDatabase(const QString& path);
    ~ConvertedDatabase();
    ConvertedDatabase(const ConvertedDatabase&) = delete;
    ConvertedDatabase& operator=(const ConvertedDatabase&) = delete;

    // Starts the next table. A station table (name in any case) gets the station's spelling
    // of its name and gains, empty, the station columns it lacks; other tables are carried as
    // they are. Columns keep their names and order.
    void beginTable(const QString& name, const QList<ConvertedColumn>& columns);
    // One row of the current table, a value per column: null, integer, double, text or bytes;
    // a Date column takes the OLE day count. The error says which column could not be kept.
    void addRow(const QVariantList& values);
    // The name the current table got in the new database, and the columns it gained.
    QString tableName() const;
    QStringList addedColumns() const;

    // Commits, closes, and moves the file to its path (never over a file that appeared).
    void finish();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace store
