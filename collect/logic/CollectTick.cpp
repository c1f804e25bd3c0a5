#include "CollectTick.h"

#include "Batch.h"
#include "CCard.h"
#include "CItemInfo.h"
#include "CStudent.h"
#include "CValue.h"
#include "Clock.h"
#include "CollectorRecord.h"
#include "Gbk.h"
#include "ListView.h"
#include "MessageService.h"
#include "ReportHold.h"
#include "TextRules.h"

#include <vector>

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
    if (m_stores.pValue)
        m_stores.pValue->setHistorySource({store::ValueSource::Live, {}});
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
    const qsizetype whole = feed.size() - feed.size() % kRecordBytes;
    // Without the stores there is nothing to look up in; show the records rather than fail.
    if (!dbOpen || !m_stores.complete()) {
        for (qsizetype at = 0; at < whole; at += kRecordBytes)
            showOnly(feed.mid(at, kRecordBytes));
        return int(whole / kRecordBytes);
    }
    QByteArray records = m_waiting;
    records.append(feed.constData(), whole);
    if (records.isEmpty())
        return 0;

    std::vector<Row> rows;
    rows.reserve(size_t(records.size() / kRecordBytes));
    bool busy = false;
    QString failure;
    QList<store::ReportHold::Report> reports;
    {
        // No box while the batch holds the database: the stores' reports wait until it ended.
        store::ReportHold hold;
        // Its writes are queued: a failing one loses the tick whole, shown and kept as below.
        store::Batch batch(m_db, store::Batch::Options{kBusyWaitMs, false, true});
        busy = batch.isBusy();
        if (!busy) {
            for (qsizetype at = 0; at < records.size(); at += kRecordBytes)
                rows.push_back(lookUpAndStore(records.mid(at, kRecordBytes), batch.isOpen()));
            if (!batch.commit()) {
                failure = batch.error();
                // A lost server connection is waited for as a busy database is.
                busy = batch.isBusy();
            }
        }
        reports = hold.take();
    }
    if (busy) {
        waitForBusyDatabase(records);
        return 0;
    }
    m_waiting.clear();
    m_busySince = QDateTime();
    m_busyTold = false;

    int notStored = 0;
    for (Row& row : rows) {
        // Nothing of a batch that was not kept is in the database, whatever the store said.
        if (!failure.isEmpty() && row.found) {
            if (row.stored)
                row.cells[1] += QStringLiteral("  未设置");
            ++notStored;
        }
        show(row);
    }
    if (!failure.isEmpty()) {
        if (notStored > 0)
            platform::appMessage(notStoredText(notStored, failure));
    } else {
        for (const store::ReportHold::Report& r : std::as_const(reports))
            platform::appMessage(store::ReportHold::shownText(r));
    }
    return int(rows.size());
}

int CollectTick::waitingRecords() const
{
    return int(m_waiting.size() / kRecordBytes);
}

void CollectTick::waitForBusyDatabase(const QByteArray& records)
{
    m_waiting = records;
    const QDateTime now = platform::currentDateTime();
    if (!m_busySince.isValid())
        m_busySince = now;
    const qint64 waited = m_busySince.secsTo(now);
    if (m_busyTold || waited < kBusyTellSeconds)
        return;
    m_busyTold = true;
    platform::appMessage(QStringLiteral("数据库正被占用, 已有%1秒无法存入成绩, %2条成绩正在等待。\n"
                                        "数据库空闲后这些成绩会自动存入并显示。")
                             .arg(waited)
                             .arg(waitingRecords()));
}

QString CollectTick::notStoredText(int count, const QString& reason) const
{
    QString text = QStringLiteral("有%1条成绩没有存入数据库:\n%2\n").arg(count).arg(reason);
    const QString where = m_keptIn ? m_keptIn() : QString();
    if (where.isEmpty())
        return text + QStringLiteral("\n这些成绩没有另外的记录, 请从列表中抄下。");
    return text +
           QStringLiteral("\n这些成绩已记在采集记录文件中:\n%1\n"
                          "可以在“同步数据”→“从仪器导入测试成绩”→“从文件导入”中再存入数据库。")
               .arg(where);
}

void CollectTick::showOnly(const QByteArray& record)
{
    const Fields f = split(record);
    const int row = m_list.insertRow(0, platform::trimBlanks(f.identifier));
    m_list.setCell(row, 2, platform::trimBlanks(f.itemCode));
    m_list.setCell(row, 3, platform::trimBlanks(f.value));
}

CollectTick::Row CollectTick::lookUpAndStore(const QByteArray& record, bool mayStore)
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
    // A blank identifier names nobody: it must not find pupils whose card was cleared.
    if (platform::trimBlanks(f.identifier).isEmpty()) {
        found = false;
    } else if (m_byStudentNumber()) {
        found = m_stores.pStudent->GetIDByStuNO(f.identifier, lStuID, strName) == 1;
    } else if (m_stores.pCard->GetStuIDByCardNO(lStuID, f.identifier) != 0) {
        found = m_stores.pStudent->GetStuNOByID(lStuID, strStuNO, strName) == 1;
    }
    if (!found)
        strName = QStringLiteral("没有此学生");

    Row row;
    row.identifier = platform::trimRightBlanks(f.identifier);
    row.cells = QStringList{strName, strItemName, platform::trimLeftBlanks(f.value), strUnit};
    row.found = found;
    if (found) {
        row.stored =
            mayStore && m_stores.pValue->InsertValue(lStuID, atolC(f.itemCode), dValue) != 0;
        if (!row.stored)
            row.cells[1] += QStringLiteral("  未设置");
    }
    return row;
}

void CollectTick::show(const Row& row)
{
    const int at = m_list.insertRow(0, row.identifier);
    for (int c = 0; c < row.cells.size(); ++c)
        m_list.setCell(at, c + 1, row.cells.at(c));
}
