#include "CollectTick.h"

#include "Batch.h"
#include "CCard.h"
#include "CItemInfo.h"
#include "CStudent.h"
#include "CValue.h"
#include "CollectorRecord.h"
#include "Gbk.h"
#include "ListView.h"
#include "TextRules.h"

#include <optional>

using platform::atofC;
using platform::atolC;
using sorvik::collector::kIdentifierBytes;
using sorvik::collector::kItemCodeBytes;
using sorvik::collector::kRecordBytes;
using sorvik::collector::kValueBytes;

namespace
{

// Fields are decoded one by one from their bytes, so a multi-byte character never straddles
// two fields. ASCII is the same in GBK and needs no converter.
QString decodeField(QByteArrayView bytes)
{
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return platform::fromGbk(bytes.toByteArray());
    return QString::fromLatin1(bytes);
}

struct Fields {
    QString identifier;
    QString itemCode;
    QString value;
};

Fields split(const QByteArray& record)
{
    const QByteArrayView r(record);
    return {decodeField(r.sliced(0, kIdentifierBytes)),
            decodeField(r.sliced(kIdentifierBytes, kItemCodeBytes)),
            decodeField(r.sliced(kIdentifierBytes + kItemCodeBytes, kValueBytes))};
}

class TickGuard
{
public:
    explicit TickGuard(bool& flag) : m_flag(flag) { m_flag = true; }
    ~TickGuard() { m_flag = false; }

private:
    bool& m_flag;
};

} // namespace

CollectTick::CollectTick(platform::ListView& list, std::function<bool()> byStudentNumber)
    : m_list(list), m_byStudentNumber(std::move(byStudentNumber))
{
}

void CollectTick::setStores(const CDB& db, const CollectStores& stores)
{
    m_db = db;
    m_stores = stores;
}

int CollectTick::OnTimer(const std::function<QByteArray()>& read, bool dbOpen)
{
    if (m_inTick)
        return 0;
    const TickGuard guard(m_inTick);
    return handleFeed(read(), dbOpen);
}

int CollectTick::handleFeed(const QByteArray& feed, bool dbOpen)
{
    if (feed.size() < kRecordBytes)
        return 0;
    // Without the stores there is nothing to look up in; show the records rather than fail.
    const bool withDatabase = dbOpen && m_stores.complete();
    std::optional<store::Batch> batch;
    if (withDatabase)
        batch.emplace(m_db);
    int handled = 0;
    for (qsizetype at = 0; feed.size() - at >= kRecordBytes; at += kRecordBytes) {
        const QByteArray record = feed.mid(at, kRecordBytes);
        if (withDatabase)
            showAndStore(record);
        else
            showOnly(record);
        ++handled;
    }
    if (batch)
        batch->commit();
    return handled;
}

void CollectTick::showOnly(const QByteArray& record)
{
    const Fields f = split(record);
    const int row = m_list.insertRow(0, platform::trimBlanks(f.identifier));
    m_list.setCell(row, 2, platform::trimBlanks(f.itemCode));
    m_list.setCell(row, 3, platform::trimBlanks(f.value));
}

void CollectTick::showAndStore(const QByteArray& record)
{
    Fields f = split(record);
    // Item 06 carries two implied decimals.
    if (f.itemCode == QLatin1String("06"))
        f.value.insert(std::min<qsizetype>(3, f.value.size()), QLatin1Char('.'));
    const double dValue = atofC(f.value);

    QString strItemName;
    QString strUnit;
    long lItemClassNO = 0;
    m_stores.pItemInfo->GetItemInfoByItemNO(atolC(f.itemCode), strItemName, strUnit, lItemClassNO);

    long lStuID = 0;
    QString strStuNO;
    QString strName;
    bool found = false;
    if (m_byStudentNumber()) {
        found = m_stores.pStudent->GetIDByStuNO(f.identifier, lStuID, strName) == 1;
    } else if (m_stores.pCard->GetStuIDByCardNO(lStuID, f.identifier) != 0) {
        found = m_stores.pStudent->GetStuNOByID(lStuID, strStuNO, strName) == 1;
    }
    if (!found)
        strName = QStringLiteral("没有此学生");

    const int row = m_list.insertRow(0, platform::trimRightBlanks(f.identifier));
    m_list.setCell(row, 1, strName);
    m_list.setCell(row, 2, strItemName);
    m_list.setCell(row, 3, platform::trimLeftBlanks(f.value));
    m_list.setCell(row, 4, strUnit);

    if (found && m_stores.pValue->InsertValue(lStuID, atolC(f.itemCode), dValue) == 0)
        m_list.setCell(row, 2, m_list.cell(row, 2) + QStringLiteral("  未设置"));
}
