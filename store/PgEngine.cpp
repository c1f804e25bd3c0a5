#include "PgEngine.h"

#include "PgDialect.h"
#include "StationSchema.h"
#include "StoreError.h"
#include "TextHash.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

#include <libpq-fe.h>

#include <cmath>
#include <optional>
#include <unordered_map>

namespace store
{

namespace
{

constexpr int kLockTimeoutMs = 5000;
// Queued writes in flight: enough to keep the server busy, few enough that its replies fit the
// socket's buffers while the station is still sending (else both would wait on each other).
constexpr int kPipelineWindow = 256;
// The one lock a writing batch holds (pg_advisory_xact_lock), the same on every station; one per
// schema, so that station databases in different schemas of one server do not wait for another.
constexpr int kWriterLock = 0x536f7276;

constexpr Oid kBool = 16, kBytea = 17, kInt8 = 20, kInt2 = 21, kInt4 = 23, kOid = 26, kFloat4 = 700,
              kFloat8 = 701, kNumeric = 1700, kJsonb = 3802;

struct ResultDeleter {
    void operator()(PGresult* r) const { PQclear(r); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

StoreError::Kind kindOfState(const QByteArray& state)
{
    // Connection lost, server shutting down, lock or serialisation conflicts: later may work.
    if (state.startsWith("08") || state.startsWith("57P"))
        return StoreError::Kind::Disconnected;
    if (state == "55P03" || state == "40001" || state == "40P01")
        return StoreError::Kind::Busy;
    // Out of space or memory, read-only, damaged, system errors.
    if (state.startsWith("53") || state.startsWith("58") || state.startsWith("XX") ||
        state == "25006")
        return StoreError::Kind::Storage;
    return StoreError::Kind::Other;
}

// The station's own spelling of a column name that the server gives in lower case.
QString stationSpelling(const char* name)
{
    static const QHash<QString, QString> spellings = [] {
        QHash<QString, QString> h;
        for (const StationTable& t : stationTables()) {
            h.insert(t.name.toLower(), t.name);
            for (const StationColumn& c : t.columns)
                h.insert(c.name.toLower(), c.name);
        }
        return h;
    }();
    const QString n = QString::fromUtf8(name);
    return spellings.value(n, n);
}

// A value as text of the type the server gave the parameter, as SQLite's column affinity
// would store it.
QByteArray parameterText(const QVariant& given, Oid type)
{
    const QVariant v = normalisedForStorage(given);
    if (type == kJsonb) {
        if (v.typeId() == QMetaType::LongLong)
            return QByteArray::number(v.toLongLong());
        if (v.typeId() == QMetaType::Double) {
            QByteArray t = QByteArray::number(v.toDouble(), 'g', 17);
            if (!t.contains('.') && !t.contains('e'))
                t += ".0";
            return t;
        }
        const QByteArray array =
            QJsonDocument(QJsonArray{v.toString()}).toJson(QJsonDocument::Compact);
        return array.mid(1, array.size() - 2);
    }
    if (v.typeId() == QMetaType::Double) {
        const double x = v.toDouble();
        const bool integral = std::isfinite(x) && x == std::floor(x) && std::fabs(x) < 9e18;
        if (integral && (type == kInt8 || type == kInt4 || type == kInt2))
            return QByteArray::number(qint64(x));
        if (type == kFloat8 || type == kFloat4 || type == kNumeric)
            return QByteArray::number(x, 'g', 17);
        QByteArray t = QByteArray::number(x, 'g', 15);
        if (integral && !t.contains('e'))
            t += ".0";
        return t;
    }
    if (v.typeId() == QMetaType::QByteArray && type == kBytea)
        return "\\x" + v.toByteArray().toHex();
    if (v.typeId() == QMetaType::QByteArray)
        return v.toByteArray();
    return v.toString().toUtf8();
}

QVariant cellValue(const PGresult* r, int row, int column, Oid type)
{
    if (PQgetisnull(r, row, column))
        return QVariant();
    const char* text = PQgetvalue(r, row, column);
    switch (type) {
    case kInt8:
    case kInt4:
    case kInt2:
    case kOid:
        return QVariant(qlonglong(std::strtoll(text, nullptr, 10)));
    case kFloat4:
    case kFloat8:
    case kNumeric:
        return QVariant(std::strtod(text, nullptr));
    case kBool:
        return QVariant(qlonglong(text[0] == 't' ? 1 : 0));
    case kBytea: {
        size_t n = 0;
        unsigned char* bytes = PQunescapeBytea(reinterpret_cast<const unsigned char*>(text), &n);
        QByteArray b(reinterpret_cast<const char*>(bytes), qsizetype(n));
        PQfreemem(bytes);
        return QVariant(b);
    }
    case kJsonb: {
        if (text[0] == '"') {
            const QByteArray array = QByteArray("[") + text + ']';
            return QJsonDocument::fromJson(array).array().at(0).toString();
        }
        if (std::strpbrk(text, ".eE"))
            return QVariant(std::strtod(text, nullptr));
        return QVariant(qlonglong(std::strtoll(text, nullptr, 10)));
    }
    default:
        return QVariant(QString::fromUtf8(text, PQgetlength(r, row, column)));
    }
}

} // namespace

struct PgEngine::Impl {
    struct Prepared {
        QByteArray name;
        std::vector<Oid> types;
        bool returnsRowid = false;
        bool empty = false;
        int parameterCount = 0;
        // An INSERT's form that is given its row id (see PgStatement), prepared when first
        // queued.
        QString withRowidText;
        QString table;
        QByteArray withRowidName;
        std::vector<Oid> withRowidTypes;
    };

