#pragma once

#include <QStringList>

namespace store
{

// The station's SQL, written for SQLite, as PostgreSQL takes it: `?` marks become $1…, quoted
// names are folded to lower case as unquoted ones are, rowid names the hidden `_rowid_` column
// every table gets, column types become PostgreSQL's, an INSERT returns the new row's id, and
// PRAGMA statements are dropped.
struct PgStatement {
    QString text; // empty: nothing to run
    int parameterCount = 0;
    bool returnsRowid = false;
    // For an INSERT INTO table(columns) VALUES(...): the same with the row id given as one more
    // parameter (the last), and the table, so that the id can be taken ahead from the table's
    // sequence and the insert sent without waiting for its answer. Empty for other statements.
    QString withRowid;
    QString table;
};

PgStatement translatedForPg(const QString& sql);

// Functions the station's SQL uses that PostgreSQL lacks, made with the station's tables.
QStringList pgSupportStatements();

} // namespace store
