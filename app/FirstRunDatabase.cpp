#include "FirstRunDatabase.h"

#include "DatabaseSetting.h"
#include "MessageService.h"
#include "NewDatabase.h"
#include "StationFolders.h"

#include <QDir>
#include <QFileInfo>

using platform::Answer;

QString FirstRunDatabase::defaultPath()
{
    return QDir(platform::stationDataFolder()).filePath(QStringLiteral("school.mdb"));
}

QString FirstRunDatabase::offer()
{
    const QString path = defaultPath();
    const bool exists = QFileInfo::exists(path);
    const QString question =
        exists ? QStringLiteral("还没有选择数据库。\n是否使用已有的数据库 %1 ?").arg(path)
               : QStringLiteral("还没有选择数据库。\n是否在 %1 新建一个空的数据库?").arg(path);
    if (platform::messages().show(question, platform::applicationTitle(), platform::Icon::Question,
                                  platform::Buttons::YesNo, nullptr) != Answer::Yes)
        return {};
    if (!exists) {
        QString error;
        if (!QDir().mkpath(QFileInfo(path).absolutePath()))
            error = QStringLiteral("不能创建文件夹 %1").arg(QFileInfo(path).absolutePath());
        else
            error = store::createDatabase(path);
        if (!error.isEmpty()) {
            platform::appMessage(QStringLiteral("无法新建数据库 %1:\n%2").arg(path, error));
            return {};
        }
    }
    // The database is used this time even when the setting cannot be saved; the user is told
    // that the next start will ask again.
    if (!platform::writeDatabaseFileName(path))
        platform::appMessage(
            QStringLiteral("无法保存数据库设置, 下次启动时需要重新选择数据库 %1").arg(path));
    return path;
}
