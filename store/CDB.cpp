#include "CDB.h"

#include "Database.h"
#include "MessageService.h"
#include "SqlConnection.h"
#include "StoreError.h"
#include "TextRules.h"

#include <QFile>
#include <QFileInfo>

CDB theDB;
bool bDBOpen = false;

namespace
{

const QStringList kSuppliedTables = {QStringLiteral("STU_Main"), QStringLiteral("STU_ObjectData"),
                                     QStringLiteral("Code03Dict"), QStringLiteral("prjzb")};

// Says what kind of file this is when it is not an SQLite database.
QString notADatabaseReason(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("无法读取文件: %1").arg(file.errorString());
    const QByteArray head = file.read(32);
    if (head.startsWith(QByteArrayLiteral("SQLite format 3")))
        return {};
    if (head.mid(4, 15) == QByteArrayLiteral("Standard Jet DB") ||
        head.mid(4, 15) == QByteArrayLiteral("Standard ACE DB"))
        return QStringLiteral("这是Access (Jet)数据库文件, 本程序不能直接打开; 请用 sorvik-dbtool "
                              "create 建立的数据库");
    return QStringLiteral("文件不是SQLite数据库 (file is not a database)");
}

} // namespace

int CDB::open(const QString& strDBFile)
{
    if (!platform::fileExists(strDBFile)) {
        platform::messages().show(QStringLiteral("没有找到数据库"), QStringLiteral("FindFirstFile"),
                                  platform::Icon::None, platform::Buttons::Ok, nullptr);
        return 0;
    }
    try {
        const QString reason = notADatabaseReason(strDBFile);
        if (!reason.isEmpty())
            throw store::StoreError(reason);
        auto database = std::make_shared<store::Database>(strDBFile);
        const QStringList tables = database->connection().tableNames();
        QStringList missing;
        for (const QString& t : kSuppliedTables)
            if (!tables.contains(t, Qt::CaseInsensitive))
                missing << t;
        if (!missing.isEmpty())
            throw store::StoreError(
                QStringLiteral("数据库中缺少表: %1").arg(missing.join(QStringLiteral(", "))));
        m_pConnection = database;
        return 1;
    } catch (const store::StoreError& e) {
        ShowComError(QStringLiteral("void CDB::open(CString\tstrDBFile)"), e);
        return 0;
    }
}

int CDB::CreateCardTable()
{
    try {
        if (!m_pConnection)
            throw store::StoreError(QStringLiteral("数据库没有打开"));
        store::SqlConnection& conn = m_pConnection->connection();
        try {
            conn.query(QStringLiteral("select * from Stu_Card limit 0"));
            return 1;
        } catch (const store::StoreError&) {
            conn.execute(QStringLiteral("Create table  Stu_card(StuID INTEGER ,CardNO TEXT(50) )"));
            return 1;
        }
    } catch (const store::StoreError& e) {
        ShowComError(QStringLiteral("int CDB::CreateCardTable()"), e);
        return 0;
    }
}

void CDB::close()
{
    if (m_pConnection)
        m_pConnection->close();
}

bool CDB::isOpen() const
{
    return m_pConnection && m_pConnection->isOpen();
}

void ShowComError(const QString& strSignature, const QString& strDescription)
{
    platform::appMessage(
        QStringLiteral("在%1处发生异常:\r\n%2\n").arg(strSignature, strDescription));
}

void ShowComError(const QString& strSignature, const store::StoreError& error)
{
    ShowComError(strSignature, error.description());
}
