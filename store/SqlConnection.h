#pragma once

#include <QStringList>
#include <QVariant>

#include <memory>
#include <vector>

namespace store
{

// Rows read by one statement: column names and the cells row after row.
struct ResultTable {
    QStringList columns;
    QVariantList cells;         // row-major, columns.size() cells per row
    std::vector<qint64> rowids; // filled when the first selected column is the row id
    int rowCount() const { return columns.isEmpty() ? 0 : int(cells.size() / columns.size()); }
    QVariant at(int row, int column) const { return cells.at(row * columns.size() + column); }
};

// One SQLite connection. Every statement of the station runs here, with its values bound as
// data; prepared statements are kept for reuse. Errors are thrown as StoreError.
class SqlConnection
{
public:
    explicit SqlConnection(const QString& path);
    ~SqlConnection();
    SqlConnection(const SqlConnection&) = delete;
    SqlConnection& operator=(const SqlConnection&) = delete;

    // With firstColumnIsRowid the first column goes to rowids instead of the cells.
    ResultTable query(const QString& sql, const QVariantList& params = {},
                      bool firstColumnIsRowid = false);
    // Runs a statement that returns no rows; returns the number of rows it changed.
    int execute(const QString& sql, const QVariantList& params = {});
    // Runs one or more statements without parameters.
    void executeScript(const QString& sql);
    qint64 lastInsertRowid() const;
    QStringList tableNames();

    // The tables of the database file at path, read without changing the file (no journal
    // mode switched, nothing created); throws StoreError when it is no readable database.
    static QStringList tableNamesOf(const QString& path);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// How a value is handed to the engine: dates as ISO-8601 text, integers as INTEGER.
QVariant normalisedForStorage(const QVariant& value);

} // namespace store
