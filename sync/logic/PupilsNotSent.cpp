#include "PupilsNotSent.h"

#include "Gbk.h"

#include <QStringList>

PupilsNotSent::Encoded PupilsNotSent::encode(const QString& number, const QString& name)
{
    Encoded pupil;
    bool numberOk = false;
    bool nameOk = false;
    pupil.number = platform::toGbk(number, &numberOk);
    pupil.name = platform::toGbk(name, &nameOk);
    if (number.isEmpty())
        pupil.problem = Reason::EmptyNumber;
    else if (!numberOk)
        pupil.problem = Reason::NumberNotGbk;
    else if (pupil.number.size() > kNumberBytes)
        pupil.problem = Reason::NumberTooLong;
    else if (!nameOk)
        pupil.problem = Reason::NameNotGbk;
    return pupil;
}

PupilsNotSent::Reason PupilsNotSent::forResult(int result)
{
    return result == 0 ? Reason::NoAnswer : Reason::Refused;
}

QString PupilsNotSent::reasonText(Reason reason)
{
    switch (reason) {
    case Reason::NoAnswer:
        return QStringLiteral("仪器没有应答或没有保存");
    case Reason::Refused:
        return QStringLiteral("仪器拒收");
    case Reason::EmptyNumber:
        return QStringLiteral("编号为空");
    case Reason::NumberTooLong:
        return QStringLiteral("编号超过仪器的%1字节").arg(kNumberBytes);
    case Reason::NumberNotGbk:
        return QStringLiteral("编号含有GBK无法表示的字符");
    case Reason::NameNotGbk:
        return QStringLiteral("姓名含有GBK无法表示的字符");
    }
    return {};
}

void PupilsNotSent::add(const QString& className, Reason reason, int pupils)
{
    if (pupils <= 0)
        return;
    for (Entry& e : m_entries) {
        if (e.className == className && e.reason == reason) {
            e.pupils += pupils;
            return;
        }
    }
    m_entries.append({className, reason, pupils});
}

int PupilsNotSent::total() const
{
    int sum = 0;
    for (const Entry& e : m_entries)
        sum += e.pupils;
    return sum;
}

int PupilsNotSent::count(const QString& className, Reason reason) const
{
    for (const Entry& e : m_entries)
        if (e.className == className && e.reason == reason)
            return e.pupils;
    return 0;
}

QString PupilsNotSent::message() const
{
    QStringList lines{QStringLiteral("共%1名学生没有下载到仪器:").arg(total())};
    int more = 0;
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        const Entry& e = m_entries.at(i);
        if (i < kMaxLines)
            lines << QStringLiteral("%1: %2名, %3")
                         .arg(e.className)
                         .arg(e.pupils)
                         .arg(reasonText(e.reason));
        else
            more += e.pupils;
    }
    if (more > 0)
        lines << QStringLiteral("……另有%1名学生").arg(more);
    return lines.join(QLatin1Char('\n'));
}
