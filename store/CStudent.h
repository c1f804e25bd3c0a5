#pragma once

#include "CDB.h"
#include "CGradeItem.h"
#include "CValue.h"
#include "StoreRecordset.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

namespace platform
{
class ListView;
}

// The pupils (STU_Main). Lookups work on this object's snapshot of the table (the rows present
// when it was built plus those it inserted); filter and position stay set between calls.
class CStudent
{
public:
    explicit CStudent(CDB myDB);
    ~CStudent();

    // The identifier for the next pupil: 0 for an empty table, else the last one plus 1;
    // -1 on an error. Removes the filter.
    int GetNewID();
    // 1 and the pupil's identifier and name when found; -1 when not (outputs untouched) or on
    // an error.
    long GetIDByStuNO(const QString& strStuNO, long& lStuID, QString& strName);
    long GetStuNOByID(long lStuID, QString& strStuNO, QString& strName);
    // 1 inserted with the pupil's default value rows; 0 refused because the student number is
    // present (after telling the user); -1 on an error.
    int InsertStu(const QString& strStuName, long lClassID, long lGroupNO,
                  const QString& strGroupName, const QString& strSex, const QDate& dtBirthday,
                  long lNationID, const QString& strStuNO, const QString& strAddress,
                  const QString& strAreaCode);
    // Appends each class number and the name of its first pupil, in text order of the number.
    // 1, or 0 on an error.
    int GetClass(QStringList& saClassNO, QStringList& saClassName);
    // The same, also appending the number of pupils of each class.
    int GetClass(QStringList& saClassNO, QStringList& saClassName, QList<quint32>& daStuCount);
    // Adds the class's pupils to pList: identifier, student number, name, card number (empty
    // without a card). 1 listed, 0 no pupil or an error.
    int ViewStuCardNO(const QString& strClassNO, platform::ListView* pList);
    // The number of pupils of the class; GetOneRec then walks them in identifier order.
    int GetStudentByClassName(const QString& strClassName);
    // 1 and the current pupil, moving on; 0 at the end or on an error.
    int GetOneRec(long& lStuID, QString& strStuNO, QString& strName);

private:
    int getClass(QStringList& saClassNO, QStringList& saClassName, QList<quint32>* pCounts);

    CGradeItem m_GradeItem;
    CValue m_Value;
    store::StoreRecordset m_pRecordset;
};
