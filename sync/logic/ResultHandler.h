#pragma once

#include "CDB.h"
#include "NumberType.h"
#include "ValueHistory.h"

#include <QByteArray>
#include <QDateTime>
#include <QStringList>

class CCard;
class CItemInfo;
class CStudent;
class CValue;

// One value read from the instrument, as the result import handles it: looks up the item and
// the pupil, stores the value as text in the pupil's row and says what its progress row shows.
// Without a database it only lists the value.
class ResultHandler
{
public:
    // No database: rows with "序号", "编号", "项目" (the item code) and "成绩" only.
    ResultHandler() = default;
    // The stores belong to the import dialog, which outlives every worker that uses them.
    ResultHandler(CDB db, CItemInfo& items, CStudent& students, CValue& values, CCard& cards);

    bool hasDatabase() const { return m_items != nullptr; }
    const CDB& database() const { return m_db; }

    // The cells after "序号": "编号", "姓名", "项目", "成绩", "单位", "时间".
    QStringList handle(const QByteArray& number, int itemCode, const QByteArray& value,
                       const QDateTime& time, NumberType numberType);

    struct Handled {
        QStringList cells; // as handle() gives them
        bool found = false;
        bool stored = false;
    };
    // The same; without mayStore a pupil found gets "  未设置" and nothing is written (the
    // batch it would go in could not open).
    Handled handleValue(const QByteArray& number, int itemCode, const QByteArray& value,
                        const QDateTime& time, NumberType numberType, bool mayStore = true);
    // The cells of a value whose batch was not kept: "  未设置" before the item code.
    static void markNotStored(QStringList& cells);

    // Where the values handled from now on come from, for the value history.
    void setHistorySource(store::HistorySource source) { m_source = std::move(source); }
    const store::HistorySource& historySource() const { return m_source; }

private:
    CDB m_db;
    CItemInfo* m_items = nullptr;
    CStudent* m_students = nullptr;
    CValue* m_values = nullptr;
    CCard* m_cards = nullptr;
    store::HistorySource m_source;
};
