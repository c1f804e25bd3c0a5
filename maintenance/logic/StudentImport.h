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

// The student import, apart from its window: each data row of the workbook's Sheet1 becomes
// one pupil through CStudent::InsertStu, every pupil stored a row of the result list, and a
// message gives the total. Runs to its end on the calling thread.
class StudentImport
{
public:
    // How a run ended.
    enum class Outcome {
        Refused,   // the path failed a file check; nothing was read
        Finished,  // all rows up to the end of the data were handled
        BrokenOff, // an error stopped it: unreadable workbook, refused pupil, short row
    };

    static QString title();
    // The result list's columns (title, width in pixels).
    static QList<QPair<QString, int>> listColumns();
    // Pupils are stored in batches of this many rows.
    static constexpr int kRowsPerBatch = 250;

    // pList receives the rows; owner is the dialog that owns the message boxes (or null).
    StudentImport(CDB db, platform::ListView* pList, QObject* owner = nullptr);

    Outcome run(const QString& strPath);
    // Pupils stored and listed by the last run.
    int count() const { return m_iCount; }

    // Called after each batch is stored, with no batch open: rows handled so far and the
    // workbook's data rows. A window can repaint here.
    void setProgress(std::function<void(long, long)> progress) { m_progress = std::move(progress); }

private:
    CDB m_db;
    platform::ListView* m_pList;
    QObject* m_pOwner;
    int m_iCount = 0;
    std::function<void(long, long)> m_progress;
};
