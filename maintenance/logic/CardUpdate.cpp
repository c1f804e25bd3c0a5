#include "CardUpdate.h"

#include "CCard.h"
#include "CPelkanRFCard.h"
#include "CardManagement.h"
#include "ListView.h"
#include "MessageService.h"
#include "TextRules.h"

using platform::Icon;

QString CardUpdate::title()
{
    return QStringLiteral("修改卡号");
}

CardUpdate::CardUpdate(CDB db, platform::ListView* pList, int iRow, CPelkanRFCard& reader,
                       QObject* owner)
    : m_db(std::move(db)), m_pList(pList), m_iRow(iRow), m_reader(reader), m_pOwner(owner)
{
}

QStringList CardUpdate::rowCells() const
{
    QStringList cells;
    for (int c = 0; c < 4; ++c)
        cells << m_pList->cell(m_iRow, c);
    return cells;
}

void CardUpdate::switchReader(bool bOn)
{
    if (bOn) {
        if (!m_reader.OpenReader())
            platform::dialogMessage(m_pOwner, title(),
                                    QStringLiteral("打开读卡器失败!\n") + m_reader.openError(),
                                    Icon::Stop);
    } else if (!m_reader.CloseReader()) {
        platform::dialogMessage(m_pOwner, title(), QStringLiteral("关闭读卡器失败!"), Icon::Stop);
    }
}

std::optional<QString> CardUpdate::poll()
{
    m_reader.ReadCard();
    const QString number = platform::trimRightBlanks(m_reader.CardNumber());
    m_reader.SetCardNumber(QString());
    if (number.isEmpty())
        return std::nullopt;
    return number;
}

void CardUpdate::readerLost(const QString& strReason) const
{
    platform::dialogMessage(m_pOwner, title(), QStringLiteral("读卡器已断开!\n") + strReason,
                            Icon::Stop);
}

bool CardUpdate::save(const QString& strCardNO)
{
    const QString number = platform::trimBlanks(strCardNO);
    if (number.isEmpty()) {
        platform::dialogMessage(m_pOwner, title(), QStringLiteral("卡号不能为空,请输入卡号!"),
                                Icon::Information);
        return false;
    }
    if (!CCard::fits(number)) {
        platform::dialogMessage(
            m_pOwner, title(),
            QStringLiteral("卡号不能超过%1个字符,请重新输入!").arg(CCard::kCardNOLength),
            Icon::Information);
        return false;
    }
    CCard card(m_db);
    if (card.InsertUpdateCard(CardManagement::pupilOfRow(*m_pList, m_iRow), number) == 0) {
        platform::dialogMessage(m_pOwner, title(), QStringLiteral("修改失败"), Icon::Stop);
        return false;
    }
    m_pList->setCell(m_iRow, 3, number);
    return true;
}
