#pragma once

#include <QString>
#include <QStringList>

namespace store
{

class ConversionProgress;

// Carries an Access file over into a station database once, for CDB::open: the conversion
// runs as a child process (sorvik-dbtool import-mdb, beside the running executable), so a
// damaged file that crashes or exhausts the reading library ends as a message here. On success
// the converted database has taken the Access file's path and the original, unchanged, is
// kept beside it under keptOriginalPath().
class AccessConversion
{
public:
    struct Result {
        bool ok = false;
        QString message;   // why it failed
        QStringList lines; // what was carried, a line per table
    };

    // "school.mdb" is kept as "school.access-original.mdb" (numbered when that is taken).
    static QString keptOriginalPath(const QString& accessPath);
    static QString toolPath();

    Result run(const QString& accessPath, const QString& keptPath, ConversionProgress* progress);
};

} // namespace store
