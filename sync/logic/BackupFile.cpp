#include "BackupFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QMutex>

namespace
{

QMutex g_folderMutex;
QString g_executableFolder; // guarded by g_folderMutex; empty: the executable's own

QByteArray rightAligned(const QByteArray& text, int width)
{
    return text.size() >= width ? text : QByteArray(width - text.size(), ' ') + text;
}

} // namespace

QString BackupFile::executableFolder()
{
    {
        QMutexLocker lock(&g_folderMutex);
        if (!g_executableFolder.isEmpty())
            return g_executableFolder;
    }
    return QCoreApplication::applicationDirPath();
}

void BackupFile::setExecutableFolder(const QString& path)
{
    QMutexLocker lock(&g_folderMutex);
    g_executableFolder = path;
}

QStringList BackupFile::folders(const QString& subfolder)
{
    // A relative $XDG_DATA_HOME is to be ignored.
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty() || QDir::isRelativePath(dataHome))
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    return {QDir(executableFolder()).filePath(subfolder),
            QDir(dataHome).filePath(QStringLiteral("sorvik/") + subfolder)};
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
    return QByteArrayLiteral("Pelkan Collect Data\r\n");
}

QByteArray BackupFile::line(const QByteArray& number, int itemCode, const QByteArray& value)
{
    QByteArray item = QByteArray::number(itemCode);
    if (itemCode >= 0 && item.size() < 2)
        item.prepend('0');
    return rightAligned(number, 20) + item + rightAligned(value, 5) + "\r\n";
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
