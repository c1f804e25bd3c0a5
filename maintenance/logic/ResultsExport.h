#pragma once

#include "CDB.h"
#include "ClassCompletion.h"

#include <QString>
#include <QStringList>

#include <vector>

// Writes the stored results to an .xlsx workbook: one sheet per class, one row per pupil
// ("班级", "学号", "姓名", "性别", "卡号", then one column per item, headed with its name and
// unit), numbers as numbers; an item not measured yet is left blank.
class ResultsExport
{
public:
    struct Outcome {
        bool ok = false;
        QString error; // why not, when not ok
        int sheets = 0;
        int pupils = 0;
    };

    // The classes of the database (one class when classNo is not empty) to path.
    static Outcome run(const CDB& db, const QString& path, const QString& classNo = {});
    static Outcome write(const std::vector<ClassCompletion>& classes, const QString& path);

    // Sheet names Excel accepts for these class names: at most 31 characters, none of
    // []:*?/\, no apostrophe at either end, no two the same (letter case ignored).
    static QStringList sheetNames(const QStringList& classNames);
    static QStringList headings(const ClassCompletion& c);
};
