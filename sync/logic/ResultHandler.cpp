#include "ResultHandler.h"

#include "CCard.h"
#include "CItemInfo.h"
#include "CStudent.h"
#include "CValue.h"
#include "Gbk.h"
#include "ResultText.h"
#include "TextRules.h"

namespace
{
constexpr int kHundredthsItem = 6;
}

ResultHandler::ResultHandler(CDB db, CItemInfo& items, CStudent& students, CValue& values,
                             CCard& cards)
    : m_db(std::move(db)), m_items(&items), m_students(&students), m_values(&values),
      m_cards(&cards)
{
}

QStringList ResultHandler::handle(const QByteArray& number, int itemCode, const QByteArray& value,
                                  const QDateTime& time, NumberType numberType)
{
    return handleValue(number, itemCode, value, time, numberType).cells;
}

ResultHandler::Handled ResultHandler::handleValue(const QByteArray& number, int itemCode,
                                                  const QByteArray& value, const QDateTime& time,
                                                  NumberType numberType, bool mayStore)
{
    QString shownNumber = platform::fromGbk(number);
    QString valueText = platform::fromGbk(value);
    if (!hasDatabase())
        return {{shownNumber, QString(), QString::number(itemCode), valueText}};

    QString itemName;
    QString unit;
    long itemClass = 0;
    m_items->GetItemInfoByItemNO(itemCode, itemName, unit, itemClass);
    QString name = QStringLiteral("没有此学生");
    if (itemCode == kHundredthsItem)
        valueText = ResultText::hundredths(valueText);

    long id = 0;
    bool found = false;
    // A blank number names nobody: it must not find pupils whose card was cleared.
    if (platform::trimBlanks(shownNumber).isEmpty()) {
        found = false;
    } else if (numberType == NumberType::StudentNumber) {
        found = m_students->GetIDByStuNO(shownNumber, id, name) == 1;
    } else if (m_cards->GetStuIDByCardNO(id, shownNumber) == 1) {
        QString studentNumber;
        found = m_students->GetStuNOByID(id, studentNumber, name) == 1;
        if (found)
            shownNumber = studentNumber;
    }
    if (found && mayStore)
        m_values->setHistorySource(m_source);
    const bool stored = found && mayStore && m_values->InsertValue(id, itemCode, valueText) != 0;
    if (found && !stored)
        itemName += QStringLiteral("  未设置");

    const QString itemCell =
        itemName + QLatin1Char('(') + QString::number(itemCode) + QLatin1Char(')');
    return {
        {shownNumber, name, itemCell, valueText, unit, ResultText::timeCell(time)}, found, stored};
}

void ResultHandler::markNotStored(QStringList& cells)
{
    if (cells.size() < 3)
        return;
    QString& item = cells[2];
    const qsizetype code = item.lastIndexOf(QLatin1Char('('));
    item.insert(code < 0 ? item.size() : code, QStringLiteral("  未设置"));
}
