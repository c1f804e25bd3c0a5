#pragma once

#include "CardReaderSettings.h"

#include <QString>

namespace maintenance
{

// The card reader keeps its settings in a section of its own in the station's settings file.
QString cardReaderSection();
sorvik::cardreader::CardReaderSettings loadCardReaderSettings();

} // namespace maintenance
