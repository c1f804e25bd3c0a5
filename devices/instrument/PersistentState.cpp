#include "PersistentState.h"

#include "StateJson.h"

#include <QFile>
#include <QSaveFile>

#include <utility>

#include <sys/stat.h>

namespace sorvik::instrument
{

namespace
{
using namespace Qt::StringLiterals;
} // namespace

PersistentState::PersistentState(QString path, int classCapacity, int pupilCapacity)
    : m_path(std::move(path)), m_journalPath(m_path + u".journal"_s),
      m_snapshotName(QFile::encodeName(m_path)), m_state(classCapacity, pupilCapacity)
{
}

bool PersistentState::load(QString* error)
{
    m_state.reset({});
    m_generation = 0;
    QFile file(m_path);
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly)) {
            *error = u"cannot read %1: %2"_s.arg(m_path, file.errorString());
            return false;
        }
        QList<SchoolClass> classes;
        if (!json::readSnapshot(file.readAll(), classes, m_generation, error)) {
            *error = m_path + u": "_s + *error;
            return false;
        }
        m_state.reset(std::move(classes));
    }
    if (!StateJournal::read(m_journalPath, m_loadedJournal, error))
        return false;
    // A journal of another generation was folded into the snapshot already (the instrument
    // stopped between writing a snapshot and starting the journal anew).
    if (m_loadedJournal.found && m_loadedJournal.generation == m_generation) {
        for (qsizetype i = 0; i < m_loadedJournal.lines.size(); ++i) {
            StateChange change;
            if (!json::readChange(m_loadedJournal.lines[i], change) || !m_state.apply(change)) {
                *error = u"%1: line %2 is damaged"_s.arg(m_journalPath).arg(i + 2);
                return false;
            }
        }
    } else {
        m_loadedJournal = StateJournal::Contents{};
    }
    m_state.closeOpenClass();
    return true;
}

bool PersistentState::open(QString* error)
{
    if (m_loadedJournal.found && m_loadedJournal.lines.isEmpty() && QFile::exists(m_path))
        return m_journal.resume(m_journalPath, m_loadedJournal, error);
    return compact(error);
}

bool PersistentState::commit(const StateChange& change, QString* error)
{
    const QByteArray line = json::change(change);
    if (!appendSaved(line, error)) {
        // The journal is gone or broken (its folder removed, a full disk): save everything
        // anew, then write the change once more.
        QString again;
        if (!compact(&again) || !appendSaved(line, &again)) {
            *error += u"; "_s + again;
            return false;
        }
    }
    if (!m_state.apply(change)) {
        // A change the state did not plan: take it out of the journal again.
        *error = u"the change does not fit what the instrument holds"_s;
        QString ignored;
        compact(&ignored);
        return false;
    }
    return true;
}

bool PersistentState::compact(QString* error)
{
    const qint64 next = m_generation + 1;
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly) || file.write(json::snapshot(m_state, next)) < 0 ||
        !file.commit()) {
        *error = u"cannot write %1: %2"_s.arg(m_path, file.errorString());
        return false;
    }
    // From here the old journal is stale: its changes are in the snapshot.
    m_generation = next;
    return m_journal.start(m_journalPath, next, error);
}

bool PersistentState::appendSaved(const QByteArray& line, QString* error)
{
    if (!m_journal.append(line, error))
        return false;
    // Without its snapshot the journal would be taken for a stale one at the next start.
    struct stat st {
    };
    if (::stat(m_snapshotName.constData(), &st) != 0) {
        *error = u"the state file %1 was removed"_s.arg(m_path);
        m_journal.close();
        return false;
    }
    return true;
}

} // namespace sorvik::instrument
