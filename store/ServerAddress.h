#pragma once

#include <QString>

namespace store
{

// A database server is named by a postgresql:// (or postgres://) address, or by a small
// connection file whose first line is the marker below and whose second line is that address.
// The station picks such a file like a database file (its name ends in "mdb").
inline constexpr char kConnectionFileMarker[] = "[sorvik-server]";

bool isServerAddress(const QString& text);
// The address a connection file holds; empty when path is no connection file.
QString serverAddressInFile(const QString& path);
// Writes a connection file; returns an empty text, or what went wrong.
QString writeConnectionFile(const QString& path, const QString& address);
// What a path names for the engine: the address of a connection file, else path itself.
QString resolvedDatabasePath(const QString& path);

} // namespace store