    QByteArray address;
    PGconn* conn = nullptr;
    std::unordered_map<QString, Prepared, TextHash> statements;
    int nextStatement = 0;
    qint64 lastRowid = 0;
    bool statementSavepoint = false;
    // Writes queued inside a batch: sent down the connection's pipeline without waiting, their
    // replies read a window later. The first that failed spoils the batch.
    bool piping = false;
    int unread = 0;    // writes whose replies are not read yet
    int unflushed = 0; // writes sent since the server was last asked for its replies
    std::optional<StoreError> queuedFailure;
    // Row ids taken ahead from each table's sequence, for inserts that are queued.
    std::unordered_map<QString, std::vector<qint64>, TextHash> reservedRowids;

    ~Impl()
    {
        if (conn)
            PQfinish(conn);
    }

    [[noreturn]] void fail(const PGresult* r)
    {
        QByteArray state = r ? QByteArray(PQresultErrorField(r, PG_DIAG_SQLSTATE)) : QByteArray();
        QString message =
            QString::fromUtf8(r ? PQresultErrorMessage(r) : PQerrorMessage(conn)).trimmed();
        // The texts SQLite gives for the faults the station's reports name most.
        static const QRegularExpression quoted(QStringLiteral("\"([^\"]+)\""));
        const QString name = quoted.match(message).captured(1);
        if (state == "42P01")
            message = QStringLiteral("no such table: %1 (%2)").arg(name, message);
        else if (state == "42703")
            message = QStringLiteral("no such column: %1 (%2)").arg(name, message);
        else if (state == "23505")
            message = QStringLiteral("UNIQUE constraint failed (%1)").arg(message);
        if (PQstatus(conn) != CONNECTION_OK) {
            state = "08006";
            message =
                QStringLiteral("与数据库服务器的连接中断 (the server connection was lost): ") +
                message;
            forgetConnectionState();
        }
        throw StoreError(message, kindOfState(state));
    }

