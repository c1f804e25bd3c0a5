#pragma once

#include "MdbReaderProcess.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

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

    // Limits of the reading process other than those that follow from the file's size.
    void setReaderLimits(const MdbReaderProcess::Limits& limits) { m_limits = limits; }

private:
    std::optional<MdbReaderProcess::Limits> m_limits;
};

class QCoreApplication;

// The command line "import-mdb [--progress] [--reader-memory MB] [--reader-seconds S]
// [--reader-silence S] OLD NEW": prints what was carried (with --progress also lines
// "progress DONE TOTAL" as it goes), or the error on standard error. Returns the exit status.
int importMdbMain(QCoreApplication& app);
