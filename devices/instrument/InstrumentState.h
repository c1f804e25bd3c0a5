// What the virtual instrument remembers: classes with their pupils and recorded results.
// Requests are checked first (plan...), giving the change that storing them means; the
// change is applied once it is saved (see PersistentState).
#pragma once

#include "StateChange.h"
#include "wire.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <vector>

namespace sorvik::instrument
{

struct Pupil {
    QByteArray number; // GBK
    QByteArray name;   // GBK
};

struct SchoolClass {
    QByteArray name; // GBK, at most 16 bytes
    int announcedPupils = 0;
    QList<Pupil> pupils;
    std::vector<wire::Record> records; // in recording order
};

class InstrumentState
{
public:
    InstrumentState(int classCapacity, int pupilCapacity);

    // A class for size pupils that follow with planPupil(): Ok (change filled), Refused or Full.
    wire::Status planClass(QByteArray name, int size, StateChange& change) const;
    // A pupil of the class opened last: Ok (change filled) or Refused.
    wire::Status planPupil(const QByteArray& number, QByteArray name, StateChange& change) const;
    // A result of a pupil of the class; false with the reason when it cannot be recorded.
    bool planRecord(int classIndex, const wire::Record& record, StateChange& change,
                    QString* error) const;
    static StateChange planFormat();

    // Applies a planned change, or one read back from the journal; false (and nothing
    // changed) when it does not fit what is held.
    bool apply(const StateChange& change);
    // Starts over with these classes, none of them open (a restart closes an open class).
    void reset(QList<SchoolClass> classes);
    void closeOpenClass() { m_openClass = -1; }

    int classCount() const { return int(m_classes.size()); }
    int pupilCount() const { return m_pupilCount; }
    qsizetype recordCount() const;
    const SchoolClass* classAt(int index) const;
    const QList<SchoolClass>& classes() const { return m_classes; }

private:
    int m_classCapacity;
    int m_pupilCapacity;
    QList<SchoolClass> m_classes;
    int m_pupilCount = 0;
    int m_openClass = -1; // class still taking pupils
};

} // namespace sorvik::instrument