    void connect()
    {
        // A server that does not answer must not hold the station for long, nor a connection
        // whose peer went away unnoticed. The address's own settings come last and win.
        const char* keys[] = {"connect_timeout",  "keepalives_idle", "keepalives_interval",
                              "keepalives_count", "dbname",          nullptr};
        const char* values[] = {"5", "10", "5", "3", address.constData(), nullptr};
        conn = PQconnectdbParams(keys, values, 1);
        if (PQstatus(conn) != CONNECTION_OK)
            throw StoreError(
                QStringLiteral("不能连接数据库服务器 (cannot connect to the server): ") +
                    QString::fromUtf8(PQerrorMessage(conn)).trimmed(),
                StoreError::Kind::Disconnected);
        PQsetClientEncoding(conn, "UTF8");
        Result r(PQexec(conn, "SET client_min_messages = warning; SET lock_timeout = '5s'"));
    }

    // What the server kept for this connection, gone with it.
    void forgetConnectionState()
    {
        statements.clear();
        statementSavepoint = false;
        piping = false;
        unread = 0;
        unflushed = 0;
        reservedRowids.clear();
    }

    // Opens a lost connection again; only between batches, as a batch cannot outlive it.
    void ensureConnected()
    {
        if (PQstatus(conn) == CONNECTION_OK)
            return;
        // A connection lost in pipeline mode is not reset in place: it is opened anew.
        PQfinish(conn);
        conn = nullptr;
        forgetConnectionState();
        queuedFailure.reset();
        connect();
    }

    bool lost() const { return PQstatus(conn) != CONNECTION_OK; }

    void noteQueuedFailure(const PGresult* r)
    {
        if (queuedFailure)
            return;
        const QByteArray state = r ? QByteArray(PQresultErrorField(r, PG_DIAG_SQLSTATE)) : "";
        const QString message =
            QString::fromUtf8(r ? PQresultErrorMessage(r) : PQerrorMessage(conn)).trimmed();
        // Whatever the cause, nothing of the batch can be kept now; a lost connection is waited
        // for as a busy database is.
        queuedFailure =
            StoreError(message, lost() || kindOfState(state) == StoreError::Kind::Disconnected
                                    ? StoreError::Kind::Disconnected
                                    : StoreError::Kind::Storage);
    }

    // The replies of one queued write. False once the connection is lost.
    bool readQueuedReply()
    {
        while (PGresult* raw = PQgetResult(conn)) {
            const Result r(raw);
            const ExecStatusType s = PQresultStatus(raw);
            if (s != PGRES_COMMAND_OK && s != PGRES_TUPLES_OK && s != PGRES_PIPELINE_ABORTED)
                noteQueuedFailure(raw);
            if (lost())
                break;
        }
        --unread;
        if (lost()) {
            noteQueuedFailure(nullptr);
            forgetConnectionState();
            return false;
        }
        return true;
    }

    // The prepared statement of sql; preparing waits for the server, so the queue is read first.
    Prepared& preparedForQueue(const QString& sql)
    {
        if (const auto it = statements.find(sql); it != statements.end())
            return it->second;
        drain();
        throwQueuedFailure();
        return prepare(sql);
    }

    // Sends a write inside a batch without waiting for its reply.
    void queue(const QString& sql, const QVariantList& params)
    {
        if (queuedFailure)
            return; // the batch is spoilt already; its commit says so
        const Prepared& p = preparedForQueue(sql);
        if (!p.empty)
            send(p.name, p.types, params);
    }

    // Queues an insert with a row id taken ahead, which it returns; an insert of another form
    // runs at once and waits for its id.
    qint64 queueInsert(const QString& sql, const QVariantList& params)
    {
        if (queuedFailure)
            return 0; // the batch is spoilt already; its commit says so
        Prepared& p = preparedForQueue(sql);
        if (p.empty)
            return 0;
        if (p.withRowidText.isEmpty()) {
            runPrepared(sql, params);
            return lastRowid;
        }
        if (p.withRowidName.isEmpty()) {
            drain();
            throwQueuedFailure();
            const Prepared form = makePrepared(p.withRowidText, p.parameterCount + 1);
            p.withRowidName = form.name;
            p.withRowidTypes = form.types;
        }
        const qint64 id = reservedRowid(p.table);
        QVariantList withId = params;
        withId.resize(p.parameterCount);
        withId << id;
        send(p.withRowidName, p.withRowidTypes, withId);
        lastRowid = id;
        return id;
    }

