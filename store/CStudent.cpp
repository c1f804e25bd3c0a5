#include "CStudent.h"

#include "Clock.h"
#include "FieldValues.h"
#include "ListView.h"
#include "MessageService.h"
#include "Recordset.h"
#include "ServerClaim.h"
#include "StoreError.h"

#include <QDateTime>

namespace
{

QString getIDByStuNOSignature()
{
    return QStringLiteral("long CStudent::GetIDByStuNO(CString strStuNO)");
}

QString getClassSignature()
{
    return QStringLiteral(
        "int\tCStudent::GetClass(CStringArray& saClassNO,CStringArray& saClassName)");
}

} // namespace

CStudent::CStudent(CDB myDB)
    : m_GradeItem(myDB), m_Value(myDB),
      m_pRecordset(myDB, QStringLiteral("select * from STU_Main order by STU_ID"),
                   QStringLiteral("CStudent::CStudent(CDB myDB)"),
                   QStringLiteral("CStudent::~CStudent()"))
{
}

CStudent::~CStudent() = default;

int CStudent::GetNewID()
{
    try {
        store::Recordset& rs = *m_pRecordset;
        rs.clearFilter();
        if (rs.recordCount() == 0)
            return 0;
        // Ordered by identifier, and pupils inserted later go at the end with rising ones.
        rs.moveLast();
        return static_cast<int>(
            store::requireInteger(rs.field(QStringLiteral("STU_ID")), QStringLiteral("STU_ID")) +
            1);
    } catch (const store::StoreError& e) {
        ShowComError(QStringLiteral("int CStudent::GetNewID()"), e);
        return -1;
    }
}

long CStudent::GetIDByStuNO(const QString& strStuNO, long& lStuID, QString& strName)
{
    try {
        store::Recordset& rs = *m_pRecordset;
        rs.setFilter({{QStringLiteral("StuNo"), strStuNO}});
        if (rs.recordCount() == 0)
            return -1;
        const qlonglong id =
            store::requireInteger(rs.field(QStringLiteral("STU_ID")), QStringLiteral("STU_ID"));
        // A pupil without a name is still the pupil: a result must not get lost over it.
        strName = store::textOrEmpty(rs.field(QStringLiteral("StuName")));
        lStuID = static_cast<long>(id);
        return 1;
    } catch (const store::StoreError& e) {
        ShowComError(getIDByStuNOSignature(), e);
        return -1;
    }
}

long CStudent::GetStuNOByID(long lStuID, QString& strStuNO, QString& strName)
{
    try {
        store::Recordset& rs = *m_pRecordset;
        rs.setFilter({{QStringLiteral("STU_ID"), qlonglong(lStuID)}});
        if (rs.recordCount() == 0)
            return -1;
        const QString stuNo = store::textOrEmpty(rs.field(QStringLiteral("StuNo")));
        strName = store::textOrEmpty(rs.field(QStringLiteral("StuName")));
        strStuNO = stuNo;
        return 1;
    } catch (const store::StoreError& e) {
        ShowComError(getIDByStuNOSignature(), e);
        return -1;
    }
}

int CStudent::InsertStu(const QString& strStuName, long lClassID, long lGroupNO,
                        const QString& strGroupName, const QString& strSex, const QDate& dtBirthday,
                        long lNationID, const QString& strStuNO, const QString& strAddress,
                        const QString& strAreaCode)
{
    try {
        // One reading of the clock gives both the year and the creation time.
        const QDateTime now = platform::currentDateTime().toLocalTime();
        const int year = now.isValid() ? now.date().year() : 0;

        // On a server other stations insert pupils too: the identifier and the check of the
        // student number are taken from the server while this station holds the right to write.
        store::ServerClaim claim(m_pRecordset.database());
        int newId = GetNewID();
        // GetNewID has already reported its error; a pupil with identifier -1 would collide
        // with the next one inserted.
        if (newId < 0)
            return -1;
        newId = std::max(newId, claim.nextPupilId());

        store::Recordset& rs = *m_pRecordset;
        rs.setFilter({{QStringLiteral("StuNo"), strStuNO}});
        if (rs.recordCount() >= 1 || claim.holdsStudentNumber(strStuNO)) {
            platform::appMessage(QStringLiteral("存在相同的记录,学号:%1").arg(strStuNO));
            return 0;
        }

        rs.addNew();
        rs.setField(QStringLiteral("STU_ID"), newId);
        rs.setField(QStringLiteral("StuName"), strStuName);
        rs.setField(QStringLiteral("Class_ID"), qlonglong(lClassID));
        rs.setField(QStringLiteral("GroupNo"), qlonglong(lGroupNO));
        rs.setField(QStringLiteral("GroupName"), strGroupName);
        rs.setField(QStringLiteral("Sex"), strSex);
        rs.setField(QStringLiteral("Birthday"), dtBirthday);
        rs.setField(QStringLiteral("Nation_ID"), qlonglong(lNationID));
        rs.setField(QStringLiteral("StuNo"), strStuNO);
        rs.setField(QStringLiteral("Address"), strAddress);
        rs.setField(QStringLiteral("STU_Year"), year);
        rs.setField(QStringLiteral("CreateDate"), now);
        rs.setField(QStringLiteral("AreaCode"), strAreaCode);
        rs.updateCurrent();

        // Default values; the value and grade-item stores report their own errors, and the
        // pupil stays stored whatever they answer.
        m_Value.InsertValue(newId, 1, 0.0, 1);
        m_Value.InsertValue(newId, 2, 0.0, 2);
        if (lClassID > 14)
            m_Value.InsertValue(newId, 4, 0.0, 3);
        m_Value.InsertValue(newId, 61, 5.0, 9);
        QList<long> items;
        if (m_GradeItem.GetGradeItem(lClassID, strSex, items) == 1) {
            for (int k = 0; k < 3; ++k)
                if (items.at(k) != -1)
                    m_Value.InsertValue(newId, items.at(k), 0.0, 5 + k);
        }
        claim.keep();
        return 1;
    } catch (const store::StoreError& e) {
        ShowComError(QStringLiteral("int CStudent::InsertStu"), e);
        return -1;
    }
}

