#include "StationFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace platform
{

QString programFolder()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
}

QStringList installedHelperFolders()
{
    QStringList folders{
        QDir::cleanPath(QDir(programFolder()).filePath(QStringLiteral(SORVIK_HELPER_DIR_FROM_BIN))),
        QStringLiteral(SORVIK_HELPER_DIR)};
    folders.removeDuplicates();
    return folders;
}

bool runsInstalled()
{
    return QFileInfo(installedHelperFolders().constFirst()).isDir();
}

QString findHelper(const QString& fileName)
{
    const QStringList folders = QStringList{programFolder()} + installedHelperFolders();
    for (const QString& folder : folders) {
        const QFileInfo candidate(QDir(folder).filePath(fileName));
        if (candidate.isFile())
            return candidate.absoluteFilePath();
    }
    return {};
}

QString stationDataFolder()
{
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty() || QDir::isRelativePath(dataHome))
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir(dataHome).filePath(QStringLiteral("sorvik"));
}

QString journalFolder()
{
    return QDir(stationDataFolder()).filePath(QStringLiteral("journal"));
}

} // namespace platform
