#pragma once

#include "CDB.h"
#include "StoreRecordset.h"

#include <QList>
#include <QString>

// The grade items (prjzb): the three selectable items of a grade and sex; -1 means no item.
class CGradeItem
{
public:
    explicit CGradeItem(CDB myDB);
    ~CGradeItem();

    // 1 and three item numbers appended to saItemNO (not cleared first) when the grade and sex
    // have a row; 0 and nothing appended when not, or on an error.
    int GetGradeItem(long lGradeNO, const QString& strSex, QList<long>& saItemNO);

private:
    store::StoreRecordset m_pRecordset;
};
