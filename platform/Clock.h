#pragma once

#include <QDateTime>

#include <functional>

namespace platform
{

// The station's clock; tests replace it to check stored dates.
QDateTime currentDateTime();
void setClock(std::function<QDateTime()> clock); // empty restores the system clock

} // namespace platform
