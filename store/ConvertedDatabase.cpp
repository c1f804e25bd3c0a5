#include "ConvertedDatabase.h"

#include "OleDate.h"
#include "SqlConnection.h"
#include "StationSchema.h"
#include "StoreError.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace store
{

struct ConvertedDatabase::Impl {
    QString path;
    QString temporary;
    std::unique_ptr<SqlConnection> connection;
    bool finished = false;

    QString table;
    QList<ConvertedColumn> columns;
    QStringList added;
    QString insert;
    QVariantList row;

    void removeTemporary()
    {
        connection.reset();
        for (const char* suffix : {"", "-journal", "-wal", "-shm"})
            QFile::remove(temporary + QLatin1String(suffix));
    }
};

namespace
{

QString declaredType(ValueKind kind)
{
    switch (kind) {
    case ValueKind::Integer:
        return QStringLiteral("INTEGER");
    case ValueKind::Real:
        return QStringLiteral("REAL");
    case ValueKind::Text:
    case ValueKind::Date: // ISO-8601 text
        return QStringLiteral("TEXT");
    case ValueKind::Blob:
        return QStringLiteral("BLOB");
    }
    return {};
}

} // namespace

ConvertedDatabase::ConvertedDatabase(const QString& path) : d(std::make_unique<Impl>())
{
    d->path = path;
    if (QFileInfo::exists(path))
        throw StoreError(QStringLiteral("%1 已存在, 不覆盖").arg(path));
    d->temporary =
        QStringLiteral("%1.converting-%2").arg(path).arg(QCoreApplication::applicationPid());
    QFile file(d->temporary);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        throw StoreError(QStringLiteral("无法建立 %1: %2").arg(d->temporary, file.errorString()));
    file.close();
    try {
        d->connection = std::make_unique<SqlConnection>(d->temporary);
        // The file is thrown away unless it is finished: no journal is needed while filling it.
        d->connection->executeScript(
            QStringLiteral("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN;"));
    } catch (const StoreError&) {
        d->removeTemporary();
        throw;
    }
}

ConvertedDatabase::~ConvertedDatabase()
{
    if (!d->finished)
        d->removeTemporary();
}

void ConvertedDatabase::beginTable(const QString& name, const QList<ConvertedColumn>& columns)
{
    d->table = name;
    d->columns = columns;
    d->added.clear();
    QList<StationColumn> declared;
    QStringList names;
    for (const ConvertedColumn& c : columns) {
        declared << StationColumn{c.name, declaredType(c.kind)};
        names << c.name;
    }
    if (const StationTable* station = findStationTable(name)) {
        d->table = station->name;
        // The value column keeps numbers and texts as they are, as in a new station database.
        for (StationColumn& c : declared)
            for (const StationColumn& s : station->columns)
                if (s.declaredType.isEmpty() && s.name.compare(c.name, Qt::CaseInsensitive) == 0)
                    c.declaredType.clear();
        for (const StationColumn& s : station->columns)
            if (!names.contains(s.name, Qt::CaseInsensitive)) {
                declared << s;
                d->added << s.name;
            }
    }
    d->connection->execute(createTableStatement(d->table, declared));

    QStringList quoted;
    QStringList marks;
    for (const ConvertedColumn& c : columns) {
        quoted << quotedName(c.name);
        marks << QStringLiteral("?");
    }
    d->insert =
        QStringLiteral("INSERT INTO %1(%2) VALUES(%3)")
            .arg(quotedName(d->table), quoted.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
    if (columns.isEmpty())
        d->insert = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quotedName(d->table));
}

void ConvertedDatabase::addRow(const QVariantList& values)
{
    if (values.size() != d->columns.size())
        throw StoreError(
            QStringLiteral("行有 %1 个值, 表有 %2 列").arg(values.size()).arg(d->columns.size()));
    d->row.clear();
    for (int i = 0; i < values.size(); ++i) {
        const QVariant& v = values.at(i);
        if (d->columns.at(i).kind == ValueKind::Date && !v.isNull()) {
            const QString text = oleDateText(v.toDouble());
            if (text.isNull())
                throw StoreError(QStringLiteral("列 %1 的值 %2 不是有效的日期")
                                     .arg(d->columns.at(i).name)
                                     .arg(v.toDouble(), 0, 'g', 17));
            d->row << text;
        } else {
            d->row << v;
        }
    }
    d->connection->execute(d->insert, d->row);
}

QString ConvertedDatabase::tableName() const
{
    return d->table;
}

QStringList ConvertedDatabase::addedColumns() const
{
    return d->added;
}

void ConvertedDatabase::finish()
{
    d->connection->executeScript(QStringLiteral("COMMIT;"));
    // Left as the station keeps its databases: with a write-ahead log.
    d->connection->executeScript(QStringLiteral("PRAGMA journal_mode=WAL;"));
    d->connection.reset();
    {
        // On the disk before it takes the place of the file it replaces.
        QFile file(d->temporary);
        if (!file.open(QIODevice::ReadOnly) || ::fsync(file.handle()) != 0)
            throw StoreError(QStringLiteral("无法写入 %1").arg(d->temporary));
    }
    if (!QFile::rename(d->temporary, d->path))
        throw StoreError(QStringLiteral("无法把 %1 改名为 %2").arg(d->temporary, d->path));
    d->finished = true;
}

} // namespace store
