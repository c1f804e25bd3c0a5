#pragma once

#include "CDB.h"

#include <QString>

class QObject;

namespace platform
{
class ListView;
}

// The card import of the card dialog, apart from its window: each data row of the workbook's
// Sheet1 names a pupil by student number and gives the pupil's card number, which replaces any
// earlier one. Every card stored is listed, numbered from 1 and keeping its pupil's identifier
// with the row; a message gives the cards stored and the rows in error. Runs to its end on the
// calling thread.
class CardImport
{
public:
    enum class Outcome {
        Refused,   // the path failed a file check; nothing was read
        Finished,  // all rows up to the end of the data were handled
        BrokenOff, // an error stopped it: unreadable workbook, short row, lost batch
    };

    static constexpr int kRowsPerBatch = 250;

    // pList receives the rows; owner is the dialog that owns the message boxes (or null).
    CardImport(CDB db, platform::ListView* pList, QObject* owner = nullptr);

    Outcome run(const QString& strPath);
    // Cards stored and listed by the last run.
    int stored() const { return m_iStored; }
    // Rows of the last run whose pupil was not found or whose card could not be stored.
    int errors() const { return m_iErrors; }

private:
    CDB m_db;
    platform::ListView* m_pList;
    QObject* m_pOwner;
    int m_iStored = 0;
    int m_iErrors = 0;
};