    // The next row id of table from those taken ahead, a run of them taken when none is left.
    // The sequence never gives a value twice, so no other station's row gets it.
    qint64 reservedRowid(const QString& table)
    {
        std::vector<qint64>& ids = reservedRowids[table];
        if (ids.empty()) {
            drain();
            throwQueuedFailure();
            const Result r = runPrepared(
                QStringLiteral("SELECT nextval(pg_get_serial_sequence(?, '_rowid_')) FROM "
                               "generate_series(1, 128) ORDER BY 1 DESC"),
                {table});
            for (int row = 0; row < PQntuples(r.get()); ++row)
                ids.push_back(std::strtoll(PQgetvalue(r.get(), row, 0), nullptr, 10));
            if (ids.empty())
                throw StoreError(QStringLiteral("no row id for %1").arg(table));
        }
        const qint64 id = ids.back();
        ids.pop_back();
        return id;
    }

    void send(const QByteArray& name, const std::vector<Oid>& types, const QVariantList& params)
    {
        const Bound b(types, params);
        sendWith([&] {
            return PQsendQueryPrepared(conn, name.constData(), int(b.values.size()),
                                       b.values.data(), nullptr, nullptr, 0);
        });
    }

    // A transaction command of a nested batch (SAVEPOINT, RELEASE) queued as the writes are.
    void sendCommand(const char* sql)
    {
        if (queuedFailure)
            return;
        if (qstrncmp(sql, "SAVEPOINT", 9) == 0 && statementSavepoint)
            sendWith([&] {
                return PQsendQueryParams(conn, "RELEASE sorvik_statement", 0, nullptr, nullptr,
                                         nullptr, nullptr, 0);
            });
        statementSavepoint = false;
        sendWith(
            [&] { return PQsendQueryParams(conn, sql, 0, nullptr, nullptr, nullptr, nullptr, 0); });
    }

    // Sends one query down the pipeline; every window of them asks the server for its replies
    // and reads those of the window before.
    template <typename Send> void sendWith(Send&& sendQuery)
    {
        if (!piping) {
            if (!PQenterPipelineMode(conn))
                fail(nullptr);
            piping = true;
        }
        if (!sendQuery()) {
            noteQueuedFailure(nullptr);
            if (lost())
                forgetConnectionState();
            return;
        }
        ++unread;
        if (++unflushed < kPipelineWindow)
            return;
        unflushed = 0;
        if (!PQsendFlushRequest(conn) || PQflush(conn) != 0) {
            noteQueuedFailure(nullptr);
            if (lost())
                forgetConnectionState();
            return;
        }
        // The replies of the window before this one: the server has been asked for them.
        while (unread > kPipelineWindow)
            if (!readQueuedReply())
                return;
    }

    // Reads every reply of the queued writes and leaves pipeline mode, so that a statement
    // can run and wait for its own answer.
    void drain()
    {
        if (!piping)
            return;
        if (!PQpipelineSync(conn)) {
            noteQueuedFailure(nullptr);
            forgetConnectionState();
            return;
        }
        while (unread > 0)
            if (!readQueuedReply())
                return;
        while (PGresult* raw = PQgetResult(conn)) {
            const Result r(raw);
            if (PQresultStatus(raw) == PGRES_PIPELINE_SYNC)
                break;
            if (lost())
                break;
        }
        if (lost() || !PQexitPipelineMode(conn)) {
            noteQueuedFailure(nullptr);
            forgetConnectionState();
            return;
        }
        piping = false;
        unflushed = 0;
    }

