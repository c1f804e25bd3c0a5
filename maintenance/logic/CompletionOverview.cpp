#include "CompletionOverview.h"

#include "CStudent.h"
#include "Database.h"
#include "MessageService.h"
#include "ResultsExport.h"
#include "ResultsReader.h"
#include "SqlConnection.h"
#include "StoreError.h"

CompletionOverview::CompletionOverview(CDB db, QObject* owner) : m_db(std::move(db)), m_owner(owner)
{
}

QString CompletionOverview::title()
{
    return QStringLiteral("成绩完成情况");
}

bool CompletionOverview::loadClasses()
{
    m_classNumbers.clear();
    m_classCaptions.clear();
    QStringList names;
    CStudent students(m_db);
    if (students.GetClass(m_classNumbers, names) != 1)
        return false;
    for (int i = 0; i < m_classNumbers.size(); ++i)
        m_classCaptions << QStringLiteral("%1 %2").arg(m_classNumbers.at(i), names.value(i));
    return true;
}

bool CompletionOverview::show(const QString& classNo)
{
    try {
        std::vector<ClassCompletion> classes = CompletionRule::build(
            store::ResultsReader::read(m_db.database()->connection(), classNo));
        m_class = classes.empty() ? ClassCompletion{} : std::move(classes.front());
        m_class.missingFirst();
        return true;
    } catch (const store::StoreError& e) {
        platform::dialogMessage(m_owner, title(), e.description(), platform::Icon::Stop);
        return false;
    }
}

QStringList CompletionOverview::headings() const
{
    QStringList h{QStringLiteral("学号"), QStringLiteral("姓名"), QStringLiteral("性别")};
    for (const store::ResultItem& i : m_class.items)
        h << i.name;
    return h;
}

QStringList CompletionOverview::rowCells(int row) const
{
    const CompletionPupil& p = m_class.pupils.at(size_t(row));
    QStringList cells{p.pupil.studentNumber, p.pupil.name, p.pupil.sex};
    for (const CompletionCell& c : p.cells) {
        switch (c.state) {
        case CompletionCell::State::NotTested:
            cells << QString();
            break;
        case CompletionCell::State::Missing:
            cells << QStringLiteral("未测");
            break;
        case CompletionCell::State::Done:
            cells << QStringLiteral("%1  %2").arg(
                CompletionRule::valueText(c.value),
                c.preHistory ? CompletionRule::preHistoryTime()
                             : c.at.toString(QStringLiteral("MM-dd HH:mm")));
            break;
        }
    }
    return cells;
}

QStringList CompletionOverview::counts() const
{
    QStringList lines;
    for (int i = 0; i < m_class.items.size(); ++i)
        lines << QStringLiteral("%1: 已测 %2 / 未测 %3")
                     .arg(m_class.items.at(i).name)
                     .arg(m_class.done.at(size_t(i)))
                     .arg(m_class.missing.at(size_t(i)));
    return lines;
}

bool CompletionOverview::exportTo(const QString& path, bool all)
{
    const ResultsExport::Outcome o =
        ResultsExport::run(m_db, path, all ? QString() : m_class.classNo);
    if (!o.ok) {
        platform::dialogMessage(m_owner, title(), QStringLiteral("导出失败: %1").arg(o.error),
                                platform::Icon::Stop);
        return false;
    }
    platform::dialogMessage(
        m_owner, title(),
        QStringLiteral("已导出%1个班级, %2名学生到\n%3").arg(o.sheets).arg(o.pupils).arg(path),
        platform::Icon::Information);
    return true;
}
