#pragma once

#include "CollectorSettings.h"

#include <QString>

namespace collect
{

// The collector keeps its settings in a section of its own in the station's settings file.
QString collectorSection();

sorvik::collector::CollectorSettings loadCollectorSettings();
// False when the settings file could not be written.
bool saveCollectorSettings(const sorvik::collector::CollectorSettings& settings);

} // namespace collect
