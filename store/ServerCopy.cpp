#include "ServerCopy.h"

#include "Database.h"
#include "PgDialect.h"
#include "ServerAddress.h"
#include "SqlConnection.h"
#include "StationSchema.h"
#include "StoreError.h"

namespace store
{

QString copyToServer(const QString& file, const QString& address)
{
    if (!isServerAddress(address))
        return QStringLiteral("%1 is no postgresql:// address").arg(address);
    try {
        const QStringList present = SqlConnection::tableNamesOf(file);
        Database source(file);
        Database target(address);
        SqlConnection& from = source.connection();
        SqlConnection& to = target.connection();
        if (to.tableNames().contains(QStringLiteral("STU_Main"), Qt::CaseInsensitive))
            return QStringLiteral("the station's tables are on the server already; not "
                                  "overwritten");
        to.beginBatch();
        try {
            for (const QString& f : pgSupportStatements())
                to.execute(f);
            for (const StationTable& t : stationTables()) {
                if (!present.contains(t.name, Qt::CaseInsensitive))
                    continue;
                to.executeScript(createTableStatement(t.name, t.columns));
                QStringList names;
                QStringList marks;
                for (const StationColumn& c : t.columns) {
                    names << quotedName(c.name);
                    marks << QStringLiteral("?");
                }
                const QString select = QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid")
                                           .arg(names.join(QLatin1Char(',')), quotedName(t.name));
                const QString insert = QStringLiteral("INSERT INTO %1(%2) VALUES(%3)")
                                           .arg(quotedName(t.name), names.join(QLatin1Char(',')),
                                                marks.join(QLatin1Char(',')));
                const ResultTable rows = from.query(select);
                const int width = int(t.columns.size());
                for (int r = 0; r < rows.rowCount(); ++r)
                    to.execute(insert, rows.cells.mid(qsizetype(r) * width, width));
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
