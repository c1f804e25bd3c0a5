#include "CDB.h"

#include "AccessConversion.h"
#include "Database.h"
#include "DatabaseSetting.h"
#include "MessageService.h"
#include "ReportHold.h"
#include "ServerAddress.h"
#include "SqlConnection.h"
#include "StoreError.h"
#include "TextRules.h"
#include "ValueHistory.h"

#include <QFile>
#include <QFileInfo>

CDB theDB;
bool bDBOpen = false;

namespace
{

const QStringList kSuppliedTables = {QStringLiteral("STU_Main"), QStringLiteral("STU_ObjectData"),
                                     QStringLiteral("Code03Dict"), QStringLiteral("prjzb")};

// Refuses a database that lacks one of the tables the station is supplied with.
void requireSuppliedTables(const QStringList& tables)
{
    QStringList missing;
    for (const QString& t : kSuppliedTables)
        if (!tables.contains(t, Qt::CaseInsensitive))
            missing << t;
    if (!missing.isEmpty())
        throw store::StoreError(
            QStringLiteral("数据库中缺少表: %1").arg(missing.join(QStringLiteral(", "))));
}

bool isAccessFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(32);
    return head.mid(4, 15) == QByteArrayLiteral("Standard Jet DB") ||
           head.mid(4, 15) == QByteArrayLiteral("Standard ACE DB");
}

// Says what kind of file this is when it is not an SQLite database.
QString notADatabaseReason(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("无法读取文件: %1").arg(file.errorString());
    const QByteArray head = file.read(32);
    if (head.startsWith(QByteArrayLiteral("SQLite format 3")))
        return {};
    if (isAccessFile(path))
        return QStringLiteral("这是Access (Jet)数据库文件, 本程序不能直接打开; 请用 sorvik-dbtool "
                              "create 建立的数据库");
    return QStringLiteral("文件不是SQLite数据库 (file is not a database)");
}

} // namespace

int CDB::open(const QString& strDBFile)
{
    if (!store::isServerAddress(strDBFile) && !platform::fileExists(strDBFile)) {
        platform::messages().show(QStringLiteral("没有找到数据库"), QStringLiteral("FindFirstFile"),
                                  platform::Icon::None, platform::Buttons::Ok, nullptr);
        return 0;
    }
    try {
        // A connection file names a database server instead of holding the database.
        const QString server = store::resolvedDatabasePath(strDBFile);
        if (store::isServerAddress(server))
            return openServer(server);
        if (isAccessFile(strDBFile) && platform::fileExists(store::AccessConversion::toolPath()) &&
            !convertAccessFile(strDBFile))
            return 0;
        const QString reason = notADatabaseReason(strDBFile);
        if (!reason.isEmpty())
            throw store::StoreError(reason);
        // The tables are looked at without changing the file, so a file refused here is left
        // as it was; only a station database is switched to the station's journal mode.
        requireSuppliedTables(store::SqlConnection::tableNamesOf(strDBFile));
        auto database = std::make_shared<store::Database>(strDBFile);
        // A database from before the value history gains its table; one that cannot be written
        // opens all the same (it stores no value either).
        store::SqlConnection& conn = database->connection();
        try {
            store::ValueHistory::ensureTable(conn);
        } catch (const store::StoreError&) {
        }
        m_pConnection = database;
        return 1;
    } catch (const store::StoreError& e) {
        ShowComError(QStringLiteral("void CDB::open(CString\tstrDBFile)"), e);
        return 0;
    }
}

int CDB::openServer(const QString& address)
{
    requireSuppliedTables(store::SqlConnection::tableNamesOf(address));
    auto database = std::make_shared<store::Database>(address);
    store::SqlConnection& conn = database->connection();
    // A server database from before the value history gains its table, as a file does.
    try {
        store::ValueHistory::ensureTable(conn);
    } catch (const store::StoreError&) {
    }
    // The checks that new pupils and cards make on the server look these up by index, so that
    // an import does not scan the whole table for every pupil.
    for (const char* index : {"STU_Main_StuId ON STU_Main(STU_ID)",
                              "STU_Main_StuNoKey ON STU_Main(upper(rtrim(StuNo)))",
                              "STU_Card_StuId ON STU_Card(StuID)"}) {
        try {
            conn.executeScript(QStringLiteral("CREATE INDEX IF NOT EXISTS ") +
                               QLatin1String(index));
        } catch (const store::StoreError&) {
        }
    }
    m_pConnection = database;
    return 1;
}

// Asks once whether to convert the Access file at path and does it; true when path now holds
// the converted station database. Whatever else happened has been shown to the user.
bool CDB::convertAccessFile(const QString& path)
{
    const QString caption = QStringLiteral("转换数据库");
    const QString kept = store::AccessConversion::keptOriginalPath(path);
    const platform::Answer answer = platform::messages().show(
        QStringLiteral(
            "“%1”是Access数据库文件, 本程序不能直接打开。\n要把它转换为本程序的数据库吗?\n\n"
            "转换后的数据库沿用这个文件名; 原来的Access文件不作改动, 保存为:\n%2")
            .arg(path, kept),
        caption, platform::Icon::Question, platform::Buttons::YesNo, nullptr);
    if (answer != platform::Answer::Yes) {
        ShowComError(QStringLiteral("void CDB::open(CString\tstrDBFile)"),
                     notADatabaseReason(path));
        return false;
    }
    const store::AccessConversion::Result r =
        store::AccessConversion().run(path, kept, m_conversionProgress);
    if (!r.ok) {
        ShowComError(QStringLiteral("void CDB::open(CString\tstrDBFile)"),
                     QStringLiteral("Access数据库转换失败, 原文件没有改动: %1").arg(r.message));
        return false;
    }
    QString text =
        QStringLiteral(
            "Access数据库已转换为本程序的数据库:\n%1\n\n原来的Access文件保存为:\n%2\n\n%3")
            .arg(path, kept, r.lines.join(QLatin1Char('\n')));
    if (!platform::writeDatabaseFileName(QFileInfo(path).absoluteFilePath()))
        text += QStringLiteral("\n\n配置没有保存, 下次启动请重新选择数据库文件。");
    platform::messages().show(text, caption, platform::Icon::Information, platform::Buttons::Ok,
                              nullptr);
    return true;
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
            // A server looks a pupil's card up by index, as the index made at opening would.
            if (conn.isServer())
                conn.executeScript(
                    QStringLiteral("CREATE INDEX IF NOT EXISTS STU_Card_StuId ON STU_Card(StuID)"));
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
    const QString text =
        QStringLiteral("在%1处发生异常:\r\n%2\n").arg(strSignature, strDescription);
    if (!store::ReportHold::keep(text))
        platform::appMessage(text);
}

void ShowComError(const QString& strSignature, const store::StoreError& error)
{
    ShowComError(strSignature, error.description());
}
