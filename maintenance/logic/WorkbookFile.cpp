#include "WorkbookFile.h"

#include "MessageService.h"
#include "TextRules.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString WorkbookFile::defaultSuffix()
{
    return QStringLiteral("xls");
}

QString WorkbookFile::initialName()
{
    return QStringLiteral("*.xls");
}

QString WorkbookFile::filter()
{
    return QStringLiteral("Microsoft Excel文件(*.xls)");
}

QString WorkbookFile::samplesFolder()
{
    if (!QCoreApplication::instance())
        return {};
    const QFileInfo folder(QDir(QCoreApplication::applicationDirPath())
                               .filePath(QStringLiteral("../share/sorvik/samples")));
    return folder.isDir() ? folder.canonicalFilePath() : QString();
}

bool WorkbookFile::check(QObject* owner, const QString& dialogTitle, const QString& path)
{
    using platform::Icon;
    if (!platform::fileExists(path)) {
        platform::dialogMessage(owner, dialogTitle, QStringLiteral("文件不存在"), Icon::Stop);
        return false;
    }
    if (!platform::endsWithExactly(path, QStringLiteral("xls"))) {
        platform::dialogMessage(owner, dialogTitle, QStringLiteral("所选文件不是Excel文件"),
                                Icon::Stop);
        return false;
    }
    return true;
}
