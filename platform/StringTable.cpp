#include "StringTable.h"

namespace platform
{

QString loadString(int id)
{
    switch (id) {
    case IDS_ABOUTBOX:
        return QStringLiteral("关于 Sorvik(&A)...");
    case IDS_TITLE:
        return QStringLiteral("Dornel体质测试系统");
    case IDS_TITLE_YEAR:
        return QStringLiteral("2011");
    case IDS_PROFILE_SECTION:
        return QStringLiteral("wbqzSorvikSys");
    case IDS_PROFILE_DBFILE:
        return QStringLiteral("DBFileName");
    case IDS_VERSION:
        return QStringLiteral("2.08");
    default:
        return {};
    }
}

} // namespace platform
