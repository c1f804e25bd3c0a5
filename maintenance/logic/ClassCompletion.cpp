#include "ClassCompletion.h"

#include <algorithm>
#include <set>

namespace
{
constexpr long kHeight = 1;
constexpr long kWeight = 2;
constexpr long kVitalCapacity = 4;
constexpr long kVitalCapacityFromGrade = 15;

// A stored value without history: the zero or empty placeholder a new pupil gets is missing,
// anything else counts as measured before the history existed.
bool storedBeforeHistory(const QVariant& value)
{
    if (value.isNull() || !value.isValid())
        return false;
    double number = 0;
    if (CompletionRule::asNumber(value, number))
        return number != 0;
    return !value.toString().trimmed().isEmpty();
}
} // namespace

void ClassCompletion::missingFirst()
{
    std::stable_partition(pupils.begin(), pupils.end(),
                          [](const CompletionPupil& p) { return p.missing > 0; });
}

QList<long> CompletionRule::itemsOf(const store::ResultsData& data, long grade, const QString& sex)
{
    QList<long> items{kHeight, kWeight};
    if (grade >= kVitalCapacityFromGrade)
        items << kVitalCapacity;
    for (long item : data.gradeItems.value(store::ResultsData::gradeKey(grade, sex)))
        if (item != -1 && !items.contains(item))
            items << item;
    std::sort(items.begin(), items.end());
    return items;
}

std::vector<ClassCompletion> CompletionRule::build(const store::ResultsData& data)
{
    std::vector<ClassCompletion> classes;
    size_t first = 0;
    while (first < data.pupils.size()) {
        size_t end = first;
        while (end < data.pupils.size() && data.pupils[end].classNo == data.pupils[first].classNo)
            ++end;
        ClassCompletion c;
        c.classNo = data.pupils[first].classNo;
        c.className = data.pupils[first].className;
        std::vector<QList<long>> pupilItems;
        std::set<long> columns;
        for (size_t i = first; i < end; ++i) {
            pupilItems.push_back(itemsOf(data, data.pupils[i].grade, data.pupils[i].sex));
            columns.insert(pupilItems.back().cbegin(), pupilItems.back().cend());
        }
        for (long code : columns) {
            const store::ResultItem* item = data.item(code);
            c.items << (item ? *item : store::ResultItem{code, QString::number(code), {}, 0});
        }
        c.done.assign(size_t(c.items.size()), 0);
        c.missing.assign(size_t(c.items.size()), 0);
        for (size_t i = first; i < end; ++i) {
            CompletionPupil p{data.pupils[i], {}, 0};
            for (int col = 0; col < c.items.size(); ++col) {
                CompletionCell cell;
                const long code = c.items.at(col).code;
                if (pupilItems[i - first].contains(code)) {
                    const quint64 k = store::ResultsData::key(p.pupil.id, code);
                    const QVariant value = data.values.value(k);
                    const auto h = data.latest.constFind(k);
                    if (h != data.latest.cend() && value.isValid()) {
                        cell.state = CompletionCell::State::Done;
                        cell.at = h->at;
                        cell.source = h->kind;
                    } else if (storedBeforeHistory(value)) {
                        cell.state = CompletionCell::State::Done;
                        cell.preHistory = true;
                    } else {
                        cell.state = CompletionCell::State::Missing;
                    }
                    if (cell.state == CompletionCell::State::Done) {
                        cell.value = value;
                        ++c.done[size_t(col)];
                    } else {
                        ++c.missing[size_t(col)];
                        ++p.missing;
                    }
                }
                p.cells.push_back(std::move(cell));
            }
            c.pupils.push_back(std::move(p));
        }
        classes.push_back(std::move(c));
        first = end;
    }
    return classes;
}

QString CompletionRule::valueText(const QVariant& value)
{
    if (value.typeId() == QMetaType::Double)
        return QString::number(value.toDouble(), 'g', 15);
    return value.isValid() ? value.toString() : QString();
}

bool CompletionRule::asNumber(const QVariant& value, double& number)
{
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::LongLong ||
        value.typeId() == QMetaType::Int) {
        number = value.toDouble();
        return true;
    }
    if (value.typeId() != QMetaType::QString)
        return false;
    bool ok = false;
    number = value.toString().trimmed().toDouble(&ok);
    return ok;
}

QString CompletionRule::preHistoryRule()
{
    return QStringLiteral("没有历史记录的成绩(建立历史记录之前存入的): 非0的成绩算已测, 时间显示为"
                          "“%1”; 0或空算未测.")
        .arg(preHistoryTime());
}

QString CompletionRule::preHistoryTime()
{
    return QStringLiteral("（历史前）");
}
