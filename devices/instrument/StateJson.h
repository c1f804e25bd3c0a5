// The virtual instrument's files as JSON: the snapshot of everything it holds, and the lines
// of its journal (a header naming the snapshot generation it continues, then one change a
// line). Names and numbers are hex-encoded GBK bytes, so they stay byte-exact.
#pragma once

#include "InstrumentState.h"
#include "StateChange.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace sorvik::instrument::json
{

QByteArray snapshot(const InstrumentState& state, qint64 generation);
// A snapshot without a generation (the first format) is generation 0.
bool readSnapshot(const QByteArray& data, QList<SchoolClass>& classes, qint64& generation,
                  QString* error);

// One line each, ending in '\n'.
QByteArray journalHeader(qint64 generation);
bool readJournalHeader(const QByteArray& line, qint64& generation);
QByteArray change(const StateChange& change);
bool readChange(const QByteArray& line, StateChange& change);

} // namespace sorvik::instrument::json
