#pragma once

#include "CDB.h"
#include "StoreRecordset.h"

#include <QString>

// The card table (STU_Card): one card number per pupil. An empty number deletes the card.
class CCard
{
public:
    // The card table's CardNO holds at most this many characters.
    static constexpr int kCardNOLength = 50;
    // True when strCardNO fits the card table.
    static bool fits(const QString& strCardNO);

    explicit CCard(CDB myDB);
    ~CCard();

    // Sets the pupil's card number as given (no trimming); the pupil keeps one row.
    // 1 stored, 0 on an error; a number that does not fit is such an error (the engine of the
    // original station refused it), reported and not stored.
    int InsertUpdateCard(long lStuID, const QString& strCardNO);
    // 1 and the pupil when the card number (trailing blanks ignored) is stored; 0 when not
    // (lStuID untouched) or on an error.
    int GetStuIDByCardNO(long& lStuID, const QString& strCardNO);
    // 1 and the card number when the pupil has one; 0 when not (strCardNO untouched), when the
    // stored number is null (strCardNO emptied), or on an error.
    int GetCardNOByStuID(QString& strCardNO, long lStuID);

private:
    store::StoreRecordset m_pRecordset;
};
