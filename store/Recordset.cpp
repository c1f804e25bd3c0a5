#include "Recordset.h"

#include "Database.h"
#include "SqlConnection.h"
#include "StoreError.h"

#include <QRegularExpression>
#include <QVarLengthArray>

#include <algorithm>

namespace store
{

namespace
{

const QString kNoCurrentRecord = QStringLiteral(
    "Either BOF or EOF is True, or the current record has been deleted. Requested operation "
    "requires a current record.");
const QString kClosed = QStringLiteral("Operation is not allowed when the object is closed.");

QString asciiLower(const QString& text)
{
    const auto isUpper = [](QChar c) { return c >= QLatin1Char('A') && c <= QLatin1Char('Z'); };
    // Most keys (numbers, Chinese names) have no capital: share the text instead of copying it.
    if (std::none_of(text.cbegin(), text.cend(), isUpper))
        return text;
    QString out = text;
    for (QChar& c : out)
        if (isUpper(c))
            c = QChar(c.unicode() + 32);
    return out;
}

QString quotedName(const QString& name)
{
    QString n = name;
    n.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + n + QLatin1Char('"');
}

} // namespace

Recordset::~Recordset() = default;

void Recordset::open(const std::shared_ptr<Database>& db, const QString& source,
                     const QVariantList& params)
{
    close();
    if (!db)
        throw StoreError(kClosed);
    static const QRegularExpression bareTable(QStringLiteral("^\\s*([A-Za-z_][A-Za-z0-9_]*)\\s*$"));
    static const QRegularExpression selectAll(
        QStringLiteral("^\\s*select\\s+\\*\\s+from\\s+([A-Za-z_][A-Za-z0-9_]*)(\\s.*)?$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);

    QString sql;
    QString table;
    if (const auto m = bareTable.match(source); m.hasMatch()) {
        table = m.captured(1);
        sql = QStringLiteral("SELECT _rowid_, * FROM ") + quotedName(table);
    } else if (const auto s = selectAll.match(source);
               s.hasMatch() &&
               !s.captured(2).contains(QStringLiteral("join"), Qt::CaseInsensitive) &&
               !s.captured(2).contains(QStringLiteral("group"), Qt::CaseInsensitive)) {
        table = s.captured(1);
        sql = QStringLiteral("SELECT _rowid_, * FROM ") + quotedName(table) + s.captured(2);
    } else {
        sql = source;
    }

    ResultTable result = db->connection().query(sql, params, !table.isEmpty());
    m_db = db;
    m_table = table;
    m_columns = result.columns;
    m_columnByName.clear();
    m_columnBySpelling.clear();
    m_writeStatements.clear();
    for (int i = 0; i < m_columns.size(); ++i)
        if (!m_columnByName.contains(asciiLower(m_columns.at(i))))
            m_columnByName.insert(asciiLower(m_columns.at(i)), i);
    // Count the rows before the cells move out of the result.
    if (table.isEmpty())
        m_rowids.assign(result.rowCount(), 0);
    else
        m_rowids = std::move(result.rowids);
    m_cells = std::move(result.cells);
    m_indexes.clear();
    m_indexes.resize(m_columns.size());
    m_filtered = false;
    m_view.clear();
    m_pos = 0;
    m_pending.reset();
    m_alive = std::make_shared<int>(0);
    m_open = true;
}

void Recordset::close()
{
    m_open = false;
    m_alive.reset();
    m_db.reset();
    m_table.clear();
    m_columns.clear();
    m_columnByName.clear();
    m_columnBySpelling.clear();
    m_writeStatements.clear();
    m_cells.clear();
    m_rowids.clear();
    m_indexes.clear();
    m_view.clear();
    m_filtered = false;
    m_pos = 0;
    m_pending.reset();
}

void Recordset::requireOpen() const
{
    if (!m_open)
        throw StoreError(kClosed);
}

int Recordset::columnIndex(const QString& name) const
{
    requireOpen();
    // A literal passed again has the same text data: try that before comparing texts.
    for (const auto& [spelling, index] : m_columnBySpelling)
        if (spelling.constData() == name.constData() && spelling.size() == name.size())
            return index;
    for (const auto& [spelling, index] : m_columnBySpelling)
        if (spelling == name)
            return index;
    const auto it = m_columnByName.constFind(asciiLower(name));
    if (it == m_columnByName.cend())
        throw StoreError(
            QStringLiteral("Item cannot be found in the collection corresponding to the "
                           "requested name or ordinal: %1")
                .arg(name));
    if (m_columnBySpelling.size() < 64)
        m_columnBySpelling.emplace_back(name, *it);
    return *it;
}

const Recordset::Index& Recordset::indexFor(int column)
{
    auto& slot = m_indexes[column];
    if (!slot) {
        slot = std::make_unique<Index>();
        slot->reserve(rowCount());
        for (int r = 0; r < rowCount(); ++r) {
            MatchKey key = matchKey(cellAt(r, column));
            if (!key.isNull())
                (*slot)[std::move(key)].push_back(r);
        }
    }
    return *slot;
}

void Recordset::indexInsert(int column, int row, const QVariant& value)
{
    if (!m_indexes[column])
        return;
    MatchKey key = matchKey(value);
    if (key.isNull())
        return;
    Bucket& bucket = (*m_indexes[column])[std::move(key)];
    bucket.insert(std::upper_bound(bucket.begin(), bucket.end(), row), row);
}

void Recordset::indexRemove(int column, int row, const QVariant& value)
{
    if (!m_indexes[column])
        return;
    const MatchKey key = matchKey(value);
    if (key.isNull())
        return;
    auto it = m_indexes[column]->find(key);
    if (it == m_indexes[column]->end())
        return;
    Bucket& bucket = it->second;
    auto pos = std::lower_bound(bucket.begin(), bucket.end(), row);
    if (pos != bucket.end() && *pos == row)
        bucket.erase(pos);
    if (bucket.empty())
        m_indexes[column]->erase(it);
}

void Recordset::setCell(int row, int column, const QVariant& value)
{
    QVariant& cell = cellRef(row, column);
    // Writing a key column back unchanged (as every update of a found row does) keeps its place
    // in the index.
    if (!m_indexes[column] || (cell.typeId() == value.typeId() && cell == value)) {
        cell = value;
        return;
    }
    indexRemove(column, row, cell);
    cell = value;
    indexInsert(column, row, value);
}

void Recordset::setFilter(const Filter& filter)
{
    requireOpen();
    if (filter.isEmpty()) {
        m_pos = 0;
        m_filtered = false;
        m_view.clear();
        return;
    }
    struct Term {
        int column;
        MatchKey key;
    };
    QVarLengthArray<Term, 4> terms;
    bool matchesNothing = false;
    for (const FilterTerm& t : filter) {
        MatchKey key = matchKey(t.value);
        matchesNothing = matchesNothing || key.isNull();
        terms.append({columnIndex(t.column), std::move(key)});
    }
    m_pos = 0;
    m_filtered = true;
    m_view.clear();
    if (matchesNothing)
        return;
    const auto& index = indexFor(terms.front().column);
    const auto it = index.find(terms.front().key);
    if (it == index.end())
        return;
    for (int row : it->second) {
        bool all = true;
        for (qsizetype i = 1; i < terms.size() && all; ++i)
            all = matchKey(cellAt(row, terms[i].column)) == terms[i].key;
        if (all)
            m_view.push_back(row);
    }
}

int Recordset::recordCount() const
{
    requireOpen();
    return m_filtered ? static_cast<int>(m_view.size()) : rowCount();
}

bool Recordset::eof() const
{
    return m_pos >= recordCount();
}

void Recordset::moveFirst()
{
    requireOpen();
    m_pos = 0;
}

void Recordset::moveNext()
{
    if (eof())
        throw StoreError(kNoCurrentRecord);
    ++m_pos;
}

void Recordset::moveLast()
{
    const int n = recordCount();
    if (n == 0)
        throw StoreError(kNoCurrentRecord);
    m_pos = n - 1;
}

int Recordset::currentRow() const
{
    if (eof())
        throw StoreError(kNoCurrentRecord);
    return m_filtered ? m_view[m_pos] : m_pos;
}

int Recordset::fieldCount() const
{
    requireOpen();
    return static_cast<int>(m_columns.size());
}

QString Recordset::fieldName(int index) const
{
    requireOpen();
    if (index < 0 || index >= m_columns.size())
        throw StoreError(QStringLiteral("Item cannot be found in the collection corresponding "
                                        "to the requested name or ordinal."));
    return m_columns.at(index);
}

QVariant Recordset::field(const QString& name) const
{
    const int column = columnIndex(name);
    return cellAt(currentRow(), column);
}

QVariant Recordset::field(int index) const
{
    fieldName(index);
    return cellAt(currentRow(), index);
}

void Recordset::setField(const QString& name, const QVariant& value)
{
    const int column = columnIndex(name);
    const int row = currentRow();
    if (m_pending.row != row)
        m_pending.start(row, false);
    const auto& original = m_pending.original;
    if (std::none_of(original.cbegin(), original.cend(),
                     [column](const auto& o) { return o.first == column; }))
        m_pending.original.emplace_back(column, cellAt(row, column));
    setCell(row, column, normalisedForStorage(value));
}

void Recordset::addNew()
{
    requireOpen();
    if (m_table.isEmpty())
        throw StoreError(QStringLiteral("Current Recordset does not support updating."));
    const int row = rowCount();
    for (int c = 0; c < m_columns.size(); ++c)
        m_cells.append(QVariant());
    m_rowids.push_back(0);
    if (m_filtered) {
        m_view.push_back(row);
        m_pos = static_cast<int>(m_view.size()) - 1;
    } else {
        m_pos = row;
    }
    m_pending.start(row, true);
}

void Recordset::updateCurrent()
{
    const int row = currentRow();
    if (m_table.isEmpty())
        throw StoreError(QStringLiteral("Current Recordset does not support updating."));
    if (m_pending.row != row)
        return; // nothing changed on this row
    WriteKey key{m_pending.isNew, {}};
    key.columns.reserve(m_pending.original.size());
    for (const auto& o : m_pending.original)
        key.columns.push_back(o.first);
    std::sort(key.columns.begin(), key.columns.end());
    QVariantList values;
    values.reserve(qsizetype(key.columns.size()) + 1);
    for (int c : key.columns)
        values << cellAt(row, c);
    if (!key.isNew && key.columns.empty()) {
        m_pending.reset();
        return;
    }
    if (!key.isNew)
        values << m_rowids[row];
    try {
        auto it = m_writeStatements.find(key);
        if (it == m_writeStatements.end())
            it = m_writeStatements.emplace(key, writeStatement(key)).first;
        SqlConnection& conn = m_db->connection();
        // Neither waits for the server's answer in a batch that queues its writes.
        if (key.isNew) {
            m_rowids[row] = conn.writeInsert(it->second, values);
        } else {
            conn.write(it->second, values);
        }
        // Should the batch be rolled back, the row goes back to what the file holds.
        if (conn.batchDepth() > 0)
            conn.addUndo(m_alive, [this, row, isNew = key.isNew, original = m_pending.original] {
                revert(row, isNew, original);
            });
    } catch (const StoreError&) {
        discardPending();
        throw;
    }
    m_pending.reset();
}

QString Recordset::writeStatement(const WriteKey& key) const
{
    if (key.isNew && key.columns.empty())
        return QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quotedName(m_table));
    QStringList names;
    for (int c : key.columns)
        names << quotedName(m_columns.at(c));
    if (key.isNew) {
        QStringList marks;
        for (size_t i = 0; i < key.columns.size(); ++i)
            marks << QStringLiteral("?");
        return QStringLiteral("INSERT INTO %1(%2) VALUES(%3)")
            .arg(quotedName(m_table), names.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
    }
    return QStringLiteral("UPDATE %1 SET %2=? WHERE _rowid_=?")
        .arg(quotedName(m_table), names.join(QStringLiteral("=?,")));
}

void Recordset::discardPending()
{
    revert(m_pending.row, m_pending.isNew, m_pending.original);
    m_pending.reset();
}

void Recordset::revert(int row, bool isNew, const std::vector<std::pair<int, QVariant>>& original)
{
    if (row < 0 || row >= rowCount())
        return;
    for (const auto& [column, value] : original)
        setCell(row, column, value);
    if (isNew && row == rowCount() - 1) {
        // The row is not in the database: take it out of the snapshot again.
        m_cells.resize(m_cells.size() - m_columns.size());
        m_rowids.pop_back();
        if (m_filtered && !m_view.empty() && m_view.back() == row)
            m_view.pop_back();
        m_pos = std::min(m_pos, recordCount());
    }
    if (m_pending.row == row)
        m_pending.reset();
}

} // namespace store