    void throwQueuedFailure()
    {
        if (queuedFailure)
            throw *queuedFailure;
    }

    bool inTransaction() const
    {
        const PGTransactionStatusType s = PQtransactionStatus(conn);
        return s == PQTRANS_INTRANS || s == PQTRANS_INERROR || s == PQTRANS_ACTIVE;
    }

    Result run(const char* sql)
    {
        Result r(PQexec(conn, sql));
        const ExecStatusType s = PQresultStatus(r.get());
        if (s != PGRES_COMMAND_OK && s != PGRES_TUPLES_OK)
            fail(r.get());
        return r;
    }

    // A statement in the server's words prepared, with the parameter types the server gave.
    Prepared makePrepared(const QString& text, int parameterCount)
    {
        Prepared p;
        p.name = "sorvik_" + QByteArray::number(++nextStatement);
        Result r(PQprepare(conn, p.name.constData(), text.toUtf8().constData(), parameterCount,
                           nullptr));
        if (PQresultStatus(r.get()) != PGRES_COMMAND_OK)
            fail(r.get());
        Result described(PQdescribePrepared(conn, p.name.constData()));
        if (PQresultStatus(described.get()) != PGRES_COMMAND_OK)
            fail(described.get());
        for (int i = 0; i < PQnparams(described.get()); ++i)
            p.types.push_back(PQparamtype(described.get(), i));
        return p;
    }

    Prepared& prepare(const QString& sql)
    {
        auto it = statements.find(sql);
        if (it != statements.end())
            return it->second;
        const PgStatement t = translatedForPg(sql);
        Prepared p;
        if (!t.text.isEmpty())
            p = makePrepared(t.text, t.parameterCount);
        p.returnsRowid = t.returnsRowid;
        p.empty = t.text.isEmpty();
        p.parameterCount = t.parameterCount;
        p.withRowidText = t.withRowid;
        p.table = t.table;
        return statements.emplace(sql, std::move(p)).first->second;
    }

    // The parameters as texts of the types the server gave them.
    struct Bound {
        Bound(const std::vector<Oid>& types, const QVariantList& params)
            : texts(types.size()), values(types.size(), nullptr)
        {
            for (size_t i = 0; i < types.size(); ++i) {
                const QVariant& v =
                    i < size_t(params.size()) ? params.at(qsizetype(i)) : QVariant();
                if (v.isNull() || !v.isValid())
                    continue;
                texts[i] = parameterText(v, types[i]);
                values[i] = texts[i].constData();
            }
        }
        std::vector<QByteArray> texts;
        std::vector<const char*> values;
    };

    void noteRowid(const Prepared& p, const PGresult* r)
    {
        if (p.returnsRowid && PQntuples(r) > 0)
            lastRowid = std::strtoll(PQgetvalue(r, PQntuples(r) - 1, 0), nullptr, 10);
    }

