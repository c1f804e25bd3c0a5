#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariant>

#include <vector>

namespace store
{

class SqlConnection;

// Where a stored value came from.
enum class ValueSource {
    None,       // not recorded (the default rows a new pupil gets)
    Live,       // live collection
    Instrument, // result import from an instrument's memory (origin: the instrument class)
    Workbook,   // score import (origin: the workbook file)
    Journal,    // result import from a journal or backup file (origin: the file)
    PutBack,    // an earlier value put back by hand (origin: the entry it came from)
};

struct HistorySource {
    ValueSource kind = ValueSource::None;
    QString origin;
};

// How the source is kept in the table and how it is shown.
QString sourceCode(ValueSource kind);
ValueSource sourceFromCode(const QString& code);
QString sourceCaption(ValueSource kind);

// One history entry: a value as it was stored and the value it replaced.
struct HistoryEntry {
    qint64 seq = 0; // ascending in the order the values were stored
    qint64 stuId = 0;
    qint64 itemId = 0;
    QVariant value;    // as stored: a number or a text
    QVariant previous; // null when the pupil had no value for the item
    ValueSource kind = ValueSource::None;
    QString origin;
    QDateTime at;
};

// The value history (STU_ValueHistory): every value the station stores, written by CValue in the
// same batch as the value, so a batch rolled back leaves no entry either. Plain portable SQL.
class ValueHistory
{
public:
    static QString tableName();
    // Creates the table and its indexes when the database has none; throws StoreError.
    static void ensureTable(SqlConnection& conn);
    static bool exists(SqlConnection& conn);
    // Appends one entry; seq and at are filled here.
    static void record(SqlConnection& conn, qint64 stuId, qint64 itemId, const QVariant& value,
                       const QVariant& previous, const HistorySource& source);
    // Removes the latest entry again (its value could not be stored after all); inside the
    // batch that wrote it, that is the entry just recorded.
    static void forgetLast(SqlConnection& conn);
    // The entries of one pupil (of one item when itemId >= 0), oldest first.
    static std::vector<HistoryEntry> forPupil(SqlConnection& conn, qint64 stuId,
                                              qint64 itemId = -1);
    // The latest entry of each pupil and item, of the pupils of one class (all when classNo is
    // empty).
    static std::vector<HistoryEntry> latest(SqlConnection& conn, const QString& classNo);
};

} // namespace store