int CStudent::GetClass(QStringList& saClassNO, QStringList& saClassName)
{
    try {
        return getClass(saClassNO, saClassName, nullptr);
    } catch (const store::StoreError& e) {
        ShowComError(getClassSignature(), e);
        return 0;
    }
}

int CStudent::GetClass(QStringList& saClassNO, QStringList& saClassName, QList<quint32>& daStuCount)
{
    try {
        return getClass(saClassNO, saClassName, &daStuCount);
    } catch (const store::StoreError& e) {
        ShowComError(getClassSignature(), e);
        return 0;
    }
}

int CStudent::getClass(QStringList& saClassNO, QStringList& saClassName, QList<quint32>* pCounts)
{
    // The name of a class is that of its first pupil row; classes come in text order of their
    // number (class 10 before class 2).
    store::Recordset rs;
    rs.open(m_pRecordset.database(),
            QStringLiteral("select f.GroupNo as classNO, m.GroupName as className, f.StuCount "
                           "from (select GroupNo, min(rowid) as firstRow, count(*) as StuCount "
                           "from STU_Main group by GroupNo) f "
                           "join STU_Main m on m.rowid = f.firstRow order by f.GroupNo"));
    if (rs.recordCount() == 0) {
        rs.close();
        return 1;
    }
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
        saClassNO.append(store::textOrEmpty(rs.field(QStringLiteral("classNO"))));
        saClassName.append(store::textOrEmpty(rs.field(QStringLiteral("className"))));
        if (pCounts)
            pCounts->append(
                static_cast<quint32>(rs.field(QStringLiteral("StuCount")).toLongLong()));
    }
    rs.close();
    return 1;
}

int CStudent::ViewStuCardNO(const QString& strClassNO, platform::ListView* pList)
{
    try {
        store::Recordset rs;
        rs.open(m_pRecordset.database(),
                QStringLiteral("select stu_main.stu_ID, stu_main.stuNO,stu_main.stuName,"
                               "stu_card.cardNO \t\t\t\t\tfrom stu_main left join stu_card on "
                               "stu_main.stu_id=stu_card.stuID \t\t\t\t\twhere groupNO=?"),
                {strClassNO});
        if (rs.recordCount() == 0) {
            rs.close();
            return 0;
        }
        int row = 0;
        for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
            const qlonglong id =
                store::requireInteger(rs.field(QStringLiteral("stu_ID")), QStringLiteral("stu_ID"));
            pList->insertRow(row, QString::number(id));
            pList->setCell(
                row, 1,
                store::requireText(rs.field(QStringLiteral("stuNO")), QStringLiteral("StuNo")));
            pList->setCell(
                row, 2,
                store::requireText(rs.field(QStringLiteral("stuName")), QStringLiteral("StuName")));
            pList->setCell(row, 3, store::textOrEmpty(rs.field(QStringLiteral("cardNO"))));
            ++row;
        }
        rs.close();
        return 1;
    } catch (const store::StoreError& e) {
        ShowComError(
            QStringLiteral("int CStudent::ViewStuCardNO(CString strClassNO,CListCtrl* pList)"), e);
        return 0;
    }
}

int CStudent::GetStudentByClassName(const QString& strClassName)
{
    try {
        store::Recordset& rs = *m_pRecordset;
        rs.setFilter({{QStringLiteral("GroupName"), strClassName}});
        const int n = rs.recordCount();
        if (n > 0)
            rs.moveFirst();
        return n;
    } catch (const store::StoreError& e) {
        ShowComError(QStringLiteral("int GetStudentByClassName(string strClassName)"), e);
        return 0;
    }
}

int CStudent::GetOneRec(long& lStuID, QString& strStuNO, QString& strName)
{
    try {
        store::Recordset& rs = *m_pRecordset;
        if (rs.eof())
            return 0;
        const QVariant id = rs.field(QStringLiteral("STU_ID"));
        lStuID = store::holdsInteger(id) ? static_cast<long>(id.toLongLong()) : 0;
        const QVariant stuNo = rs.field(QStringLiteral("StuNo"));
        strStuNO = store::holdsText(stuNo) ? stuNo.toString() : QString();
        const QVariant name = rs.field(QStringLiteral("StuName"));
        strName = store::holdsText(name) ? name.toString() : QString();
        rs.moveNext();
        return 1;
    } catch (const store::StoreError& e) {
        ShowComError(QStringLiteral("int CStudent::GetOneRec(CString& strStuNO,CString& strName)"),
                     e);
        return 0;
    }
}
