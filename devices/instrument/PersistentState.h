// The virtual instrument's memory on disk: a snapshot (FILE, replaced atomically) and a
// journal of the changes since (FILE.journal). A change is written to the journal before it
// is applied and answered, so "stored" is only ever said of what was saved; compact()
// folds the journal into a new snapshot.
#pragma once

#include "InstrumentState.h"
#include "StateChange.h"
#include "StateJournal.h"

#include <QByteArray>
#include <QString>

namespace sorvik::instrument
{

class PersistentState
{
public:
    PersistentState(QString path, int classCapacity, int pupilCapacity);

    // Reads the snapshot and the journal's changes; a missing snapshot is an empty
    // instrument, an unreadable or damaged file is an error. A restart closes an open class.
    bool load(QString* error);
    // Gets ready to save changes (a new snapshot first when the journal had changes or there
    // is no snapshot yet). When it fails, every commit() tries again.
    bool open(QString* error);

    // Saves a change the state planned, then applies it. False (nothing changed) when it
    // could not be saved, even after saving everything anew.
    bool commit(const StateChange& change, QString* error);
    // Writes everything held as a new snapshot and starts an empty journal.
    bool compact(QString* error);

    int journalEntries() const { return m_journal.entryCount(); }
    qint64 generation() const { return m_generation; }
    const InstrumentState& state() const { return m_state; }
    const QString& path() const { return m_path; }

private:
    bool appendSaved(const QByteArray& line, QString* error);

    QString m_path;
    QString m_journalPath;
    QByteArray m_snapshotName; // m_path in the file system's encoding
    InstrumentState m_state;
    StateJournal m_journal;
    StateJournal::Contents m_loadedJournal;
    qint64 m_generation = 0;
};

} // namespace sorvik::instrument
