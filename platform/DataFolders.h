#pragma once

#include <QString>

namespace platform
{

// The station's own data folder, $XDG_DATA_HOME/sorvik (usually ~/.local/share/sorvik).
QString stationDataFolder();
// Where live collection keeps its journal, one file a day.
QString journalFolder();

} // namespace platform
