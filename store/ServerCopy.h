#pragma once

#include <QString>
#include <QStringList>

namespace store
{

// Copies the station tables of the database file at file (pupils, values, cards, item
// dictionary, grade items) and its value history into the station database at address on a
// server, which must not hold them yet. One transaction: on failure nothing is left on the server.
// Returns an empty text, or what went wrong.
QString copyToServer(const QString& file, const QString& address);

// What copyToServer leaves behind of the database file at file because the station does not use
// it: tables ("Name") and columns of the station's tables ("Table.Column"). Throws StoreError.
QStringList notCopiedToServer(const QString& file);

// Why the server database at address cannot take a copy (no postgresql:// address, unreachable,
// the station's tables there already); empty when it can.
QString copyTargetProblem(const QString& address);

} // namespace store
