#pragma once

#include "CDB.h"

#include <QByteArray>
#include <QString>

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
class CollectTick
{
public:
    // byStudentNumber answers whether pupils are identified by student number ("学号") rather
    // than card number; it is asked for every record.
    CollectTick(platform::ListView& list, std::function<bool()> byStudentNumber);

    // The database the stores work on (for the tick's batch) and the stores themselves.
    void setStores(const CDB& db, const CollectStores& stores);

    // One tick: reads the collector's pending records with read and handles them. A tick that
    // comes while one is being handled (a store's error box runs a nested event loop) is held
    // back without reading, so its records wait in the collector for the next tick. Returns the
    // number of records handled.
    int OnTimer(const std::function<QByteArray()>& read, bool dbOpen);

    // Handles every whole 27-byte record of feed in order; bytes after the last whole record
    // are dropped. With dbOpen the records are looked up and stored, in one batch that is
    // committed before this returns; without, they are only shown.
    int handleFeed(const QByteArray& feed, bool dbOpen);

private:
    void showOnly(const QByteArray& record);
    void showAndStore(const QByteArray& record);

    platform::ListView& m_list;
    std::function<bool()> m_byStudentNumber;
    CDB m_db;
    CollectStores m_stores;
    bool m_inTick = false;
};
