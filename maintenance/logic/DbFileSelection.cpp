#include "DbFileSelection.h"

#include "DatabaseSetting.h"
#include "MessageService.h"
#include "TextRules.h"

QString DbFileSelection::title()
{
    return QStringLiteral("选择数据库文件");
}

QString DbFileSelection::configuredPath() const
{
    return platform::readDatabaseFileName();
}

bool DbFileSelection::save(const QString& path) const
{
    using platform::Icon;
    if (!platform::fileExists(path)) {
        platform::dialogMessage(m_owner, title(), QStringLiteral("文件不存在"), Icon::Stop);
        return false;
    }
    if (!platform::endsWithExactly(path, QStringLiteral("mdb"))) {
        platform::dialogMessage(m_owner, title(), QStringLiteral("所选文件不是Access数据库文件!"),
                                Icon::Stop);
        return false;
    }
    if (!platform::writeDatabaseFileName(path)) {
        platform::dialogMessage(m_owner, title(), QStringLiteral("保存失败"), Icon::Stop);
        return false;
    }
    platform::dialogMessage(m_owner, title(), QStringLiteral("保存成功,请重新启动程序!"),
                            Icon::Information);
    return true;
}
