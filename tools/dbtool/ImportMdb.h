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
    // The same into the server database at address, which must not hold the station's tables
    // yet: converted into a temporary station file, which is then copied onto the server in one
    // transaction and removed. When anything fails, nothing is left on the server.
    Outcome runToServer(const QString& oldPath, const QString& address,
                        const Progress& progress = {});

    // Limits of the reading process other than those that follow from the file's size.
    void setReaderLimits(const MdbReaderProcess::Limits& limits) { m_limits = limits; }

private:
    std::optional<MdbReaderProcess::Limits> m_limits;
};

class QCoreApplication;

// The command line "import-mdb [--progress] [--reader-memory MB] [--reader-seconds S]
// [--reader-silence S] OLD NEW", or with "--server URL OLD [CONNECTION.mdb]" onto a server (and
// a connection file written for the stations): prints what was carried (with --progress also
// lines "progress DONE TOTAL" as it goes), or the error on standard error. Returns the exit
// status.
int importMdbMain(QCoreApplication& app);
