#include "CardManagement.h"

#include "CCard.h"
#include "CStudent.h"
#include "ListView.h"
#include "MessageService.h"
#include "TextRules.h"

#include <algorithm>

namespace
{
const QString kSeparator = QStringLiteral("--");
}

QString CardManagement::title()
{
    return QStringLiteral("卡号");
}

QList<QPair<QString, int>> CardManagement::listColumns()
{
    return {{QStringLiteral("序号"), 140},
            {QStringLiteral("学号"), 140},
            {QStringLiteral("姓名"), 140},
            {QStringLiteral("卡号"), 140}};
}

CardManagement::CardManagement(CDB db, platform::ListView* pList, QObject* owner)
    : m_db(std::move(db)), m_pList(pList), m_pOwner(owner)
{
}

QStringList CardManagement::classEntries() const
{
    CStudent student(m_db);
    QStringList numbers;
    QStringList names;
    student.GetClass(numbers, names);
    QStringList entries;
    for (int i = 0; i < numbers.size(); ++i)
        entries << numbers.at(i) + kSeparator + names.value(i);
    // As a sorted drop-down list orders its texts: without regard to letter case.
    std::stable_sort(entries.begin(), entries.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return entries;
}

QString CardManagement::classNumberOf(const QString& strEntry)
{
    const qsizetype at = strEntry.indexOf(kSeparator);
    return at < 0 ? QString() : strEntry.left(at);
}

void CardManagement::view(const QString& strEntry)
{
    m_pList->deleteAll();
    CStudent student(m_db);
    student.ViewStuCardNO(classNumberOf(strEntry), m_pList);
}

int CardManagement::rowToModify() const
{
    const QList<int> selected = m_pList->selectedRows();
    if (selected.isEmpty()) {
        platform::dialogMessage(m_pOwner, title(), QStringLiteral("没有选择要修改的记录"),
                                platform::Icon::Information);
        return -1;
    }
    return selected.first();
}

void CardManagement::deleteSelected()
{
    const QList<int> selected = m_pList->selectedRows();
    if (selected.isEmpty()) {
        platform::dialogMessage(m_pOwner, title(), QStringLiteral("没有选择要删除的记录"),
                                platform::Icon::Information);
        return;
    }
    if (platform::messages().show(QStringLiteral("确认删除所选卡号吗?"), QStringLiteral("删除卡号"),
                                  platform::Icon::Question, platform::Buttons::YesNo,
                                  m_pOwner) != platform::Answer::Yes)
        return;
    CCard card(m_db);
    for (int row : selected) {
        if (card.InsertUpdateCard(pupilOfRow(*m_pList, row), QString()) != 0)
            m_pList->setCell(row, 3, QString());
        else
            platform::dialogMessage(m_pOwner, title(), QStringLiteral("删除卡号失败!"),
                                    platform::Icon::Stop);
    }
}

long CardManagement::pupilOfRow(const platform::ListView& list, int iRow)
{
    if (const std::optional<qint64> key = list.rowKey(iRow))
        return static_cast<long>(*key);
    return platform::atolC(list.cell(iRow, 0));
}
