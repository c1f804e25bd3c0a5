#include "StudentImport.h"

#include "CExcel.h"
#include "CStudent.h"
#include "DateFromText.h"
#include "ImportBatches.h"
#include "ListView.h"
#include "MessageService.h"
#include "TextRules.h"
#include "WorkbookFile.h"

namespace
{
constexpr int kColumns = 10;
}

QString StudentImport::title()
{
    return QStringLiteral("导入学生");
}

QList<QPair<QString, int>> StudentImport::listColumns()
{
    return {{QStringLiteral("年级编号"), 60},  {QStringLiteral("班号"), 100},
            {QStringLiteral("班名"), 100},     {QStringLiteral("学号"), 100},
            {QStringLiteral("民族"), 40},      {QStringLiteral("姓名"), 100},
            {QStringLiteral("性别"), 40},      {QStringLiteral("出生日期"), 100},
            {QStringLiteral("家庭住址"), 140}, {QStringLiteral("学生来源"), 100}};
}

StudentImport::StudentImport(CDB db, platform::ListView* pList, QObject* owner)
    : m_db(std::move(db)), m_pList(pList), m_pOwner(owner)
{
}

StudentImport::Outcome StudentImport::run(const QString& strPath)
{
    using platform::Icon;
    if (!WorkbookFile::check(m_pOwner, title(), strPath))
        return Outcome::Refused;

    CStudent student(m_db);
    CExcel excel;
    // A workbook that cannot be opened has been reported by the reader and gives no rows.
    excel.Open(strPath);
    m_iCount = 0;
    bool brokenOff = false;
    {
        ImportBatches batches(m_db, kRowsPerBatch);
        long handled = 0;
        QStringList saCol;
        while (excel.GetRec(saCol)) {
            if (saCol.size() < kColumns) {
                // Nothing of a row without all ten cells is stored, and no total is claimed.
                // (Every box shown here commits the batch before it: see ImportBatches.)
                platform::dialogMessage(
                    m_pOwner, title(),
                    QStringLiteral("Excel文件只有%1列,学生文件需要%2列,导入已停止")
                        .arg(saCol.size())
                        .arg(kColumns),
                    Icon::Stop);
                return Outcome::BrokenOff;
            }
            const platform::ImportDate birthday = platform::dateFromText(saCol.at(7));
            const QString name = saCol.at(5);
            if (name.isEmpty())
                break;
            QString sex = platform::trimBlanks(saCol.at(6));
            if (sex == QLatin1String("1"))
                sex = QStringLiteral("男");
            else if (sex == QLatin1String("2"))
                sex = QStringLiteral("女");

            batches.beginRow();
            // The date goes to the store as parsed, 30 December 1899 when it was unreadable.
            const int inserted = student.InsertStu(
                name, platform::atolC(saCol.at(0)), platform::atolC(saCol.at(1)), saCol.at(2), sex,
                birthday.date, platform::atolC(saCol.at(4)), saCol.at(3), saCol.at(8), saCol.at(9));
            if (batches.failed()) {
                brokenOff = true;
                break;
            }
            if (inserted == 0) {
                platform::dialogMessage(m_pOwner, title(),
                                        QStringLiteral("导入学生:%1失败!").arg(name), Icon::Stop);
                brokenOff = true;
                break;
            }
            if (inserted == 1) {
                // A pupil the store could not insert (-1, reported by the store) is neither
                // listed nor counted.
                QStringList cells = saCol.mid(0, kColumns);
                cells[6] = sex;
                batches.addShown([this, cells] {
                    const int row = m_pList->insertRow(m_iCount, cells.at(0));
                    for (int c = 1; c < kColumns; ++c)
                        m_pList->setCell(row, c, cells.at(c));
                    ++m_iCount;
                });
            }
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
    platform::dialogMessage(m_pOwner, title(), QStringLiteral("总共导入学生:%1人").arg(m_iCount),
                            Icon::Information);
    return brokenOff ? Outcome::BrokenOff : Outcome::Finished;
}
