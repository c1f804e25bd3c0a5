#pragma once

#include <QList>
#include <QString>

class CStudent;

namespace platform
{
class ListView;
}

// One row of a class list of the transfer dialogs: "序号", "班级名称", "学生数量". The download
// numbers database classes from 0 and counts pupils; the import lists the instrument's class
// index and its record count.
struct ChosenClass {
    QString number;
    QString name;
    int count = 0;
};

// The row count of a class list and the sum of its "学生数量" cells.
struct ClassTotals {
    int classes = 0;
    int count = 0;
};

// What the two transfer dialogs do with their class lists, apart from the screen.
class ClassLists
{
public:
    static void appendRow(platform::ListView& list, const ChosenClass& row);
    // The database's classes in class-number order: row i holds i, the name, the pupil count.
    // False when the store failed (it has told the user).
    static bool fillFromDatabase(CStudent& students, platform::ListView& list);
    // Appends the selected rows of from, in list order, to the end of to unless to already has a
    // row with the same "序号".
    static void copySelected(const platform::ListView& from, platform::ListView& to);
    static void removeSelected(platform::ListView& list);
    static ClassTotals totals(const platform::ListView& list);
    // "班级:%i,学生:%i"
    static QString totalsText(const ClassTotals& totals);
    // The rows as they are now: a transfer works on the classes chosen when it started.
    static QList<ChosenClass> rows(const platform::ListView& list);
};
