#pragma once

#include <QString>

namespace platform
{

// The station's profile strings: an INI file at $XDG_CONFIG_HOME/sorvik/sorvik.ini.
// Values are kept and read back whole.
QString settingsFilePath();
QString readProfileString(const QString& section, const QString& key,
                          const QString& defaultValue = QString());
// Returns false when the file could not be written.
bool writeProfileString(const QString& section, const QString& key, const QString& value);

} // namespace platform
