#pragma once

#include "CDB.h"

#include <QList>
#include <QPair>
#include <QString>

#include <functional>

class QObject;

namespace platform
{
class ListView;
}

// The score import, apart from its window: each data row names a pupil by student number, an
// item and a score; the score replaces the value of the pupil's entry for the item. Every row
// read is listed with its outcome, and a message gives the number of rows handled.
class ScoreImport
{
public:
    enum class Outcome {
        Refused,   // the path failed a file check; nothing was read
        Finished,  // all rows up to the end of the data were handled
        BrokenOff, // an error stopped it: unreadable workbook, short row
    };

    static QString title();
    static QList<QPair<QString, int>> listColumns();
    static constexpr int kRowsPerBatch = 250;

    ScoreImport(CDB db, platform::ListView* pList, QObject* owner = nullptr);

    Outcome run(const QString& strPath);
    // Rows listed by the last run, whatever their outcome.
    int count() const { return m_iCount; }

    // Called after each batch is stored, with no batch open: rows handled and data rows.
    void setProgress(std::function<void(long, long)> progress) { m_progress = std::move(progress); }

private:
    CDB m_db;
    platform::ListView* m_pList;
    QObject* m_pOwner;
    int m_iCount = 0;
    std::function<void(long, long)> m_progress;
};
