#include "SqlConnection.h"

#include "StoreError.h"
#include "TextHash.h"

#include <QDate>
#include <QDateTime>
#include <QHash>

#include <SQLiteCpp/SQLiteCpp.h>
#include <sqlite3.h>

#include <unordered_map>

namespace store
{

namespace
{
constexpr int kBusyTimeoutMs = 5000;
}

struct SqlConnection::Impl {
    explicit Impl(const QString& path)
        : db(path.toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_FULLMUTEX, kBusyTimeoutMs)
    {
    }
    SQLite::Database db;
    std::unordered_map<QString, std::unique_ptr<SQLite::Statement>, TextHash> statements;

    SQLite::Statement& prepare(const QString& sql)
    {
        auto it = statements.find(sql);
        if (it == statements.end())
            it = statements.emplace(sql, std::make_unique<SQLite::Statement>(db, sql.toStdString()))
                     .first;
        SQLite::Statement& st = *it->second;
        // reset() would throw the error of the statement's previous run again.
        st.tryReset();
        st.clearBindings();
        return st;
    }
};

namespace
{

void bindAll(SQLite::Statement& st, const QVariantList& params)
{
    for (int i = 0; i < params.size(); ++i) {
        const QVariant& given = params.at(i);
        // Snapshot cells are stored normalised already; only other types need converting.
        const bool plain = given.typeId() == QMetaType::LongLong ||
                           given.typeId() == QMetaType::Double ||
                           given.typeId() == QMetaType::QString;
        QVariant converted;
        if (!plain)
            converted = normalisedForStorage(given);
        const QVariant& v = plain ? given : converted;
        const int index = i + 1;
        switch (v.typeId()) {
        case QMetaType::UnknownType:
            st.bind(index);
            break;
        case QMetaType::LongLong:
            st.bind(index, static_cast<int64_t>(v.toLongLong()));
            break;
        case QMetaType::Double:
            st.bind(index, v.toDouble());
            break;
        case QMetaType::QByteArray: {
            const QByteArray b = v.toByteArray();
            st.bind(index, b.constData(), static_cast<int>(b.size()));
            break;
        }
        default:
            st.bind(index, v.toString().toStdString());
            break;
        }
    }
}

QVariant cellValue(const SQLite::Column& c)
{
    switch (c.getType()) {
    case SQLITE_INTEGER:
        return QVariant(static_cast<qlonglong>(c.getInt64()));
    case SQLITE_FLOAT:
        return QVariant(c.getDouble());
    case SQLITE_TEXT:
        return QVariant(QString::fromUtf8(c.getText(), c.getBytes()));
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char*>(c.getBlob()), c.getBytes()));
    default:
        return QVariant();
    }
}

// A statement left unreset after a failure would keep its read transaction open, and the
// connection would stop seeing what others commit.
struct ResetOnExit {
    SQLite::Statement& st;
    ~ResetOnExit() { st.tryReset(); }
};

StoreError::Kind kindOf(int code)
{
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return StoreError::Kind::Busy;
    case SQLITE_FULL:
    case SQLITE_IOERR:
    case SQLITE_READONLY:
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_CANTOPEN:
    case SQLITE_NOMEM:
    case SQLITE_PROTOCOL:
    case SQLITE_PERM:
    case SQLITE_NOLFS:
    case SQLITE_ABORT:
        return StoreError::Kind::Storage;
    default:
        return StoreError::Kind::Other;
    }
}

template <typename F> auto guarded(F&& f) -> decltype(f())
{
    try {
        return f();
    } catch (const SQLite::Exception& e) {
        throw StoreError(QString::fromUtf8(e.what()), kindOf(e.getErrorCode()));
    }
}

} // namespace

