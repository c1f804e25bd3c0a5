// Simulated test results, so the station can be tried without pupils running about.
#pragma once

#include "instrumentstate.h"

#include <QDate>
#include <QString>

namespace sorvik::instrument
{

// Adds count records for random pupils of the state's classes: height+weight double
// records and single items with plausible values, timed on school days up to four
// weeks before today. Fails when no class has pupils.
bool simulateResults(InstrumentState& state, int count, quint32 seed, QDate today, QString* error);

} // namespace sorvik::instrument
