#include "SqliteEngine.h"

#include "StoreError.h"
#include "TextHash.h"

#include <SQLiteCpp/SQLiteCpp.h>
#include <sqlite3.h>

#include <unordered_map>

namespace store
{

namespace
{
constexpr int kBusyTimeoutMs = 5000;
}

struct SqliteEngine::Impl {
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

SqliteEngine::SqliteEngine(const QString& path)
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

SqliteEngine::~SqliteEngine() = default;

ResultTable SqliteEngine::query(const QString& sql, const QVariantList& params,
                                bool firstColumnIsRowid)
{
    return guarded([&] {
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

int SqliteEngine::execute(const QString& sql, const QVariantList& params)
{
    return guarded([&] {
        SQLite::Statement& st = d->prepare(sql);
        const ResetOnExit resetOnExit{st};
        bindAll(st, params);
        return st.exec();
    });
}

void SqliteEngine::executeScript(const QString& sql)
{
    guarded([&] { return d->db.exec(sql.toStdString()); });
}

qint64 SqliteEngine::lastInsertRowid() const
{
    return d->db.getLastInsertRowid();
}

QStringList SqliteEngine::tableNames()
{
    const ResultTable t =
        query(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table'"), {}, false);
    QStringList names;
    for (const QVariant& v : t.cells)
        names << v.toString();
    return names;
}

bool SqliteEngine::inTransaction()
{
    return !sqlite3_get_autocommit(d->db.getHandle());
}

void SqliteEngine::beginWrite(int waitMs)
{
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
}

void SqliteEngine::command(const char* sql)
{
    guarded([&] { return d->db.exec(sql); });
}

void SqliteEngine::commandQuietly(const char* sql) noexcept
{
    sqlite3_exec(d->db.getHandle(), sql, nullptr, nullptr, nullptr);
}

QStringList SqliteEngine::tableNamesOf(const QString& path)
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
