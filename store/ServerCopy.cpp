#include "ServerCopy.h"

#include "Database.h"
#include "PgDialect.h"
#include "ServerAddress.h"
#include "SqlConnection.h"
#include "StationSchema.h"
#include "StoreError.h"
#include "ValueHistory.h"

#include <algorithm>

namespace store
{

namespace
{

QString notAnAddress(const QString& address)
{
    return isServerAddress(address) ? QString()
                                    : QStringLiteral("%1 is no postgresql:// address").arg(address);
}

QString tablesThere(SqlConnection& to)
{
    return to.tableNames().contains(QStringLiteral("STU_Main"), Qt::CaseInsensitive)
               ? QStringLiteral("the station's tables are on the server already; not overwritten")
               : QString();
}

// Copies the named columns of every row of table, in row order.
void copyRows(SqlConnection& from, SqlConnection& to, const QString& table,
              const QStringList& columns)
{
    QStringList names;
    QStringList marks;
    for (const QString& c : columns) {
        names << quotedName(c);
        marks << QStringLiteral("?");
    }
    const QString select = QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid")
                               .arg(names.join(QLatin1Char(',')), quotedName(table));
    const QString insert =
        QStringLiteral("INSERT INTO %1(%2) VALUES(%3)")
            .arg(quotedName(table), names.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
    const ResultTable rows = from.query(select);
    const qsizetype width = columns.size();
    for (int r = 0; r < rows.rowCount(); ++r)
        to.execute(insert, rows.cells.mid(r * width, width));
}

} // namespace

QStringList notCopiedToServer(const QString& file)
{
    QStringList left;
    // The names first: they are read without opening (and so making) a missing file.
    const QStringList present = SqlConnection::tableNamesOf(file);
    Database source(file);
    SqlConnection& from = source.connection();
    for (const QString& name : present) {
        const auto& tables = stationTables();
        const auto station = std::find_if(tables.begin(), tables.end(), [&](const StationTable& t) {
            return t.name.compare(name, Qt::CaseInsensitive) == 0;
        });
        if (station == tables.end()) {
            if (name.compare(ValueHistory::tableName(), Qt::CaseInsensitive) != 0)
                left << name;
            continue;
        }
        const QStringList columns =
            from.query(QStringLiteral("SELECT * FROM %1 LIMIT 0").arg(quotedName(name))).columns;
        for (const QString& c : columns)
            if (std::none_of(station->columns.begin(), station->columns.end(),
                             [&](const StationColumn& s) {
                                 return s.name.compare(c, Qt::CaseInsensitive) == 0;
                             }))
                left << name + QLatin1Char('.') + c;
    }
    return left;
}

QString copyTargetProblem(const QString& address)
{
    if (const QString problem = notAnAddress(address); !problem.isEmpty())
        return problem;
    try {
        Database target(address);
        return tablesThere(target.connection());
    } catch (const StoreError& e) {
        return e.description();
    }
}

QString copyToServer(const QString& file, const QString& address)
{
    if (const QString problem = notAnAddress(address); !problem.isEmpty())
        return problem;
    try {
        const QStringList present = SqlConnection::tableNamesOf(file);
        Database source(file);
        Database target(address);
        SqlConnection& from = source.connection();
        SqlConnection& to = target.connection();
        if (const QString there = tablesThere(to); !there.isEmpty())
            return there;
        to.beginBatch();
        try {
            for (const QString& f : pgSupportStatements())
                to.execute(f);
            for (const StationTable& t : stationTables()) {
                if (!present.contains(t.name, Qt::CaseInsensitive))
                    continue;
                to.executeScript(createTableStatement(t.name, t.columns));
                QStringList names;
                for (const StationColumn& c : t.columns)
                    names << c.name;
                copyRows(from, to, t.name, names);
            }
            // The value history goes along, so that the values' past stays with them.
            if (present.contains(ValueHistory::tableName(), Qt::CaseInsensitive)) {
                ValueHistory::ensureTable(to);
                copyRows(from, to, ValueHistory::tableName(),
                         from.query(QStringLiteral("SELECT * FROM %1 LIMIT 0")
                                        .arg(quotedName(ValueHistory::tableName())))
                             .columns);
            }
            to.commitBatch();
        } catch (...) {
            to.rollbackBatch();
            throw;
        }
    } catch (const StoreError& e) {
        return e.description();
    }
    return {};
}

} // namespace store
