#pragma once

#include "CDB.h"
#include "ValueHistory.h"

#include <QStringList>

#include <vector>

// A pupil's value history as the overview lists it, and putting an earlier value back.
class PupilHistory
{
public:
    PupilHistory(CDB db, qint64 stuId);

    // Reads the entries again, oldest first. False after showing why not.
    bool load();
    const std::vector<store::HistoryEntry>& entries() const { return m_entries; }
    // The cells of an entry: "项目", "成绩", "原成绩", "来源", "时间".
    QStringList cells(const store::HistoryEntry& entry) const;
    static QStringList columns();

    // Stores the value of entry index again, in one batch, as a new entry (source "恢复",
    // origin the time of the entry put back). False when it could not be stored (the store
    // has said why). Reloads the entries.
    bool putBack(int index);

private:
    CDB m_db;
    qint64 m_stuId;
    std::vector<store::HistoryEntry> m_entries;
    QHash<long, QString> m_itemNames;
};
