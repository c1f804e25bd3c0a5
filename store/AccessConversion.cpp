#include "AccessConversion.h"

#include "ConversionProgress.h"
#include "StationFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace store
{

namespace
{

// The converter prints a line at least every few thousand rows; this long without one, it
// has stopped.
constexpr int kSilenceMs = 120000;

QString uniquePath(const QString& dir, const QString& base, const QString& suffix)
{
    QString candidate = QDir(dir).filePath(base + suffix);
    for (int n = 2; QFileInfo::exists(candidate) || QFileInfo(candidate).isSymLink(); ++n)
        candidate = QDir(dir).filePath(QStringLiteral("%1 (%2)%3").arg(base).arg(n).arg(suffix));
    return candidate;
}

QString baseName(const QFileInfo& info)
{
    // "school.mdb" -> "school"; a name without the ending keeps its whole name.
    const QString name = info.fileName();
    return name.endsWith(QLatin1String(".mdb"), Qt::CaseInsensitive) ? name.chopped(4) : name;
}

} // namespace

QString AccessConversion::keptOriginalPath(const QString& accessPath)
{
    const QFileInfo info(accessPath);
    return uniquePath(info.absolutePath(), baseName(info), QStringLiteral(".access-original.mdb"));
}

QString AccessConversion::toolPath()
{
    const QString name = QStringLiteral("sorvik-dbtool");
    const QString found = platform::findHelper(name);
    return found.isEmpty() ? QDir(platform::programFolder()).filePath(name) : found;
}

AccessConversion::Result AccessConversion::run(const QString& accessPath, const QString& keptPath,
                                               ConversionProgress* progress)
{
    Result result;
    const QFileInfo info(accessPath);
    const QString converted =
        uniquePath(info.absolutePath(), baseName(info), QStringLiteral(".converted.mdb"));

    QProcess tool;
    tool.start(toolPath(),
               {QStringLiteral("import-mdb"), QStringLiteral("--progress"), accessPath, converted},
               QIODevice::ReadOnly);
    if (!tool.waitForStarted(30000)) {
        result.message =
            QStringLiteral("无法启动转换程序 %1: %2").arg(toolPath(), tool.errorString());
        return result;
    }
    if (progress)
        progress->begin(
            QStringLiteral("正在把Access数据库转换为本程序的数据库, 请稍候…\n%1").arg(accessPath));
    QElapsedTimer quiet;
    quiet.start();
    QByteArray pending;
    QByteArray errors;
    bool silent = false;
    for (;;) {
        // A tenth of a second at a time, so that the progress window keeps painting.
        const bool ready = tool.waitForReadyRead(100);
        pending += tool.readAllStandardOutput();
        errors += tool.readAllStandardError();
        qsizetype end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(pending.left(end));
            pending.remove(0, end + 1);
            quiet.restart();
            const QStringList parts = line.split(QLatin1Char(' '));
            if (parts.size() == 3 && parts.at(0) == QLatin1String("progress")) {
                if (progress)
                    progress->advance(parts.at(1).toLongLong(), parts.at(2).toLongLong());
            } else if (!line.isEmpty()) {
                result.lines << line;
            }
        }
        if (QCoreApplication::instance())
            QCoreApplication::processEvents();
        if (!ready && tool.state() == QProcess::NotRunning)
            break;
        if (quiet.elapsed() > kSilenceMs) {
            silent = true;
            tool.kill();
            tool.waitForFinished(30000);
            break;
        }
    }
    tool.waitForFinished(30000);
    errors += tool.readAllStandardError();
    if (progress)
        progress->end();

    auto fail = [&](const QString& message) {
        // The converter's files all begin with the name it was given, also those a killed
        // converter could not remove itself.
        const QFileInfo target(converted);
        for (const QString& name :
             target.dir().entryList({target.fileName() + QLatin1Char('*')}, QDir::Files))
            QFile::remove(target.dir().filePath(name));
        result.lines.clear();
        result.message = message;
        return result;
    };
    if (silent)
        return fail(QStringLiteral("转换程序 %1 秒没有进展, 已中止").arg(kSilenceMs / 1000));
    if (tool.exitStatus() == QProcess::CrashExit)
        return fail(QStringLiteral("转换程序意外终止 (信号 %1)").arg(tool.exitCode()));
    if (tool.exitCode() != 0) {
        QString why = QString::fromUtf8(errors).trimmed();
        why.remove(QStringLiteral("sorvik-dbtool: "));
        return fail(why.isEmpty() ? QStringLiteral("转换程序失败 (退出码 %1)").arg(tool.exitCode())
                                  : why);
    }
    if (!QFileInfo::exists(converted))
        return fail(QStringLiteral("转换程序没有留下数据库"));
    // The original steps aside unchanged; the converted database takes its place.
    if (!QFile::rename(accessPath, keptPath))
        return fail(QStringLiteral("无法把 %1 改名为 %2").arg(accessPath, keptPath));
    if (!QFile::rename(converted, accessPath)) {
        QFile::rename(keptPath, accessPath);
        return fail(QStringLiteral("无法把 %1 改名为 %2").arg(converted, accessPath));
    }
    result.ok = true;
    return result;
}

} // namespace store
