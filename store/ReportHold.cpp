#include "ReportHold.h"

#include "MessageService.h"

namespace store
{

namespace
{
thread_local ReportHold* t_innermost = nullptr;
}

ReportHold::ReportHold() : m_outer(t_innermost)
{
    t_innermost = this;
}

ReportHold::~ReportHold()
{
    t_innermost = m_outer;
    for (const Report& r : std::as_const(m_reports))
        platform::appMessage(shownText(r));
}

bool ReportHold::keep(const QString& text)
{
    ReportHold* hold = t_innermost;
    if (!hold)
        return false;
    for (Report& r : hold->m_reports)
        if (r.text == text) {
            ++r.count;
            return true;
        }
    hold->m_reports.append({text, 1});
    return true;
}

QList<ReportHold::Report> ReportHold::take()
{
    return std::exchange(m_reports, {});
}

QString ReportHold::shownText(const Report& report)
{
    if (report.count <= 1)
        return report.text;
    return report.text + QStringLiteral("(同样的错误共%1次)").arg(report.count);
}

} // namespace store