QVariant normalisedForStorage(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return QVariant();
    switch (value.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Double:
    case QMetaType::QString:
        return value; // already in storage form
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::ULongLong:
        return QVariant(value.toLongLong());
    case QMetaType::Float:
        return QVariant(value.toDouble());
    // An invalid date is no date: null, not an empty text.
    case QMetaType::QDate:
        if (!value.toDate().isValid())
            return QVariant();
        return QVariant(value.toDate().toString(Qt::ISODate));
    case QMetaType::QDateTime:
        if (!value.toDateTime().isValid())
            return QVariant();
        return QVariant(value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    case QMetaType::QByteArray:
        return value;
    default:
        return QVariant(value.toString());
    }
}

SqlConnection::SqlConnection(const QString& path)
{
    guarded([&] {
        d = std::make_unique<Impl>(path);
        return 0;
    });
    // WAL lets the window read while a worker writes; NORMAL keeps each commit cheap.
    try {
        d->db.exec("PRAGMA journal_mode=WAL");
    } catch (const SQLite::Exception&) {
        // A read-only file keeps its journal mode; writes will report their own error.
    }
    guarded([&] { return d->db.exec("PRAGMA synchronous=NORMAL"); });
    // The station writes single rows all over the value table during a tick: keep the file's
    // pages mapped and cached instead of reading them again for every row.
    guarded([&] { return d->db.exec("PRAGMA cache_size=-65536; PRAGMA mmap_size=268435456"); });
}

SqlConnection::~SqlConnection() = default;

// Notes the first failure of the storage inside a batch: the batch cannot be kept after it.
template <typename F> auto SqlConnection::noting(F&& f) -> decltype(f())
{
    try {
        return guarded(std::forward<F>(f));
    } catch (const StoreError& e) {
        if (!m_batches.empty() && e.isStorageFailure() && !m_batchFailure)
            m_batchFailure = e.description();
        throw;
    }
}

ResultTable SqlConnection::query(const QString& sql, const QVariantList& params,
                                 bool firstColumnIsRowid)
{
    return noting([&] {
        SQLite::Statement& st = d->prepare(sql);
        const ResetOnExit resetOnExit{st};
        bindAll(st, params);
        ResultTable out;
        const int n = st.getColumnCount();
        const int first = firstColumnIsRowid ? 1 : 0;
        for (int i = first; i < n; ++i)
            out.columns << QString::fromUtf8(st.getColumnName(i));
        while (st.executeStep()) {
            if (firstColumnIsRowid)
                out.rowids.push_back(st.getColumn(0).getInt64());
            for (int i = first; i < n; ++i)
                out.cells.append(cellValue(st.getColumn(i)));
        }
        return out;
    });
}

int SqlConnection::execute(const QString& sql, const QVariantList& params)
{
    if (m_batchFailure && !m_batches.empty())
        throw StoreError(*m_batchFailure, StoreError::Kind::Storage);
    return noting([&] {
        SQLite::Statement& st = d->prepare(sql);
        const ResetOnExit resetOnExit{st};
        bindAll(st, params);
        return st.exec();
    });
}

void SqlConnection::executeScript(const QString& sql)
{
    guarded([&] { return d->db.exec(sql.toStdString()); });
}

void SqlConnection::beginBatch(int waitMs)
{
    if (!m_batches.empty() || !sqlite3_get_autocommit(d->db.getHandle())) {
        noting([&] { return d->db.exec("SAVEPOINT sorvik_batch"); });
        m_batches.push_back({m_undo.size(), true});
        return;
    }
    // Taking the write lock now, not at the first write, means a busy database is found here,
    // before anything was changed, and nothing inside the batch waits for it.
    if (waitMs >= 0)
        d->db.setBusyTimeout(waitMs);
    try {
        guarded([&] { return d->db.exec("BEGIN IMMEDIATE"); });
    } catch (const StoreError&) {
        if (waitMs >= 0)
            d->db.setBusyTimeout(kBusyTimeoutMs);
        throw;
    }
    if (waitMs >= 0)
        d->db.setBusyTimeout(kBusyTimeoutMs);
    m_batches.push_back({m_undo.size(), false});
    m_batchFailure.reset();
}

void SqlConnection::commitBatch()
{
    if (m_batches.empty())
        return;
    if (m_batchFailure) {
        const QString failure = *m_batchFailure;
        rollbackBatch();
        throw StoreError(failure, StoreError::Kind::Storage);
    }
    try {
        if (m_batches.back().savepoint)
            guarded([&] { return d->db.exec("RELEASE sorvik_batch"); });
        else
            guarded([&] { return d->db.exec("COMMIT"); });
    } catch (const StoreError& e) {
        rollbackBatch();
        throw StoreError(e.description(), StoreError::Kind::Storage);
    }
    m_batches.pop_back();
    if (m_batches.empty())
        m_undo.clear();
}

void SqlConnection::rollbackBatch() noexcept
{
    if (m_batches.empty())
        return;
    const OpenBatch batch = m_batches.back();
    m_batches.pop_back();
    sqlite3* handle = d->db.getHandle();
    // The engine may have rolled the transaction back itself (a full disk, an I/O error).
    if (batch.savepoint) {
        sqlite3_exec(handle, "ROLLBACK TO sorvik_batch", nullptr, nullptr, nullptr);
        sqlite3_exec(handle, "RELEASE sorvik_batch", nullptr, nullptr, nullptr);
    } else if (!sqlite3_get_autocommit(handle)) {
        sqlite3_exec(handle, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    undoTo(batch.undoMark);
    if (m_batches.empty())
        m_batchFailure.reset();
}

void SqlConnection::addUndo(std::weak_ptr<const void> owner, std::function<void()> undo)
{
    if (!m_batches.empty())
        m_undo.push_back({std::move(owner), std::move(undo)});
}

void SqlConnection::undoTo(size_t mark) noexcept
{
    while (m_undo.size() > mark) {
        const Undo u = std::move(m_undo.back());
        m_undo.pop_back();
        if (!u.owner.expired())
            u.undo();
    }
}

qint64 SqlConnection::lastInsertRowid() const
{
    return d->db.getLastInsertRowid();
}

QStringList SqlConnection::tableNames()
{
    const ResultTable t =
        query(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table'"));
    QStringList names;
    for (const QVariant& v : t.cells)
        names << v.toString();
    return names;
}

QStringList SqlConnection::tableNamesOf(const QString& path)
{
    return guarded([&] {
        SQLite::Database db(path.toStdString(), SQLite::OPEN_READONLY);
        SQLite::Statement st(db, "SELECT name FROM sqlite_master WHERE type='table'");
        QStringList names;
        while (st.executeStep())
            names << QString::fromUtf8(st.getColumn(0).getText());
        return names;
    });
}

} // namespace store
