#pragma once

#include "ResultsReader.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariant>

#include <vector>

// One cell of the completion grid: a pupil's value for an item.
struct CompletionCell {
    enum class State { NotTested, Done, Missing }; // NotTested: not an item of the pupil
    State state = State::NotTested;
    QVariant value;          // the stored value (null when missing)
    QDateTime at;            // when it came; invalid for a value from before the history
    bool preHistory = false; // stored, but no history entry for it
    store::ValueSource source = store::ValueSource::None;
};

struct CompletionPupil {
    store::ResultPupil pupil;
    std::vector<CompletionCell> cells; // one per item column
    int missing = 0;
};

// A class's pupils against the items of their grade and sex (height, weight, vital capacity
// from grade 15 on, and the grade items), each value done or missing.
struct ClassCompletion {
    QString classNo;
    QString className;
    QList<store::ResultItem> items; // the columns: every item some pupil of the class has
    std::vector<CompletionPupil> pupils;
    std::vector<int> done;    // per column
    std::vector<int> missing; // per column

    // Pupils with something missing first, each group in identifier order.
    void missingFirst();
};

class CompletionRule
{
public:
    // The items a pupil of that grade and sex is tested in, in item order.
    static QList<long> itemsOf(const store::ResultsData& data, long grade, const QString& sex);
    // One ClassCompletion per class in data, in class number order, pupils in identifier order.
    static std::vector<ClassCompletion> build(const store::ResultsData& data);
    // A value as text: numbers in their shortest form.
    static QString valueText(const QVariant& value);
    // The value as a number when it is one (text included); false when not.
    static bool asNumber(const QVariant& value, double& number);
    // What a value without history counts as, told in the overview.
    static QString preHistoryRule();
    static QString preHistoryTime();
};
