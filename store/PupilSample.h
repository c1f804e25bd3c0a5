#pragma once

#include <QList>
#include <QString>

class CDB;

namespace store
{

// A pupil as the collector simulator needs it: the identifier the instruments would send and
// the items the pupil has value rows for.
struct PupilSample {
    QString identifier;
    QList<int> items;
};

// Up to limit pupils of the database, chosen at random, by student number or (byCard) by card
// number; pupils without a card are left out of the card sample. Empty after the error report
// when the database cannot be read.
QList<PupilSample> samplePupils(const CDB& db, bool byCard, int limit);

// The item numbers of the item dictionary, in ascending order.
QList<int> dictionaryItems(const CDB& db);

} // namespace store
