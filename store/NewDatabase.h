#pragma once

#include <QString>

namespace store
{

// Makes a new station database at path: the four supplied tables with the item dictionary and
// grade items of a new installation. Refuses to overwrite an existing file.
// Returns an empty text on success, else what went wrong.
// path may also be a postgresql:// address: the tables are then made on that server database,
// unless they are there already.
QString createDatabase(const QString& path);

class SqlConnection;
// Makes the supplied tables with their rows through conn, in one transaction; throws StoreError.
void fillNewDatabase(SqlConnection& conn);

// Adds count sample pupils in classes of forty, with their default value rows and a card
// number each (the card table is created as the station would). Returns an error text or empty.
QString addDemoPupils(const QString& path, int count);

} // namespace store
