// Converting a 50,000-pupil Access file (written by the Jet 4 fixture writer) with
// sorvik-dbtool import-mdb, next to sorvik-dbtool create --demo 50000 writing about as many
// rows through the store classes, in the same run: seconds and rows per second.

#include "BenchSupport.h"
#include "Database.h"
#include "SqlConnection.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstdio>

namespace
{

constexpr int kPupils = 50000;

bool run(const QString& program, const QStringList& args, QByteArray* out = nullptr)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program),
                     p.readAllStandardError().constData());
        return false;
    }
    if (out)
        *out = p.readAllStandardOutput();
    return true;
}

qint64 rowsIn(const QString& path)
{
    store::Database db(path);
    qint64 rows = 0;
    for (const QString& t : db.connection().tableNames())
        rows += db.connection()
                    .query(QStringLiteral("SELECT count(*) FROM \"%1\"").arg(t))
                    .at(0, 0)
                    .toLongLong();
    return rows;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QString tool = QStringLiteral(SORVIK_BIN_DIR "/sorvik-dbtool");
    // The Access file is made once, beside the benchmark database when one is given.
    const QString dataDir =
        argc > 1 ? QFileInfo(QString::fromLocal8Bit(argv[1])).absolutePath() : QDir::tempPath();
    const QString access = QDir(dataDir).filePath(QStringLiteral("access%1.mdb").arg(kPupils));
    if (!QFileInfo::exists(access) &&
        !run(QStringLiteral("/usr/bin/python3"),
             {QStringLiteral(SORVIK_FIXTURES_DIR "/jet4_writer.py"), QStringLiteral("--station"),
              QString::number(kPupils), QStringLiteral("--card"), access}))
        return 1;

    QTemporaryDir work;
    qint64 carried = 0;
    int n = 0;
    bool ok = true;
    const double convertMs = bench::medianMs(3, [&] {
        const QString out = work.filePath(QStringLiteral("converted%1.mdb").arg(n++));
        QByteArray report;
        ok = ok && run(tool, {QStringLiteral("import-mdb"), access, out}, &report);
        carried = 0;
        static const QRegularExpression line(QStringLiteral(": (\\d+) 行"));
        for (auto m = line.globalMatch(QString::fromUtf8(report)); m.hasNext();)
            carried += m.next().captured(1).toLongLong();
    });
    const QString demo = work.filePath(QStringLiteral("demo.mdb"));
    QElapsedTimer t;
    t.start();
    ok = ok && run(tool, {QStringLiteral("create"), QStringLiteral("--demo"),
                          QString::number(kPupils), demo});
    const double demoMs = t.nsecsElapsed() / 1e6;
    if (!ok)
        return 1;
    const qint64 demoRows = rowsIn(demo);

    const double ours = carried / (convertMs / 1000.0);
    const double reference = demoRows / (demoMs / 1000.0);
    std::printf(
        "import-mdb of %d pupils: %lld rows in %.2f s (%.0f rows/s; target under 10 s: %s)\n",
        kPupils, static_cast<long long>(carried), convertMs / 1000.0, ours,
        convertMs < 10000 ? "met" : "NOT MET");
    std::printf("create --demo %d:        %lld rows in %.2f s (%.0f rows/s)\n", kPupils,
                static_cast<long long>(demoRows), demoMs / 1000.0, reference);
    std::printf("%-44s %10.0f r/s   %-28s %10.0f r/s   ratio %.2f\n", "import-mdb rows per second",
                ours, "create --demo rows per second", reference,
                reference > 0 ? ours / reference : 0.0);
    return 0;
}
