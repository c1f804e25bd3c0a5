#pragma once

#include "MatchKey.h"

#include <QHash>
#include <QStringList>
#include <QVarLengthArray>
#include <QVariant>

#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

namespace store
{

class Database;

// One equality term of a filter: column (any case) = value. Values are data, never SQL text.
struct FilterTerm {
    QString column;
    QVariant value;
};
using Filter = QList<FilterTerm>;

// A client-side static snapshot of a table or a query. open() reads every row into memory;
// filters, positions and counts work on that snapshot; addNew/updateCurrent write the current
// row back with one bound statement. Rows written through one recordset stay invisible to
// recordsets opened before. Every failure is thrown as StoreError.
class Recordset
{
public:
    Recordset() = default;
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    // source: a bare table name, or a statement. "select * from T ..." keeps the snapshot
    // updatable; any other statement gives a read-only snapshot.
    void open(const std::shared_ptr<Database>& db, const QString& source,
              const QVariantList& params = {});
    void close();
    bool isOpen() const { return m_open; }

    // An empty filter shows every row. The position moves to the first row of the view.
    void setFilter(const Filter& filter);
    void clearFilter() { setFilter({}); }

    int recordCount() const;
    bool eof() const;
    void moveFirst();
    void moveNext();
    void moveLast();

    int fieldCount() const;
    QString fieldName(int index) const;
    QVariant field(const QString& name) const;
    QVariant field(int index) const;
    void setField(const QString& name, const QVariant& value);

    // Appends an empty row to the snapshot (and to the filtered view) and makes it current.
    void addNew();
    // Writes the current row's changes to the database (insert for a new row). On failure the
    // snapshot row is put back as it was and the error is thrown.
    void updateCurrent();

private:
    struct Pending {
        int row = -1;
        bool isNew = false;
        std::vector<std::pair<int, QVariant>> original; // column -> value before the change
        void start(int r, bool fresh)
        {
            row = r;
            isNew = fresh;
            original.clear(); // keeps its capacity for the next row
        }
        void reset() { start(-1, false); }
    };
    // Rows holding one key, ascending; most keys (numbers, identifiers) have one row only.
    using Bucket = QVarLengthArray<int, 1>;
    using Index = std::unordered_map<MatchKey, Bucket, MatchKeyHash>;
    // The statement that writes a row back, by kind and by the columns it sets.
    struct WriteKey {
        bool isNew;
        std::vector<int> columns;
        bool operator<(const WriteKey& o) const
        {
            return isNew != o.isNew ? isNew < o.isNew : columns < o.columns;
        }
    };

    void requireOpen() const;
    int columnIndex(const QString& name) const;
    int currentRow() const;
    QVariant& cellRef(int row, int column)
    {
        return m_cells[size_t(row) * m_columns.size() + column];
    }
    const QVariant& cellAt(int row, int column) const
    {
        return m_cells[size_t(row) * m_columns.size() + column];
    }
    int rowCount() const { return static_cast<int>(m_rowids.size()); }
    const Index& indexFor(int column);
    void indexInsert(int column, int row, const QVariant& value);
    void indexRemove(int column, int row, const QVariant& value);
    void setCell(int row, int column, const QVariant& value);
    void discardPending();
    void revert(int row, bool isNew, const std::vector<std::pair<int, QVariant>>& original);
    QString writeStatement(const WriteKey& key) const;

    std::shared_ptr<Database> m_db;
    bool m_open = false;
    QString m_table; // empty for a read-only snapshot
    QStringList m_columns;
    QHash<QString, int> m_columnByName; // ASCII-lower name -> index
    // Names as callers spelled them -> index; callers use the same few spellings over and over.
    mutable std::vector<std::pair<QString, int>> m_columnBySpelling;
    QVariantList m_cells;
    std::vector<qint64> m_rowids;
    std::vector<std::unique_ptr<Index>> m_indexes; // per column, built on first use

    bool m_filtered = false;
    std::vector<int> m_view; // rows of the filtered view
    int m_pos = 0;
    Pending m_pending;
    std::map<WriteKey, QString> m_writeStatements;
    // Lives as long as this snapshot: undo entries of a batch hold it weakly.
    std::shared_ptr<int> m_alive;
};

} // namespace store
