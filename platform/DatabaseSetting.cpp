#include "DatabaseSetting.h"

#include "ProfileSettings.h"
#include "StringTable.h"

namespace platform
{

QString readDatabaseFileName()
{
    return readProfileString(loadString(IDS_PROFILE_SECTION), loadString(IDS_PROFILE_DBFILE));
}

bool writeDatabaseFileName(const QString& path)
{
    return writeProfileString(loadString(IDS_PROFILE_SECTION), loadString(IDS_PROFILE_DBFILE),
                              path);
}

} // namespace platform
