// Simulated test results, so the station can be tried without pupils running about.
#pragma once

#include "InstrumentState.h"
#include "StateChange.h"

#include <QDate>
#include <QList>
#include <QString>

namespace sorvik::instrument
{

// Plans count results for random pupils of the state's classes: height+weight double
// records and single items with plausible values, timed on school days up to four weeks
// before today. Fails when no class has pupils.
bool simulateResults(const InstrumentState& state, int count, quint32 seed, QDate today,
                     QList<StateChange>& changes, QString* error);

} // namespace sorvik::instrument
