#pragma once

#include "ValueHistory.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>

#include <vector>

namespace store
{

class SqlConnection;

struct ResultPupil {
    qint64 id = 0;
    QString studentNumber;
    QString name;
    QString sex;
    long grade = 0; // Class_ID
    QString classNo;
    QString className;
    QString cardNo;
};

struct ResultItem {
    long code = 0;
    QString name;
    QString unit;
    int sortIndex = 0;
};

// Pupils, values, items and value history of one class or the whole database, read in a few
// statements, for the completion overview and the results export.
struct ResultsData {
    std::vector<ResultPupil> pupils; // in class number order (as text), then identifier
    QHash<quint64, QVariant> values; // key(): the first stored row of each pupil and item
    QHash<quint64, HistoryEntry> latest;
    QList<ResultItem> items;                // the item dictionary, by code
    QHash<QString, QList<long>> gradeItems; // gradeKey() -> prj1..prj3 (-1: none)

    static quint64 key(qint64 stuId, long item) { return (quint64(stuId) << 20) | quint64(item); }
    static QString gradeKey(long grade, const QString& sex)
    {
        return QString::number(grade) + QLatin1Char('/') + sex;
    }
    const ResultItem* item(long code) const;
};

class ResultsReader
{
public:
    // classNo empty: every class. Throws StoreError.
    static ResultsData read(SqlConnection& conn, const QString& classNo);
};

} // namespace store
