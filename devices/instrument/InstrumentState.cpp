#include "InstrumentState.h"

#include <algorithm>
#include <utility>

namespace sorvik::instrument
{

namespace
{

using namespace Qt::StringLiterals;

QByteArray cutName(const QByteArray& name, std::size_t limit)
{
    const std::string_view text(name.constData(), std::size_t(name.size()));
    return name.left(qsizetype(wire::gbkCutLength(text.substr(0, text.find('\0')), limit)));
}

bool isValidNumber(const QByteArray& number)
{
    return !number.isEmpty() && std::size_t(number.size()) <= wire::MaxNumber &&
           !number.contains('\0');
}

} // namespace

InstrumentState::InstrumentState(int classCapacity, int pupilCapacity)
    : m_classCapacity(classCapacity), m_pupilCapacity(pupilCapacity)
{
}

wire::Status InstrumentState::planClass(QByteArray name, int size, StateChange& change) const
{
    // The library cuts names already; cut again so a careless client cannot store half a
    // character.
    name = cutName(name, wire::MaxClassName);
    if (name.isEmpty() || size < 0 || std::size_t(size) > wire::MaxPupilsPerClass)
        return wire::Refused;
    // Checked against the announced size: a class that will not fit is not started at all.
    if (m_classes.size() + 1 > m_classCapacity || m_pupilCount + size > m_pupilCapacity)
        return wire::Full;
    change = StateChange{StateChange::Kind::AddClass, int(m_classes.size()), size, name, {}, {}};
    return wire::Ok;
}

wire::Status InstrumentState::planPupil(const QByteArray& number, QByteArray name,
                                        StateChange& change) const
{
    if (m_openClass < 0 || !isValidNumber(number))
        return wire::Refused;
    const SchoolClass& c = m_classes[m_openClass];
    if (c.pupils.size() >= c.announcedPupils)
        return wire::Refused;
    change = StateChange{StateChange::Kind::AddPupil,       m_openClass, 0,
                         cutName(name, wire::MaxPupilName), number,      {}};
    return wire::Ok;
}

bool InstrumentState::planRecord(int classIndex, const wire::Record& record, StateChange& change,
                                 QString* error) const
{
    if (classIndex < 0 || classIndex >= m_classes.size()) {
        *error = u"no class at index %1"_s.arg(classIndex);
        return false;
    }
    if (!wire::isValidRecord(record)) {
        *error = u"not a valid result record"_s;
        return false;
    }
    const SchoolClass& c = m_classes[classIndex];
    const QByteArray number = QByteArray::fromStdString(record.number);
    const bool known = std::any_of(c.pupils.cbegin(), c.pupils.cend(),
                                   [&](const Pupil& p) { return p.number == number; });
    if (!known) {
        *error = u"pupil %1 is not in class %2"_s.arg(QString::fromLatin1(number.toHex()))
                     .arg(classIndex);
        return false;
    }
    change = StateChange{StateChange::Kind::AddRecord, classIndex, 0, {}, {}, record};
    return true;
}

StateChange InstrumentState::planFormat()
{
    return StateChange{StateChange::Kind::Format, -1, 0, {}, {}, {}};
}

bool InstrumentState::apply(const StateChange& change)
{
    switch (change.kind) {
    case StateChange::Kind::AddClass:
        if (change.classIndex != m_classes.size() || change.name.isEmpty() ||
            change.announcedPupils < 0)
            return false;
        m_classes.append({change.name, change.announcedPupils, {}, {}});
        m_openClass = change.classIndex;
        return true;
    case StateChange::Kind::AddPupil: {
        if (change.classIndex < 0 || change.classIndex >= m_classes.size() ||
            !isValidNumber(change.number))
            return false;
        SchoolClass& c = m_classes[change.classIndex];
        if (c.pupils.size() >= c.announcedPupils)
            return false;
        c.pupils.append({change.number, change.name});
        ++m_pupilCount;
        if (c.pupils.size() == c.announcedPupils && m_openClass == change.classIndex)
            m_openClass = -1;
        return true;
    }
    case StateChange::Kind::AddRecord:
        if (change.classIndex < 0 || change.classIndex >= m_classes.size() ||
            !wire::isValidRecord(change.record))
            return false;
        m_classes[change.classIndex].records.push_back(change.record);
        return true;
    case StateChange::Kind::Format:
        reset({});
        return true;
    }
    return false;
}

void InstrumentState::reset(QList<SchoolClass> classes)
{
    m_classes = std::move(classes);
    m_pupilCount = 0;
    for (const SchoolClass& c : std::as_const(m_classes))
        m_pupilCount += int(c.pupils.size());
    m_openClass = -1;
}

qsizetype InstrumentState::recordCount() const
{
    qsizetype n = 0;
    for (const SchoolClass& c : m_classes)
        n += qsizetype(c.records.size());
    return n;
}

const SchoolClass* InstrumentState::classAt(int index) const
{
    return index >= 0 && index < m_classes.size() ? &m_classes[index] : nullptr;
}

} // namespace sorvik::instrument
