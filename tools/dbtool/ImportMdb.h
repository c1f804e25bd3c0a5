#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// sorvik-dbtool import-mdb OLD NEW: carries an Access file (Jet 3 or 4) over into a new
// station database, every table, row and column of it. OLD is only read; NEW must not exist
// and appears only when the whole file was converted.
class ImportMdb
{
public:
    struct Outcome {
        bool ok = false;
        QString error;     // why nothing was written
        QStringList lines; // what was carried, a line per table
    };

    // progress(done, total) is called every so many rows, total being the rows the file's
    // tables declare.
    using Progress = std::function<void(qint64 done, qint64 total)>;

    Outcome run(const QString& oldPath, const QString& newPath, const Progress& progress = {});
};

class QCoreApplication;

// The command line "import-mdb [--progress] OLD NEW": prints what was carried (with
// --progress also lines "progress DONE TOTAL" as it goes), or the error on standard error.
// Returns the exit status.
int importMdbMain(QCoreApplication& app);
