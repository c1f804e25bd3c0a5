#include "OleDate.h"

#include <QDate>

#include <cmath>

namespace store
{

QString oleDateText(double days)
{
    // 0100-01-01 and the end of 9999-12-31
    if (!std::isfinite(days) || days < -657434.0 || days >= 2958466.0)
        return {};
    const double whole = std::trunc(days);
    qint64 dayNumber = static_cast<qint64>(whole);
    qint64 seconds = std::llround(std::fabs(days - whole) * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        ++dayNumber;
    }
    const QDate date = QDate(1899, 12, 30).addDays(dayNumber);
    if (!date.isValid() || date.year() > 9999)
        return {};
    const QString day = QString::asprintf("%04d-%02d-%02d", date.year(), date.month(), date.day());
    if (seconds == 0)
        return day;
    return day + QString::asprintf(" %02d:%02d:%02d", int(seconds / 3600), int(seconds / 60 % 60),
                                   int(seconds % 60));
}

} // namespace store
