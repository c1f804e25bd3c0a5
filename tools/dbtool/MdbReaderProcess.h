#pragma once

#include <QList>
#include <QString>
#include <QVariant>

struct MdbColumnInfo {
    QString name;
    quint8 type = 0; // Jet column type (mdbframes::JetType)
    quint16 size = 0;
};

struct MdbTableInfo {
    QString name;
    quint32 declaredRows = 0; // the row count the table definition declares
    int columnCount = 0;
    QList<MdbColumnInfo> columns; // empty in the catalog
};

// Thrown by a listener to stop the reading, with what to tell the user.
struct MdbReadStopped {
    QString message;
};

// Receives an Access file's tables as the reader hands them over.
class MdbReaderListener
{
public:
    virtual ~MdbReaderListener() = default;
    virtual void catalog(const QList<MdbTableInfo>& tables) = 0;
    virtual void tableStarts(const MdbTableInfo& table) = 0;
    // Null, qint64, double, QString or QByteArray per column; dates as their OLE day count.
    virtual void row(const QVariantList& values) = 0;
    virtual void tableEnds(quint32 rowsSent) = 0;
};

// Reads an Access file through sorvik-mdb-reader, a process of its own (see readerPath()),
// with limits on its memory, processor time and silence: the reading library crashes, hangs
// or allocates without bound on some damaged files, and that must end as a message here.
class MdbReaderProcess
{
public:
    struct Limits {
        qint64 memoryBytes;
        int cpuSeconds;
        int silenceMs; // longest wait for the next output
    };
    static Limits limitsFor(qint64 fileSize);

    enum class Outcome { Complete, Stopped, Failed };
    struct Result {
        Outcome outcome = Outcome::Failed;
        QString message; // why it stopped or failed
    };

    explicit MdbReaderProcess(Limits limits) : m_limits(limits) {}
    Result read(const QString& path, MdbReaderListener& listener);

    // The reader beside the running executable or in the installed helper folder
    // (SORVIK_MDB_READER names another).
    static QString readerPath();

private:
    Limits m_limits;
};
