#include "ScoreImport.h"

#include "CExcel.h"
#include "CStudent.h"
#include "CValue.h"
#include "ImportBatches.h"
#include "ListView.h"
#include "MessageService.h"
#include "TextRules.h"
#include "WorkbookFile.h"

#include <QFileInfo>

namespace
{
constexpr int kColumns = 4;
}

QString ScoreImport::title()
{
    return QStringLiteral("导入单项成绩");
}

QList<QPair<QString, int>> ScoreImport::listColumns()
{
    return {{QStringLiteral("学号"), 120},
            {QStringLiteral("姓名"), 120},
            {QStringLiteral("项目"), 100},
            {QStringLiteral("成绩"), 100},
            {QStringLiteral("状态"), 100}};
}

ScoreImport::ScoreImport(CDB db, platform::ListView* pList, QObject* owner)
    : m_db(std::move(db)), m_pList(pList), m_pOwner(owner)
{
}

ScoreImport::Outcome ScoreImport::run(const QString& strPath)
{
    using platform::Icon;
    if (!WorkbookFile::check(m_pOwner, title(), strPath))
        return Outcome::Refused;

    CExcel excel;
    // A workbook that cannot be opened has been reported by the reader and gives no rows.
    excel.Open(strPath);
    CValue value(m_db);
    value.setHistorySource({store::ValueSource::Workbook, QFileInfo(strPath).fileName()});
    CStudent student(m_db);
    m_iCount = 0;
    bool brokenOff = false;
    {
        // Every box shown while it lives commits the open batch first.
        ImportBatches batches(m_db, kRowsPerBatch);
        long handled = 0;
        QStringList saCol;
        while (excel.GetRec(saCol)) {
            if (saCol.size() < kColumns) {
                // Nothing of the short row is stored or listed, and no total is claimed.
                platform::dialogMessage(
                    m_pOwner, title(),
                    QStringLiteral("Excel文件只有%1列,成绩文件需要%2列,导入已停止")
                        .arg(saCol.size())
                        .arg(kColumns),
                    Icon::Stop);
                return Outcome::BrokenOff;
            }
            if (saCol.at(0).isEmpty())
                break;
            const long item = platform::atolC(saCol.at(2));
            const double score = platform::atofC(saCol.at(3));

            batches.beginRow();
            long stuId = 0;
            QString name;
            QString outcome;
            if (student.GetIDByStuNO(saCol.at(0), stuId, name) == 1)
                outcome = value.InsertValue(stuId, item, score) != 0 ? QStringLiteral("成功")
                                                                     : QStringLiteral("失败");
            else
                outcome = QStringLiteral("没有此学生");
            if (batches.failed()) {
                brokenOff = true;
                break;
            }
            QStringList cells = saCol.mid(0, kColumns);
            cells << outcome;
            batches.addShown([this, cells] {
                const int row = m_pList->insertRow(m_iCount, cells.at(0));
                for (int c = 1; c < cells.size(); ++c)
                    m_pList->setCell(row, c, cells.at(c));
                ++m_iCount;
            });
            ++handled;
            if (batches.endRow()) {
                if (batches.failed()) {
                    brokenOff = true;
                    break;
                }
                if (m_progress)
                    m_progress(handled, excel.m_lRecordCount);
            }
        }
        batches.flush();
        brokenOff = brokenOff || batches.failed() || excel.failed();
    }
    platform::dialogMessage(m_pOwner, title(), QStringLiteral("总共导入成绩:%1条").arg(m_iCount),
                            Icon::Information);
    return brokenOff ? Outcome::BrokenOff : Outcome::Finished;
}
