#include "BackupFile.h"

#include "ResultLine.h"

#include <QCoreApplication>
#include <QDir>
#include <QMutex>

namespace
{

QMutex g_folderMutex;
QString g_folder; // guarded by g_folderMutex; empty: beside the executable

} // namespace

QString BackupFile::folder()
{
    {
        QMutexLocker lock(&g_folderMutex);
        if (!g_folder.isEmpty())
            return g_folder;
    }
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("bak"));
}

void BackupFile::setFolder(const QString& path)
{
    QMutexLocker lock(&g_folderMutex);
    g_folder = path;
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
    close();
    const QString dir = folder();
    if (!QDir().mkpath(dir))
        return false;
    m_file.setFileName(QDir(dir).filePath(fileName(started)));
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate))
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
    m_file.write(line(number, itemCode, value));
    m_file.flush();
}

void BackupFile::close()
{
    if (m_file.isOpen())
        m_file.close();
}
