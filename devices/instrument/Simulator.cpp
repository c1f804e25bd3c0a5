#include "Simulator.h"

#include <QRandomGenerator>

namespace sorvik::instrument
{

namespace
{

using namespace Qt::StringLiterals;

std::string tenths(int v)
{
    const QString s =
        QString::asprintf("%s%d.%d", v < 0 ? "-" : "", std::abs(v) / 10, std::abs(v) % 10);
    return s.toStdString();
}

std::string whole(int v)
{
    return std::to_string(v);
}

// Items as the station's item dictionary numbers them; the value text is what the station
// reads back.
void fillValue(wire::Record& r, QRandomGenerator& rng)
{
    switch (rng.bounded(8)) {
    case 0: // height in cm and weight in kg in one record
    case 1:
        r.item = wire::DoubleItem;
        r.value = tenths(rng.bounded(1200, 1900));
        r.value2 = tenths(rng.bounded(200, 1000));
        break;
    case 2: // vital capacity, ml
        r.item = 4;
        r.value = whole(rng.bounded(1000, 5001));
        break;
    case 3: // sit and reach, cm, may be negative
        r.item = 8;
        r.value = tenths(rng.bounded(-100, 251));
        break;
    case 4: // standing long jump, cm
        r.item = 7;
        r.value = whole(rng.bounded(120, 281));
        break;
    case 5: // 50 m run, hundredths of a second
        r.item = 6;
        r.value = whole(rng.bounded(650, 1201));
        break;
    case 6: // sit-ups in a minute
        r.item = 10;
        r.value = whole(rng.bounded(10, 61));
        break;
    default: // rope skipping in a minute
        r.item = 14;
        r.value = whole(rng.bounded(40, 201));
        break;
    }
}

} // namespace

bool simulateResults(const InstrumentState& state, int count, quint32 seed, QDate today,
                     QList<StateChange>& changes, QString* error)
{
    QList<int> classOfPupil; // one entry per pupil, so every pupil is equally likely
    for (int c = 0; c < state.classCount(); ++c) {
        for (qsizetype p = 0; p < state.classAt(c)->pupils.size(); ++p)
            classOfPupil.append(c);
    }
    if (classOfPupil.isEmpty()) {
        *error = u"no pupils on the instrument: download classes first"_s;
        return false;
    }
    QRandomGenerator rng(seed);
    changes.clear();
    for (int i = 0; i < count; ++i) {
        const int pick = int(rng.bounded(quint32(classOfPupil.size())));
        const int classIndex = classOfPupil[pick];
        const SchoolClass* c = state.classAt(classIndex);
        const qsizetype firstOfClass = classOfPupil.indexOf(classIndex);
        wire::Record r;
        r.number = c->pupils[pick - firstOfClass].number.toStdString();
        fillValue(r, rng);
        if (!r.isDouble()) {
            QDate day = today.addDays(-qint64(rng.bounded(28)));
            while (day.dayOfWeek() > 5)
                day = day.addDays(-1);
            r.year = day.year();
            r.month = day.month();
            r.day = day.day();
            r.hour = rng.bounded(8, 17);
            r.minute = rng.bounded(60);
        }
        StateChange change;
        if (!state.planRecord(classIndex, r, change, error))
            return false;
        changes.append(std::move(change));
    }
    return true;
}

} // namespace sorvik::instrument
