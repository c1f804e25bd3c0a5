#pragma once

#include <QList>
#include <QString>

namespace store
{

// A column of a station table as the station creates it.
struct StationColumn {
    QString name;
    QString declaredType; // empty: no declared type (the value keeps its own type)
};

// A table the station works with: its spelling of the name and its columns.
struct StationTable {
    QString name;
    QList<StationColumn> columns;
    bool supplied; // comes with every database file (the card table is made on first open)
};

// STU_Main, STU_ObjectData, Code03Dict, prjzb, then STU_Card.
const QList<StationTable>& stationTables();
// The station table whose name matches (any case), or null.
const StationTable* findStationTable(const QString& name);

// A name quoted for a statement.
QString quotedName(const QString& name);
// "CREATE TABLE name(column type, ...)" for these columns.
QString createTableStatement(const QString& table, const QList<StationColumn>& columns);

} // namespace store
