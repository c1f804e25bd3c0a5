#include "DataFolders.h"

#include <QDir>
#include <QStandardPaths>

namespace platform
{

QString stationDataFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("sorvik"));
}

QString journalFolder()
{
    return QDir(stationDataFolder()).filePath(QStringLiteral("journal"));
}

} // namespace platform
