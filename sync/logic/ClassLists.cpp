#include "ClassLists.h"

#include "CStudent.h"
#include "ListView.h"
#include "TextRules.h"

#include <QStringList>

#include <algorithm>
#include <climits>

namespace
{
constexpr int kNumber = 0;
constexpr int kName = 1;
constexpr int kCount = 2;

bool hasNumber(const platform::ListView& list, const QString& number)
{
    for (int r = 0; r < list.rowCount(); ++r)
        if (list.cell(r, kNumber) == number)
            return true;
    return false;
}

int countOf(const platform::ListView& list, int row)
{
    return static_cast<int>(platform::atolC(list.cell(row, kCount)));
}
} // namespace

void ClassLists::appendRow(platform::ListView& list, const ChosenClass& row)
{
    const int at = list.insertRow(list.rowCount(), row.number);
    list.setCell(at, kName, row.name);
    list.setCell(at, kCount, QString::number(row.count));
}

bool ClassLists::fillFromDatabase(CStudent& students, platform::ListView& list)
{
    QStringList numbers;
    QStringList names;
    QList<quint32> counts;
    if (students.GetClass(numbers, names, counts) != 1)
        return false;
    for (int i = 0; i < names.size(); ++i) {
        const qint64 count = i < counts.size() ? qint64(counts.at(i)) : 0;
        appendRow(list, {QString::number(i), names.at(i), int(std::min<qint64>(count, INT_MAX))});
    }
    return true;
}

void ClassLists::copySelected(const platform::ListView& from, platform::ListView& to)
{
    QList<int> selected = from.selectedRows();
    std::sort(selected.begin(), selected.end());
    for (int r : selected) {
        const QString number = from.cell(r, kNumber);
        if (hasNumber(to, number))
            continue;
        const int at = to.insertRow(to.rowCount(), number);
        to.setCell(at, kName, from.cell(r, kName));
        to.setCell(at, kCount, from.cell(r, kCount));
    }
}

void ClassLists::removeSelected(platform::ListView& list)
{
    QList<int> selected = list.selectedRows();
    std::sort(selected.begin(), selected.end(), std::greater<int>());
    for (int r : selected)
        list.deleteRow(r);
}

ClassTotals ClassLists::totals(const platform::ListView& list)
{
    ClassTotals totals;
    totals.classes = list.rowCount();
    qint64 sum = 0;
    for (int r = 0; r < totals.classes; ++r)
        sum += countOf(list, r);
    totals.count = int(std::clamp<qint64>(sum, INT_MIN, INT_MAX));
    return totals;
}

QString ClassLists::totalsText(const ClassTotals& totals)
{
    return QStringLiteral("班级:%1,学生:%2").arg(totals.classes).arg(totals.count);
}

QList<ChosenClass> ClassLists::rows(const platform::ListView& list)
{
    QList<ChosenClass> rows;
    for (int r = 0; r < list.rowCount(); ++r)
        rows.append({list.cell(r, kNumber), list.cell(r, kName), countOf(list, r)});
    return rows;
}
