#include "PupilHistory.h"

#include "Batch.h"
#include "CItemInfo.h"
#include "CValue.h"
#include "ClassCompletion.h"
#include "Database.h"
#include "SqlConnection.h"
#include "StoreError.h"

namespace
{
QString shortTime(const QDateTime& at)
{
    return at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}
} // namespace

PupilHistory::PupilHistory(CDB db, qint64 stuId) : m_db(std::move(db)), m_stuId(stuId) {}

QStringList PupilHistory::columns()
{
    return {QStringLiteral("项目"), QStringLiteral("成绩"), QStringLiteral("原成绩"),
            QStringLiteral("来源"), QStringLiteral("时间")};
}

bool PupilHistory::load()
{
    try {
        store::SqlConnection& conn = m_db.database()->connection();
        m_entries = store::ValueHistory::exists(conn) ? store::ValueHistory::forPupil(conn, m_stuId)
                                                      : std::vector<store::HistoryEntry>{};
        CItemInfo items(m_db);
        for (const store::HistoryEntry& e : m_entries) {
            QString name;
            QString unit;
            long itemClass = 0;
            if (!m_itemNames.contains(long(e.itemId)) &&
                items.GetItemInfoByItemNO(long(e.itemId), name, unit, itemClass) == 1)
                m_itemNames.insert(long(e.itemId), name);
        }
        return true;
    } catch (const store::StoreError& e) {
        ShowComError(QStringLiteral("PupilHistory::load"), e);
        return false;
    }
}

QStringList PupilHistory::cells(const store::HistoryEntry& entry) const
{
    QString source = store::sourceCaption(entry.kind);
    if (!entry.origin.isEmpty())
        source += QStringLiteral(" ") + entry.origin;
    return {m_itemNames.value(long(entry.itemId), QString::number(entry.itemId)),
            CompletionRule::valueText(entry.value), CompletionRule::valueText(entry.previous),
            source, shortTime(entry.at)};
}

bool PupilHistory::putBack(int index)
{
    if (index < 0 || index >= int(m_entries.size()))
        return false;
    const store::HistoryEntry entry = m_entries[size_t(index)];
    bool stored = false;
    {
        store::Batch batch(m_db);
        if (!batch.isOpen())
            return false;
        CValue value(m_db);
        value.setHistorySource({store::ValueSource::PutBack, shortTime(entry.at)});
        double number = 0;
        const long stuId = long(entry.stuId);
        const long item = long(entry.itemId);
        stored = CompletionRule::asNumber(entry.value, number)
                     ? value.InsertValue(stuId, item, number) != 0
                     : value.InsertValue(stuId, item, entry.value.toString()) != 0;
        if (!stored)
            batch.rollback();
        else
            stored = batch.commit();
    }
    load();
    return stored;
}
