#include "StationStartup.h"

#include "CDB.h"
#include "DatabaseSetting.h"
#include "StringTable.h"

using platform::loadString;

QString StationStartup::baseTitle()
{
    return loadString(platform::IDS_TITLE) + loadString(platform::IDS_TITLE_YEAR) +
           QStringLiteral("  ") + loadString(platform::IDS_VERSION);
}

StationStartup::Outcome StationStartup::run(const std::function<bool()>& chooseDatabaseFile,
                                            const std::function<QString()>& offerNewDatabase) const
{
    Outcome out;
    out.title = baseTitle();
    QString path = platform::readDatabaseFileName();
    if (path.isEmpty() && offerNewDatabase)
        path = offerNewDatabase();
    if (!path.isEmpty() && theDB.open(path)) {
        bDBOpen = true;
        out.title += QStringLiteral("      ") + path;
    } else {
        out.closeRequested = chooseDatabaseFile && chooseDatabaseFile();
        bDBOpen = false;
        out.title += QStringLiteral("      没有选择数据库!");
    }
    out.dbOpen = bDBOpen;
    if (bDBOpen)
        theDB.CreateCardTable();
    return out;
}
