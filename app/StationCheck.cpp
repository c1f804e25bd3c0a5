#include "StationCheck.h"

#include "AccessConversion.h"
#include "BackupFile.h"
#include "CDB.h"
#include "ConsoleMessageService.h"
#include "DatabaseSetting.h"
#include "MachineInterface.h"
#include "ProfileSettings.h"
#include "WorkbookFile.h"
#include "XlsReaderProcess.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

void StationCheck::report(const QString& what, const QString& found, bool ok)
{
    m_lines << what + QStringLiteral(": ") + found;
    std::printf("%s\n", qUtf8Printable(m_lines.constLast()));
    m_ok = m_ok && ok;
}

int StationCheck::run()
{
    platform::ConsoleMessageService console;
    platform::setMessageService(&console);
    m_lines.clear();
    m_ok = true;

    report(QStringLiteral("settings"), platform::settingsFilePath(), true);
    const QString path = platform::readDatabaseFileName();
    if (path.isEmpty()) {
        report(QStringLiteral("database"), QStringLiteral("none configured"), false);
    } else {
        const bool opened = theDB.open(path) != 0;
        report(QStringLiteral("database"),
               path + (opened ? QStringLiteral(" (opened)") : QStringLiteral(" (does not open)")),
               opened);
        theDB.close();
    }

    const MachineInterface machine(MachineInterface::configuredPath());
    report(QStringLiteral("instrument library"),
           machine.isBound() ? machine.path() + QStringLiteral(" (bound, %1 functions)")
                                                    .arg(MachineInterface::functionNames().size())
                             : machine.problem(),
           machine.isBound());

    const auto helper = [this](const QString& what, const QString& found) {
        const bool ok = !found.isEmpty() && QFileInfo(found).isExecutable();
        report(what, ok ? found : QStringLiteral("missing ") + found, ok);
    };
    helper(QStringLiteral("workbook reader"), store::xlsReaderProgram());
    helper(QStringLiteral("Access converter"), store::AccessConversion::toolPath());

    const QString samples = WorkbookFile::samplesFolder();
    const qsizetype workbooks =
        samples.isEmpty() ? 0 : QDir(samples).entryList({QStringLiteral("*.xls")}).size();
    report(QStringLiteral("sample workbooks"),
           samples.isEmpty() ? QStringLiteral("missing")
                             : samples + QStringLiteral(" (%1 workbooks)").arg(workbooks),
           workbooks > 0);
    report(QStringLiteral("backups"),
           BackupFile::folders(QString::fromLatin1(BackupFile::kSubfolder))
               .join(QStringLiteral(", then ")),
           true);

    platform::setMessageService(nullptr);
    return m_ok ? 0 : 1;
}
