#pragma once

#include "CDB.h"
#include "StoreRecordset.h"
#include "ValueHistory.h"

#include <QString>
#include <QVariant>

#include <functional>

// The test values (STU_ObjectData): one row per pupil and item.
class CValue
{
public:
    explicit CValue(CDB myDB);
    ~CValue();

    // Creates the pupil's row for the item, or replaces value and item class of the existing
    // one. 1 stored, 0 on an error.
    int InsertValue(long lStuID, long lItemNO, double dValue, long lItemClass);
    // Replace the value of an existing row only; ObjectType keeps its value.
    // 1 stored, 0 when the pupil has no row for the item or on an error.
    int InsertValue(long lStuID, long lItemNO, double dValue);
    int InsertValue(long lStuID, long lItemNO, const QString& strValue);

    // Where the values stored from now on come from. With a source each value is also entered
    // in the value history (when the database has it), in the same batch as the value.
    void setHistorySource(store::HistorySource source) { m_source = std::move(source); }

private:
    int replaceExisting(long lStuID, long lItemNO, const QVariant& value);
    // The first row of the pupil's item; false when there is none.
    bool findRow(long lStuID, long lItemNO);
    // Enters the value in the history before it is written; writeValue() stores it and takes
    // the entry out again when it fails, so history and values never disagree.
    void writeValue(long lStuID, long lItemNO, const QVariant& value, const QVariant& previous,
                    const std::function<void()>& write);

    store::StoreRecordset m_pRecordset;
    store::HistorySource m_source;
    int m_historyTable = -1; // whether the database has the history table; -1 not asked yet
};
