#pragma once

#include <QString>

namespace store
{

// Copies the station tables of the database file at file (pupils, values, cards, item
// dictionary, grade items) into the station database at address on a server, which must not
// hold them yet. One transaction: on failure nothing is left on the server. Returns an empty
// text, or what went wrong.
QString copyToServer(const QString& file, const QString& address);

} // namespace store
