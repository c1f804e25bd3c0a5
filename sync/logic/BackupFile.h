#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QString>
#include <QStringList>

// The backup text file of one result import ("记录数据"): in the folder bak beside the
// station's executable, or in $XDG_DATA_HOME/sorvik/bak where that cannot be written or the
// station runs installed; named after the local time the import started, GBK with CR LF. Every line
// reaches the file as soon as it is written, so a crash loses none that were shown.
class BackupFile
{
public:
    static constexpr const char* kSubfolder = "bak";

    // The folder that holds the station's executable, empty for an installed copy; tests point
    // it elsewhere (set empty: the executable's own).
    static QString executableFolder();
    static void setExecutableFolder(const QString& path);
    // Where the station keeps files of one kind (subfolder "bak", ...), in the order tried:
    // beside the executable (not for an installed copy), then in $XDG_DATA_HOME/sorvik
    // (~/.local/share/sorvik when unset).
    static QStringList folders(const QString& subfolder);
    // Opens name in the first of folders that takes it, making that folder when missing. False
    // when none does; the file is then closed.
    static bool openInFirst(QFile& file, const QStringList& folders, const QString& name,
                            QIODevice::OpenMode mode);

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

    // In the first of folders("bak") that takes it: replaces a file of the same name and writes
    // the header. False when no folder takes it; the import goes on without it.
    bool create(const QDateTime& started);
    bool isOpen() const { return m_file.isOpen(); }
    QString path() const { return m_file.fileName(); }
    // Nothing happens while no file is open. A line that cannot be written closes the file, so
    // it never has a gap; failed() tells.
    void write(const QByteArray& number, int itemCode, const QByteArray& value);
    bool failed() const { return m_failed; }
    void close();

private:
    QFile m_file;
    bool m_failed = false;
};
