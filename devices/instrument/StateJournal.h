// The virtual instrument's append-only journal: one line per change since the last
// snapshot, written before the change is answered. A line reaches the file with one write,
// so it survives the instrument's process being killed; a line cut short by a crash was
// never answered and is dropped when the journal is read back.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace sorvik::instrument
{

class StateJournal
{
public:
    struct Contents {
        bool found = false;
        QList<QByteArray> lines; // complete lines after the header, without '\n'
        qint64 generation = -1;  // of the snapshot the journal continues; -1: no header
        qint64 validLength = 0;  // bytes up to the end of the last complete line
    };

    StateJournal() = default;
    ~StateJournal();
    StateJournal(const StateJournal&) = delete;
    StateJournal& operator=(const StateJournal&) = delete;

    // A missing journal is found == false; an unreadable one is an error.
    static bool read(const QString& path, Contents& out, QString* error);

    // Starts an empty journal continuing the given snapshot generation.
    bool start(const QString& path, qint64 generation, QString* error);
    // Goes on writing a journal that read() found, after its last complete line.
    bool resume(const QString& path, const Contents& contents, QString* error);
    // Writes one line ('\n'-terminated). False when it did not surely reach the journal: a
    // failed or short write, or the file is no longer the one at the journal's path (removed
    // with its folder, say). The journal is closed then.
    bool append(const QByteArray& line, QString* error);

    bool isOpen() const { return m_fd >= 0; }
    int entryCount() const { return m_entries; }
    void close();

private:
    bool openAt(const QString& path, qint64 length, QString* error);
    bool stillLinked() const;

    QString m_path;
    QByteArray m_name; // m_path in the file system's encoding
    int m_fd = -1;
    qint64 m_size = 0;
    int m_entries = 0;
};

} // namespace sorvik::instrument
