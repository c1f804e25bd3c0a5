#include "ResultText.h"

#include "TextRules.h"

QString ResultText::hundredths(const QString& value)
{
    if (platform::atolC(value) == 0)
        return QStringLiteral("0");
    QString text = QStringLiteral("000") + value;
    text.insert(text.size() - 2, QLatin1Char('.'));
    qsizetype zeros = 0;
    while (zeros < text.size() && text.at(zeros) == QLatin1Char('0'))
        ++zeros;
    text.remove(0, zeros);
    if (text.startsWith(QLatin1Char('.')))
        text.prepend(QLatin1Char('0'));
    return text;
}

QDateTime ResultText::recordTime(const std::array<unsigned char, 5>& bytes)
{
    const QDate date(2010 + bytes[0], bytes[1], bytes[2]);
    const QTime time(bytes[3], bytes[4], 0);
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time);
}

QString ResultText::timeCell(const QDateTime& time)
{
    return time.isValid() ? time.toString(QStringLiteral("MM-dd HH:mm")) : QString();
}
