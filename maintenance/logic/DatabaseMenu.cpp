#include "DatabaseMenu.h"

#include "CDB.h"
#include "MessageService.h"

QString DatabaseMenu::title()
{
    return QStringLiteral("数据库操作");
}

bool DatabaseMenu::checkDatabase()
{
    if (bDBOpen)
        return true;
    platform::appMessage(QStringLiteral("请先选择数据库!"));
    return false;
}
