#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QString>

// The backup text file of one result import ("记录数据"): in the folder bak beside the
// station's executable, named after the local time the import started, GBK with CR LF. Every
// line reaches the file as soon as it is written, so a crash loses none that were shown.
class BackupFile
{
public:
    // The folder the files go to; tests point it elsewhere (empty restores bak beside the
    // executable).
    static QString folder();
    static void setFolder(const QString& path);

    // "%Y-%m-%d %H-%M-%S.bak"
    static QString fileName(const QDateTime& started);
    // "Pelkan Collect Data\r\n"
    static QByteArray header();
    // "%20s%02i%5s\r\n" (platform::resultLine, the line of the collection journal too): the
    // number right-aligned in 20 bytes (longer ones whole), the item code with at least two
    // digits, the value right-aligned in 5 bytes (longer ones whole).
    static QByteArray line(const QByteArray& number, int itemCode, const QByteArray& value);

    BackupFile() = default;
    BackupFile(const BackupFile&) = delete;
    BackupFile& operator=(const BackupFile&) = delete;

    // Makes the folder when missing, replaces a file of the same name and writes the header.
    // False when the file cannot be made; the import goes on without it.
    bool create(const QDateTime& started);
    bool isOpen() const { return m_file.isOpen(); }
    QString path() const { return m_file.fileName(); }
    // Nothing happens while no file is open.
    void write(const QByteArray& number, int itemCode, const QByteArray& value);
    void close();

private:
    QFile m_file;
};
