#pragma once

// Access files for the tests: written by the Jet 4 fixture writer (tests/fixtures/
// jet4_writer.py) and read back with mdbtools' own command-line tools, so that a fault of the
// writer shows as such instead of passing for a converter's success.

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>

namespace mdbfixtures
{

inline QString writerScript()
{
    return QStringLiteral(SORVIK_FIXTURES_DIR "/jet4_writer.py");
}

// Runs the writer with args; empty when it succeeded, else what it said.
inline QString runWriter(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), QStringList{writerScript()} + args);
    if (!p.waitForFinished(300000))
        return QStringLiteral("the fixture writer did not finish");
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QString::fromUtf8(p.readAllStandardError());
    return {};
}

// A station file of pupils pupils (extra: "--card", "--text-values"); empty or the error.
inline QString writeStation(const QString& path, int pupils, const QStringList& extra = {})
{
    return runWriter(QStringList{QStringLiteral("--station"), QString::number(pupils)} + extra +
                     QStringList{path});
}

// A file as the JSON description spec says (see the writer); empty or the error.
inline QString writeSpec(const QString& path, const QJsonObject& spec)
{
    const QString specPath = path + QStringLiteral(".json");
    QFile f(specPath);
    if (!f.open(QIODevice::WriteOnly))
        return f.errorString();
    f.write(QJsonDocument(spec).toJson());
    f.close();
    const QString error = runWriter({specPath, path});
    QFile::remove(specPath);
    return error;
}

struct ToolRun {
    bool finished = false; // false: still running at the deadline, and killed
    int exitCode = -1;
    bool crashed = false;
    QByteArray out;
    QByteArray err;
};

inline ToolRun runTool(const QString& program, const QStringList& args, int deadlineMs = 120000,
                       const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
{
    ToolRun r;
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    r.finished = p.waitForFinished(deadlineMs);
    if (!r.finished) {
        p.kill();
        p.waitForFinished();
    }
    r.crashed = p.exitStatus() == QProcess::CrashExit;
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

// The user tables mdbtools lists, or an empty list when it cannot.
inline QStringList mdbTables(const QString& path)
{
    const ToolRun r = runTool(QStringLiteral("mdb-tables"), {QStringLiteral("-1"), path}, 10000);
    if (!r.finished || r.crashed || r.exitCode != 0)
        return {};
    return QString::fromUtf8(r.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// The rows of a table as mdb-export prints them (dates as "yyyy-MM-dd HH:mm:ss"), the heading
// row first; a null cell and an empty text both come out empty. Empty when mdb-export fails.
inline QList<QStringList> mdbExport(const QString& path, const QString& table)
{
    const QString fmt = QStringLiteral("%Y-%m-%d %H:%M:%S");
    const ToolRun r = runTool(QStringLiteral("mdb-export"),
                              {QStringLiteral("-D"), fmt, QStringLiteral("-T"), fmt, path, table});
    if (!r.finished || r.crashed || r.exitCode != 0)
        return {};
    // CSV: cells split by commas, text in double quotes (doubled inside), line breaks inside
    // quotes belong to the cell.
    const QString text = QString::fromUtf8(r.out);
    QList<QStringList> rows;
    QStringList row;
    QString cell;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < text.size() &&
                text.at(i + 1) == QLatin1Char('"')) {
                cell += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                cell += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            row << cell;
            cell.clear();
        } else if (c == QLatin1Char('\n')) {
            row << cell;
            rows << row;
            row.clear();
            cell.clear();
        } else {
            cell += c;
        }
    }
    return rows;
}

inline QByteArray fileDigest(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash h(QCryptographicHash::Sha256);
    h.addData(&f);
    return h.result();
}

inline QStringList filesIn(const QString& dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace mdbfixtures
