#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>

#include <memory>

// Every record the collector receives, kept before the station handles it: one text file a
// day in the station's journal folder, in the line format of the result import's backup file
// (so the file import reads it back). Each arrival is handed to the system at once, so a
// station that is killed loses none of it; a thread of its own then syncs it to the disk, so
// the window never waits for the disk.
class CollectJournal
{
public:
    CollectJournal();
    ~CollectJournal();
    CollectJournal(const CollectJournal&) = delete;
    CollectJournal& operator=(const CollectJournal&) = delete;

    // "yyyy-MM-dd.bak" in platform::journalFolder().
    static QString filePath(const QDate& day);

    // One line per whole 27-byte record of records. False when it could not be written; error()
    // then says why. A new day starts a new file (with the header line).
    bool append(const QByteArray& records);
    // The file of the last successful append; empty before one or after a failure.
    QString path() const { return m_failed ? QString() : m_path; }
    const QString& error() const { return m_error; }

    // Waits until everything appended is on the disk; for tests and the end of collection.
    void sync();

private:
    bool openFor(const QDate& day);
    bool fail(const QString& what);

    struct File;
    struct Syncer;
    std::unique_ptr<Syncer> m_syncer;
    std::shared_ptr<File> m_file; // today's file while it is open
    bool m_lineCut = false;       // a failed write may have left half a line
    QDate m_day;
    QString m_path;
    QString m_error;
    bool m_failed = false;
};
