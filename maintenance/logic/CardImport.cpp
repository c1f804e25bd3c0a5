#include "CardImport.h"

#include "CCard.h"
#include "CExcel.h"
#include "CStudent.h"
#include "CardManagement.h"
#include "ImportBatches.h"
#include "ListView.h"
#include "MessageService.h"
#include "WorkbookFile.h"

namespace
{
constexpr int kColumns = 3;
// Student numbers named in the message about card numbers too long to store.
constexpr int kNamedTooLong = 10;
} // namespace

CardImport::CardImport(CDB db, platform::ListView* pList, QObject* owner)
    : m_db(std::move(db)), m_pList(pList), m_pOwner(owner)
{
}

CardImport::Outcome CardImport::run(const QString& strPath)
{
    using platform::Icon;
    const QString title = CardManagement::title();
    if (!WorkbookFile::check(m_pOwner, title, strPath))
        return Outcome::Refused;

    CStudent student(m_db);
    CCard card(m_db);
    CExcel excel;
    // A workbook that cannot be opened has been reported by the reader and gives no rows.
    excel.Open(strPath);
    m_iStored = 0;
    m_iErrors = 0;
    QStringList tooLong;
    bool brokenOff = false;
    {
        // Every box shown while it lives commits the open batch first.
        ImportBatches batches(m_db, kRowsPerBatch);
        QStringList saCol;
        while (excel.GetRec(saCol)) {
            if (saCol.value(0).isEmpty())
                break;
            long stuId = 0;
            QString name;
            if (student.GetIDByStuNO(saCol.at(0), stuId, name) != 1) {
                ++m_iErrors;
                continue;
            }
            if (saCol.size() < kColumns) {
                platform::dialogMessage(
                    m_pOwner, title,
                    QStringLiteral("Excel文件只有%1列,卡号文件需要%2列,导入已停止")
                        .arg(saCol.size())
                        .arg(kColumns),
                    Icon::Stop);
                return Outcome::BrokenOff;
            }
            const QString cardNo = saCol.at(2);
            if (!CCard::fits(cardNo)) {
                // Not handed to the store, which would refuse it with a report of its own.
                tooLong << saCol.at(0);
                ++m_iErrors;
                continue;
            }
            batches.beginRow();
            // A card the store could not save (reported by the store) is an error, not a card.
            const bool saved = card.InsertUpdateCard(stuId, cardNo) != 0;
            if (batches.failed()) {
                brokenOff = true;
                break;
            }
            if (saved) {
                const QStringList cells{saCol.at(0), name, cardNo};
                batches.addShown([this, cells, stuId] {
                    ++m_iStored;
                    const int row = m_pList->insertRow(m_iStored - 1, QString::number(m_iStored));
                    for (int c = 0; c < cells.size(); ++c)
                        m_pList->setCell(row, c + 1, cells.at(c));
                    m_pList->setRowKey(row, stuId);
                });
            } else {
                ++m_iErrors;
            }
            if (batches.endRow() && batches.failed()) {
                brokenOff = true;
                break;
            }
        }
        batches.flush();
        brokenOff = brokenOff || batches.failed() || excel.failed();
    }
    if (!tooLong.isEmpty()) {
        QString numbers = tooLong.mid(0, kNamedTooLong).join(QStringLiteral(", "));
        if (tooLong.size() > kNamedTooLong)
            numbers += QStringLiteral(" ...");
        platform::dialogMessage(m_pOwner, title,
                                QStringLiteral("%1个卡号超过%2个字符,没有导入:\n%3")
                                    .arg(tooLong.size())
                                    .arg(CCard::kCardNOLength)
                                    .arg(numbers),
                                Icon::Stop);
    }
    platform::dialogMessage(
        m_pOwner, title,
        QStringLiteral("导入卡号数量:%1,错误卡号数量:%2").arg(m_iStored).arg(m_iErrors),
        Icon::Information);
    return brokenOff ? Outcome::BrokenOff : Outcome::Finished;
}
