#pragma once

#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>
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

class SqlEngine;

// One connection to a station database file (SQLite) or to a database server (PostgreSQL, when
// path is a postgresql:// address). Every statement of the station runs here, with its values bound
// as data; prepared statements are kept for reuse. Errors are thrown as StoreError.
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
    // Runs a write whose changed-row count the caller does not need. In a batch opened with
    // queueWrites on a server it goes out without waiting for the server's answer; should it
    // fail, the batch is lost whole (its commit throws) instead of this call throwing. Elsewhere
    // it is execute().
    void write(const QString& sql, const QVariantList& params = {});
    // The same for an INSERT, returning the new row's id (taken ahead on a server when queued).
    qint64 writeInsert(const QString& sql, const QVariantList& params = {});
    // Runs one or more statements without parameters.
    void executeScript(const QString& sql);
    qint64 lastInsertRowid() const;
    QStringList tableNames();

    // Batches of writes (see Batch). The outermost opens a write transaction at once, waiting
    // at most waitMs for another connection to let go (the connection's own busy timeout when
    // negative); inner ones nest as savepoints. Throws StoreError, isBusy() when another
    // connection kept the database the whole time.
    // With queueWrites (outermost batch only) write() may queue its statements, see there.
    void beginBatch(int waitMs = -1, bool queueWrites = false);
    // Ends the innermost batch; the outermost commits. Throws StoreError when the batch cannot be
    // kept, after rolling it back (isDisconnected() when the server connection was lost in it).
    void commitBatch();
    // Rolls the innermost batch back and undoes the snapshot changes made in it. Never throws.
    void rollbackBatch() noexcept;
    int batchDepth() const { return int(m_batches.size()); }
    // Once a write inside a batch failed for a reason of the storage (full disk, I/O error,
    // read-only file), every further write of it is refused: it can only be rolled back.
    bool batchFailed() const { return m_batchFailure.has_value(); }
    QString batchFailure() const { return m_batchFailure.value_or(QString()); }
    // A change that a snapshot made after a write inside a batch, undone (in reverse order) when
    // the batch is rolled back, so that snapshots keep holding what the file holds. Dropped when
    // the outermost batch commits or when owner has gone; ignored outside a batch.
    void addUndo(std::weak_ptr<const void> owner, std::function<void()> undo);

    // The tables of the database file at path, read without changing the file (no journal
    // mode switched, nothing created); throws StoreError when it is no readable database.
    static QStringList tableNamesOf(const QString& path);
    // Whether this connection goes to a database server.
    bool isServer() const { return m_server; }

private:
    struct Undo {
        std::weak_ptr<const void> owner;
        std::function<void()> undo;
    };
    struct OpenBatch {
        size_t undoMark;
        bool savepoint;
    };
    template <typename F> auto noting(F&& f) -> decltype(f());
    void undoTo(size_t mark) noexcept;

    std::unique_ptr<SqlEngine> d;
    bool m_server = false;
    std::vector<OpenBatch> m_batches;
    std::vector<Undo> m_undo;
    std::optional<QString> m_batchFailure;
    bool m_batchLost = false; // the failure was a lost server connection
    bool m_queueWrites = false;
};

// How a value is handed to the engine: dates as ISO-8601 text, integers as INTEGER.
QVariant normalisedForStorage(const QVariant& value);

} // namespace store