    // A prepared statement behind its savepoint in one round trip: the savepoint commands and
    // the statement go out together in a pipeline.
    Result runPipelined(const Prepared& p, const QVariantList& params)
    {
        const Bound b(p.types, params);
        std::vector<const char*> commands;
        if (statementSavepoint)
            commands.push_back("RELEASE sorvik_statement");
        commands.push_back("SAVEPOINT sorvik_statement");
        if (!PQenterPipelineMode(conn))
            fail(nullptr);
        bool sent = true;
        for (const char* c : commands)
            sent = sent && PQsendQueryParams(conn, c, 0, nullptr, nullptr, nullptr, nullptr, 0);
        sent = sent && PQsendQueryPrepared(conn, p.name.constData(), int(b.values.size()),
                                           b.values.data(), nullptr, nullptr, 0);
        sent = sent && PQpipelineSync(conn);
        Result failed;
        Result statement;
        bool savepointMade = false;
        // Each query's results end in a null; the sync point ends the pipeline. After a failure
        // the queries left are reported as aborted.
        size_t query = 0;
        const size_t last = commands.size();
        while (sent && query <= last + 1) {
            Result r(PQgetResult(conn));
            if (!r) {
                ++query;
                continue;
            }
            const ExecStatusType s = PQresultStatus(r.get());
            if (s == PGRES_PIPELINE_SYNC)
                break;
            const bool ok = s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK;
            if (ok && query + 1 == last)
                savepointMade = true;
            else if (ok && query == last)
                statement = std::move(r);
            else if (!ok && !failed && s != PGRES_PIPELINE_ABORTED)
                failed = std::move(r);
        }
        if (!PQexitPipelineMode(conn)) {
            while (PGresult* r = PQgetResult(conn))
                PQclear(r);
            PQexitPipelineMode(conn);
        }
        statementSavepoint = savepointMade;
        if (!sent || failed || !statement) {
            if (savepointMade && PQstatus(conn) == CONNECTION_OK)
                Result(PQexec(conn, "ROLLBACK TO sorvik_statement"));
            fail(failed.get());
        }
        noteRowid(p, statement.get());
        return statement;
    }

