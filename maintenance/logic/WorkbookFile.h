#pragma once

#include <QString>

class QObject;

// The steps every workbook dialog shares: what the browse step's file-open dialog asks for,
// where it starts, and the two checks of the chosen path.
class WorkbookFile
{
public:
    static QString defaultSuffix();
    static QString initialName();
    static QString filter();
    // The folder of the sample workbooks installed with the station (share/sorvik/samples
    // beside the program's bin folder), where the browse step starts; empty when it is missing.
    static QString samplesFolder();

    // True when a file exists at path and the path ends exactly in "xls"; otherwise false after
    // "文件不存在" or "所选文件不是Excel文件" with the stop icon under dialogTitle.
    static bool check(QObject* owner, const QString& dialogTitle, const QString& path);
};
