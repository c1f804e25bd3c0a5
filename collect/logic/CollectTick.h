#pragma once

#include "CDB.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>

class CCard;
class CItemInfo;
class CStudent;
class CValue;

namespace platform
{
class ListView;
}

// The store objects of live collection; all four exist exactly when the database opened.
struct CollectStores {
    CStudent* pStudent = nullptr;
    CValue* pValue = nullptr;
    CItemInfo* pItemInfo = nullptr;
    CCard* pCard = nullptr;

    bool complete() const { return pStudent && pValue && pItemInfo && pCard; }
};

// What one timer tick of live collection does with the collector's records: show each at the
// top of the result list and, with a database, store its value in the pupil's row. Needs no
// display: the list is a platform::ListView.
//
// With a database the records of a tick are stored in one batch, and the rows are shown once it
// ended. A database that another program or an import keeps busy for longer than a tick can
// wait makes the records wait for a later tick, unshown; only when that goes on for a while is
// the teacher told, once. A batch that cannot be kept shows every result of it as not stored
// ("  未设置"), with one message for the tick that says where the results are kept.
class CollectTick
{
public:
    // Longest wait of a tick for another connection to let go of the database.
    static constexpr int kBusyWaitMs = 40;
    // How long records may wait for a busy database before the teacher is told.
    static constexpr int kBusyTellSeconds = 5;

    // byStudentNumber answers whether pupils are identified by student number ("学号") rather
    // than card number; it is asked for every record.
    CollectTick(platform::ListView& list, std::function<bool()> byStudentNumber);

    // The database the stores work on (for the tick's batch) and the stores themselves.
    void setStores(const CDB& db, const CollectStores& stores);
    // Where the collector keeps every record it received besides the database (its journal
    // file); empty when it keeps them nowhere. Named in the message about results not stored.
    void setKeptIn(std::function<QString()> keptIn) { m_keptIn = std::move(keptIn); }

    // One tick: reads the collector's pending records with read and handles them. A tick that
    // comes while one is being handled (a message box runs a nested event loop) is held back
    // without reading, so its records wait in the collector for the next tick. Returns the
    // number of records handled.
    int OnTimer(const std::function<QByteArray()>& read, bool dbOpen);

    // Handles the records waiting for a busy database and then every whole 27-byte record of
    // feed, in order; bytes after the last whole record are dropped. With dbOpen the records
    // are looked up and stored in one batch that has ended when this returns; without, they are
    // only shown. Returns the number shown (0 while they wait).
    int handleFeed(const QByteArray& feed, bool dbOpen);

    // Records kept for the next tick because the database was busy.
    int waitingRecords() const;

private:
    struct Row {
        QString identifier;
        QStringList cells; // columns 1 to 4
        bool found = false;
        bool stored = false;
    };

    void showOnly(const QByteArray& record);
    Row lookUpAndStore(const QByteArray& record, bool mayStore);
    void show(const Row& row);
    void waitForBusyDatabase(const QByteArray& records);
    QString notStoredText(int count, const QString& reason) const;

    platform::ListView& m_list;
    std::function<bool()> m_byStudentNumber;
    std::function<QString()> m_keptIn;
    CDB m_db;
    CollectStores m_stores;
    QByteArray m_waiting;  // whole records waiting for a busy database
    QDateTime m_busySince; // invalid while the database is not busy
    bool m_busyTold = false;
    bool m_inTick = false;
};
