#include "ServerClaim.h"

#include "Database.h"
#include "SqlConnection.h"

namespace store
{

ServerClaim::ServerClaim(const std::shared_ptr<Database>& db)
{
    // A closed database is left to the store's own calls to report.
    if (!db || !db->isOpen())
        return;
    SqlConnection& conn = db->connection();
    if (!conn.isServer())
        return;
    conn.beginBatch();
    m_conn = &conn;
}

ServerClaim::~ServerClaim()
{
    if (m_conn)
        m_conn->rollbackBatch();
}

int ServerClaim::nextPupilId()
{
    if (!m_conn)
        return 0;
    return int(m_conn->query(QStringLiteral("SELECT COALESCE(MAX(STU_ID) + 1, 0) FROM STU_Main"))
                   .at(0, 0)
                   .toLongLong());
}

bool ServerClaim::holdsStudentNumber(const QString& stuNo)
{
    // Compared as the snapshot's filter compares: trailing blanks and ASCII case do not count.
    return m_conn && m_conn->query(QStringLiteral("SELECT count(*) FROM STU_Main WHERE "
                                                  "upper(rtrim(StuNo)) = upper(rtrim(?))"),
                                   {stuNo})
                             .at(0, 0)
                             .toLongLong() > 0;
}

bool ServerClaim::hasCardOf(long stuId)
{
    return m_conn && m_conn->query(QStringLiteral("SELECT count(*) FROM Stu_card WHERE StuID = ?"),
                                   {qlonglong(stuId)})
                             .at(0, 0)
                             .toLongLong() > 0;
}

void ServerClaim::updateCard(long stuId, const QString& cardNo)
{
    if (m_conn)
        m_conn->execute(QStringLiteral("UPDATE Stu_card SET CardNO = ? WHERE StuID = ?"),
                        {cardNo, qlonglong(stuId)});
}

void ServerClaim::keep()
{
    if (!m_conn)
        return;
    SqlConnection* conn = m_conn;
    m_conn = nullptr;
    conn->commitBatch();
}

} // namespace store
