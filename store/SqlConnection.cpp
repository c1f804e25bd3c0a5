#include "SqlConnection.h"

#include "PgEngine.h"
#include "ServerAddress.h"
#include "SqliteEngine.h"
#include "StoreError.h"

#include <QDate>
#include <QDateTime>

namespace store
{

namespace
{

std::unique_ptr<SqlEngine> engineFor(const QString& path)
{
    if (isServerAddress(path))
        return std::make_unique<PgEngine>(path);
    return std::make_unique<SqliteEngine>(path);
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
    : d(engineFor(path)), m_server(isServerAddress(path))
{
}

SqlConnection::~SqlConnection() = default;

// Notes the first failure of the storage inside a batch: the batch cannot be kept after it.
template <typename F> auto SqlConnection::noting(F&& f) -> decltype(f())
{
    try {
        return f();
    } catch (const StoreError& e) {
        if (!m_batches.empty() && e.isStorageFailure() && !m_batchFailure) {
            m_batchFailure = e.description();
            m_batchLost = e.isDisconnected();
        }
        throw;
    }
}

ResultTable SqlConnection::query(const QString& sql, const QVariantList& params,
                                 bool firstColumnIsRowid)
{
    return noting([&] { return d->query(sql, params, firstColumnIsRowid); });
}

int SqlConnection::execute(const QString& sql, const QVariantList& params)
{
    if (m_batchFailure && !m_batches.empty())
        throw StoreError(*m_batchFailure, StoreError::Kind::Storage);
    return noting([&] { return d->execute(sql, params); });
}

void SqlConnection::write(const QString& sql, const QVariantList& params)
{
    if (!m_queueWrites || m_batches.empty()) {
        execute(sql, params);
        return;
    }
    if (m_batchFailure)
        throw StoreError(*m_batchFailure, StoreError::Kind::Storage);
    noting([&] {
        d->queue(sql, params);
        return 0;
    });
}

qint64 SqlConnection::writeInsert(const QString& sql, const QVariantList& params)
{
    if (!m_queueWrites || m_batches.empty()) {
        execute(sql, params);
        return lastInsertRowid();
    }
    if (m_batchFailure)
        throw StoreError(*m_batchFailure, StoreError::Kind::Storage);
    return noting([&] { return d->queueInsert(sql, params); });
}

void SqlConnection::executeScript(const QString& sql)
{
    d->executeScript(sql);
}

void SqlConnection::beginBatch(int waitMs, bool queueWrites)
{
    if (!m_batches.empty() || d->inTransaction()) {
        noting([&] {
            if (m_queueWrites)
                d->queueCommand("SAVEPOINT sorvik_batch");
            else
                d->command("SAVEPOINT sorvik_batch");
            return 0;
        });
        m_batches.push_back({m_undo.size(), true});
        return;
    }
    d->beginWrite(waitMs);
    m_batches.push_back({m_undo.size(), false});
    m_batchFailure.reset();
    m_batchLost = false;
    m_queueWrites = queueWrites;
}

void SqlConnection::commitBatch()
{
    if (m_batches.empty())
        return;
    if (m_batchFailure) {
        const QString failure = *m_batchFailure;
        const bool lost = m_batchLost;
        rollbackBatch();
        throw StoreError(failure,
                         lost ? StoreError::Kind::Disconnected : StoreError::Kind::Storage);
    }
    try {
        if (m_batches.back().savepoint && m_queueWrites)
            d->queueCommand("RELEASE sorvik_batch");
        else if (m_batches.back().savepoint)
            d->command("RELEASE sorvik_batch");
        else
            d->command("COMMIT");
    } catch (const StoreError& e) {
        rollbackBatch();
        throw StoreError(e.description(), e.isDisconnected() ? StoreError::Kind::Disconnected
                                                             : StoreError::Kind::Storage);
    }
    m_batches.pop_back();
    if (m_batches.empty()) {
        m_undo.clear();
        m_queueWrites = false;
    }
}

void SqlConnection::rollbackBatch() noexcept
{
    if (m_batches.empty())
        return;
    const OpenBatch batch = m_batches.back();
    m_batches.pop_back();
    // The engine may have rolled the transaction back itself (a full disk, an I/O error).
    if (batch.savepoint) {
        d->commandQuietly("ROLLBACK TO sorvik_batch");
        d->commandQuietly("RELEASE sorvik_batch");
    } else if (d->inTransaction()) {
        d->commandQuietly("ROLLBACK");
    }
    undoTo(batch.undoMark);
    if (m_batches.empty()) {
        m_batchFailure.reset();
        m_queueWrites = false;
    }
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
    return d->lastInsertRowid();
}

QStringList SqlConnection::tableNames()
{
    return d->tableNames();
}

QStringList SqlConnection::tableNamesOf(const QString& path)
{
    if (isServerAddress(path))
        return PgEngine(path).tableNames();
    return SqliteEngine::tableNamesOf(path);
}

} // namespace store
