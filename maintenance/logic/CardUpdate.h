#pragma once

#include "CDB.h"

#include <QString>
#include <QStringList>

#include <optional>

class CPelkanRFCard;
class QObject;

namespace platform
{
class ListView;
}

// What the card editing dialog does apart from its window: one pupil's card number, typed or
// read from the pupil's card with the reader, saved through the card store and written back
// into the card dialog's list row.
class CardUpdate
{
public:
    static QString title();

    // pList and iRow: the card dialog's list and the row being edited; reader: the dialog's
    // card reader control; owner: the dialog that owns the message boxes (or null).
    CardUpdate(CDB db, platform::ListView* pList, int iRow, CPelkanRFCard& reader,
               QObject* owner = nullptr);

    // Columns 0 to 3 of the row, for the boxes "序号", "学号", "姓名" and "卡号".
    QStringList rowCells() const;

    // The check box is now ticked (true) or cleared: switches the reader on or off, saying so
    // when that fails. The dialog polls while the box is ticked, whatever this gave.
    void switchReader(bool bOn);
    // One poll of the reader: the card number read (each taken once), trailing blanks
    // removed; none when no card was read.
    std::optional<QString> poll();
    // The reader went away while on.
    void readerLost(const QString& strReason) const;

    // Stores the card number (blanks at both ends removed) for the row's pupil and writes it
    // into the row; true then. False after saying why: empty, too long, or the store failed.
    bool save(const QString& strCardNO);

private:
    CDB m_db;
    platform::ListView* m_pList;
    int m_iRow;
    CPelkanRFCard& m_reader;
    QObject* m_pOwner;
};
