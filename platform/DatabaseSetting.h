#pragma once

#include <QString>

namespace platform
{

// The configured database file: the station's only persistent setting.
QString readDatabaseFileName();
bool writeDatabaseFileName(const QString& path);

} // namespace platform