    // Inside a transaction a failed statement would spoil the whole transaction; as in SQLite
    // only the statement itself is undone, each runs behind a savepoint of its own.
    Result runPrepared(const QString& sql, const QVariantList& params)
    {
        drain();
        throwQueuedFailure();
        const bool guarded = inTransaction();
        if (!guarded)
            ensureConnected();
        if (guarded)
            if (const auto it = statements.find(sql); it != statements.end() && !it->second.empty)
                return runPipelined(it->second, params);
        if (guarded) {
            run(statementSavepoint ? "RELEASE sorvik_statement; SAVEPOINT sorvik_statement"
                                   : "SAVEPOINT sorvik_statement");
            statementSavepoint = true;
        }
        try {
            const Prepared& p = prepare(sql);
            if (p.empty)
                return nullptr;
            const Bound b(p.types, params);
            Result r(PQexecPrepared(conn, p.name.constData(), int(b.values.size()), b.values.data(),
                                    nullptr, nullptr, 0));
            const ExecStatusType s = PQresultStatus(r.get());
            if (s != PGRES_COMMAND_OK && s != PGRES_TUPLES_OK)
                fail(r.get());
            noteRowid(p, r.get());
            return r;
        } catch (const StoreError&) {
            if (guarded && PQstatus(conn) == CONNECTION_OK)
                Result(PQexec(conn, "ROLLBACK TO sorvik_statement"));
            throw;
        }
    }
};

PgEngine::PgEngine(const QString& address) : d(std::make_unique<Impl>())
{
    d->address = address.toUtf8();
    d->connect();
}

PgEngine::~PgEngine() = default;

ResultTable PgEngine::query(const QString& sql, const QVariantList& params, bool firstColumnIsRowid)
{
    const Result r = d->runPrepared(sql, params);
    ResultTable out;
    if (!r)
        return out;
    const int n = PQnfields(r.get());
    const int first = firstColumnIsRowid ? 1 : 0;
    // The hidden row id of `*` is no column of the station's tables.
    std::vector<int> shown;
    std::vector<Oid> types;
    for (int i = first; i < n; ++i)
        if (qstrcmp(PQfname(r.get(), i), "_rowid_") != 0) {
            shown.push_back(i);
            types.push_back(PQftype(r.get(), i));
            out.columns << stationSpelling(PQfname(r.get(), i));
        }
    const int rows = PQntuples(r.get());
    out.cells.reserve(qsizetype(rows) * qsizetype(shown.size()));
    for (int row = 0; row < rows; ++row) {
        if (firstColumnIsRowid)
            out.rowids.push_back(std::strtoll(PQgetvalue(r.get(), row, 0), nullptr, 10));
        for (size_t k = 0; k < shown.size(); ++k)
            out.cells.append(cellValue(r.get(), row, shown[k], types[k]));
    }
    return out;
}

int PgEngine::execute(const QString& sql, const QVariantList& params)
{
    const Result r = d->runPrepared(sql, params);
    return r ? std::atoi(PQcmdTuples(r.get())) : 0;
}

void PgEngine::queue(const QString& sql, const QVariantList& params)
{
    if (!d->inTransaction()) {
        execute(sql, params);
        return;
    }
    d->queue(sql, params);
}

qint64 PgEngine::queueInsert(const QString& sql, const QVariantList& params)
{
    if (!d->inTransaction()) {
        execute(sql, params);
        return d->lastRowid;
    }
    return d->queueInsert(sql, params);
}

void PgEngine::queueCommand(const char* sql)
{
    if (!d->inTransaction()) {
        command(sql);
        return;
    }
    d->sendCommand(sql);
}

void PgEngine::executeScript(const QString& sql)
{
    // Statements split at semicolons outside quotes, each translated.
    QStringList parts;
    QString current;
    QChar quote;
    for (QChar c : sql) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
        } else if (c == QLatin1Char(';')) {
            parts << current;
            current.clear();
            continue;
        }
        current += c;
    }
    parts << current;
    QStringList translated;
    for (const QString& p : parts)
        if (!p.trimmed().isEmpty()) {
            const PgStatement t = translatedForPg(p);
            if (!t.text.isEmpty())
                translated << t.text;
        }
    if (translated.isEmpty())
        return;
    d->drain();
    d->throwQueuedFailure();
    if (!d->inTransaction())
        d->ensureConnected();
    d->statementSavepoint = false;
    d->run(translated.join(QStringLiteral(";\n")).toUtf8().constData());
}

qint64 PgEngine::lastInsertRowid() const
{
    return d->lastRowid;
}

QStringList PgEngine::tableNames()
{
    const ResultTable t = query(QStringLiteral("SELECT table_name FROM information_schema.tables "
                                               "WHERE table_schema = current_schema() AND "
                                               "table_type = 'BASE TABLE'"),
                                {}, false);
    QStringList names;
    for (const QVariant& v : t.cells)
        names << stationSpelling(v.toString().toUtf8().constData());
    return names;
}

bool PgEngine::inTransaction()
{
    return d->inTransaction();
}

void PgEngine::beginWrite(int waitMs)
{
    d->ensureConnected();
    d->statementSavepoint = false;
    d->queuedFailure.reset();
    const QByteArray sql = QByteArrayLiteral("BEGIN; SET LOCAL lock_timeout = '") +
                           QByteArray::number(waitMs >= 0 ? std::max(waitMs, 1) : kLockTimeoutMs) +
                           "ms'; SELECT pg_advisory_xact_lock(" + QByteArray::number(kWriterLock) +
                           ", hashtext(current_schema())); SET LOCAL lock_timeout = '" +
                           QByteArray::number(kLockTimeoutMs) + "ms'";
    try {
        d->run(sql.constData());
    } catch (const StoreError&) {
        commandQuietly("ROLLBACK");
        throw;
    }
}

void PgEngine::command(const char* sql)
{
    d->drain();
    d->throwQueuedFailure();
    const QByteArray s(sql);
    if (s.startsWith("SAVEPOINT") && d->statementSavepoint) {
        d->run(("RELEASE sorvik_statement; " + s).constData());
    } else {
        d->run(sql);
    }
    d->statementSavepoint = false;
}

void PgEngine::commandQuietly(const char* sql) noexcept
{
    d->drain();
    if (qstrcmp(sql, "ROLLBACK") == 0)
        d->queuedFailure.reset();
    if (d->conn && PQstatus(d->conn) == CONNECTION_OK)
        Result(PQexec(d->conn, sql));
    d->statementSavepoint = false;
}

} // namespace store
