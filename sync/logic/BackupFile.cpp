#include "BackupFile.h"

#include "ResultLine.h"
#include "StationFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QMutex>

namespace
{

QMutex g_folderMutex;
QString g_executableFolder; // guarded by g_folderMutex; empty: the executable's own

} // namespace

QString BackupFile::executableFolder()
{
    {
        QMutexLocker lock(&g_folderMutex);
        if (!g_executableFolder.isEmpty())
            return g_executableFolder;
    }
    // An installed copy never writes beside its program (/usr/bin is no place for data, even
    // when the station runs as root and could write there).
    return platform::runsInstalled() ? QString() : platform::programFolder();
}

void BackupFile::setExecutableFolder(const QString& path)
{
    QMutexLocker lock(&g_folderMutex);
    g_executableFolder = path;
}

QStringList BackupFile::folders(const QString& subfolder)
{
    QStringList result;
    if (const QString beside = executableFolder(); !beside.isEmpty())
        result << QDir(beside).filePath(subfolder);
    result << QDir(platform::stationDataFolder()).filePath(subfolder);
    return result;
}

bool BackupFile::openInFirst(QFile& file, const QStringList& folders, const QString& name,
                             QIODevice::OpenMode mode)
{
    file.close();
    for (const QString& dir : folders) {
        if (!QDir().mkpath(dir))
            continue;
        file.setFileName(QDir(dir).filePath(name));
        if (file.open(mode))
            return true;
    }
    return false;
}

QString BackupFile::fileName(const QDateTime& started)
{
    return started.toString(QStringLiteral("yyyy-MM-dd HH-mm-ss")) + QStringLiteral(".bak");
}

QByteArray BackupFile::header()
{
    return platform::resultFileHeader();
}

QByteArray BackupFile::line(const QByteArray& number, int itemCode, const QByteArray& value)
{
    return platform::resultLine(number, itemCode, value);
}

bool BackupFile::create(const QDateTime& started)
{
    m_failed = false;
    if (!openInFirst(m_file, folders(QString::fromLatin1(kSubfolder)), fileName(started),
                     QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray first = header();
    if (m_file.write(first) != first.size() || !m_file.flush()) {
        m_file.close();
        return false;
    }
    return true;
}

void BackupFile::write(const QByteArray& number, int itemCode, const QByteArray& value)
{
    if (!m_file.isOpen())
        return;
    const QByteArray text = line(number, itemCode, value);
    if (m_file.write(text) != text.size() || !m_file.flush()) {
        m_failed = true;
        m_file.close();
    }
}

void BackupFile::close()
{
    if (m_file.isOpen())
        m_file.close();
}
