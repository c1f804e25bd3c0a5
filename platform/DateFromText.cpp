#include "DateFromText.h"

#include <QRegularExpression>
#include <QTime>

namespace platform
{

QDate automationZeroDate()
{
    return QDate(1899, 12, 30);
}

ImportDate dateFromText(const QString& strText)
{
    // ASCII digits only: \d without Unicode properties.
    static const QRegularExpression pattern(QStringLiteral(
        "^(\\d{4})([-/])(\\d{1,2})\\2(\\d{1,2})(?:[ T](\\d{1,2}):(\\d{2})(?::(\\d{2}))?)?$"));
    const QRegularExpressionMatch m = pattern.match(strText.trimmed());
    if (!m.hasMatch())
        return {automationZeroDate(), false};
    const QDate date(m.captured(1).toInt(), m.captured(3).toInt(), m.captured(4).toInt());
    // Automation dates start in the year 100.
    if (!date.isValid() || date.year() < 100)
        return {automationZeroDate(), false};
    if (m.hasCaptured(5) && !QTime::isValid(m.captured(5).toInt(), m.captured(6).toInt(),
                                            m.hasCaptured(7) ? m.captured(7).toInt() : 0, 0))
        return {automationZeroDate(), false};
    return {date, true};
}

} // namespace platform
