#pragma once

#include <QString>
#include <QStringList>

namespace platform
{

// The folder of the running program (its canonical path, symbolic links resolved), also
// before the application object exists.
QString programFolder();

// Where an installed station keeps its helper programs and the instrument library
// (<libdir>/sorvik, /usr/lib/<multiarch>/sorvik for the Debian package): first the folder at
// that place relative to the running program, so that a copy unpacked under another root uses
// its own helpers, then the absolute folder of the installation the program was built for.
QStringList installedHelperFolders();

// True when the program runs from an installed layout (its helper folder sits where the
// installation puts it) rather than from a build folder.
bool runsInstalled();

// The one place helpers are looked up: the file name beside the running program, else in the
// installed helper folders. Empty when none holds such a file.
QString findHelper(const QString& fileName);

// $XDG_DATA_HOME/sorvik, or ~/.local/share/sorvik when the variable is unset or relative:
// the station's own data (a first database, backups, journals).
QString stationDataFolder();
// Where live collection keeps its journal, one file a day.
QString journalFolder();

} // namespace platform
