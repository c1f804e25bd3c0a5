// bench_download: the class download as the station drives the library (CMD0_Handshake, then
// per class f1(1, 3), CMD1_WriteOneClass and CMD2_WriteOneStudent per pupil, CMD10_Goodbye)
// into a real sorvik-instrument: 1,000 pupils into an instrument already holding 20,000
// results, next to the same download into an empty instrument, in the same run.
//
// The argument (the demo database scripts/run-bench passes) is not used: the pupils are made
// up here, so the figures are the library's and the instrument's alone.

#include "BenchSupport.h"
#include "instrumentprocess.h"
#include "qrvmachine.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace
{

constexpr int kClasses = 25;
constexpr int kPupilsPerClass = 40; // 1,000 pupils
constexpr int kResults = 20000;
constexpr int kRounds = 6;
// A download slower than this is measured once: repeating it would say nothing new.
constexpr double kLongRoundS = 20.0;

const QStringList kArgs{u"--capacity-classes"_s, u"200"_s, u"--capacity-pupils"_s, u"60000"_s};

struct Pupil {
    QByteArray number;
    QByteArray name;
};

struct SchoolClass {
    QByteArray name;
    std::vector<Pupil> pupils;
};

std::vector<SchoolClass> makeClasses(int firstClass)
{
    QStringEncoder gbk("GBK");
    const QString surnames = u"王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗"_s;
    const QString given = u"伟芳娜敏静丽强磊军洋勇艳杰娟涛明超秀霞平"_s;
    std::vector<SchoolClass> classes;
    for (int c = firstClass; c < firstClass + kClasses; ++c) {
        SchoolClass sc{gbk.encode(u"初%1(%2)班"_s.arg(c / 10 + 1).arg(c % 10 + 1)), {}};
        for (int p = 0; p < kPupilsPerClass; ++p) {
            const int n = c * 100 + p;
            const QString name = QString(surnames[n % surnames.size()]) +
                                 given[(n / 3) % given.size()] + given[(n / 7) % given.size()];
            sc.pupils.push_back({QByteArray::number(2026000000 + n), gbk.encode(name)});
        }
        classes.push_back(std::move(sc));
    }
    return classes;
}

// One download as the station makes it; false when the instrument turned anything down.
bool download(const std::vector<SchoolClass>& classes)
{
    if (CMD0_Handshake() != 1)
        return false;
    bool ok = true;
    for (const SchoolClass& c : classes) {
        f1(1, 3);
        if (CMD1_WriteOneClass(c.name.constData(), int(c.pupils.size())) != 1) {
            ok = false;
            break;
        }
        for (const Pupil& p : c.pupils)
            ok = CMD2_WriteOneStudent(p.number.constData(), p.name.constData()) == 1 && ok;
    }
    CMD10_Goodbye();
    return ok;
}

int pupilCount(const std::vector<SchoolClass>& classes)
{
    int n = 0;
    for (const SchoolClass& c : classes)
        n += int(c.pupils.size());
    return n;
}

struct Timing {
    double downloadS = -1;
    // From goodbye until the instrument answers again.
    double readyAgainS = -1;
    // The snapshot the instrument writes once the line is quiet after the exchange, as it
    // logs it.
    double snapshotS = -1;
};

// Waits for the instrument's log line about its snapshot and reads the time off it.
double snapshotTime(const InstrumentProcess& instrument)
{
    static const QByteArray marker = "snapshot written in ";
    QElapsedTimer waited;
    waited.start();
    while (!waited.hasExpired(30000)) {
        const QByteArray log = instrument.log();
        const qsizetype at = log.lastIndexOf(marker);
        if (at >= 0) {
            const qsizetype from = at + marker.size();
            return log.mid(from, log.indexOf(' ', from) - from).toDouble() / 1000;
        }
        QThread::msleep(20);
    }
    return -1;
}

// Starts an instrument on a copy of the prepared state (none: an empty instrument) and times
// one download into it; negative times when something failed.
Timing timedDownload(const QTemporaryDir& dir, const QString& prepared,
                     const std::vector<SchoolClass>& classes)
{
    const QString state = dir.filePath(u"work/instrument.json"_s);
    QDir(dir.filePath(u"work"_s)).removeRecursively();
    QDir().mkpath(dir.filePath(u"work"_s));
    QFile::remove(dir.filePath(u"work.log"_s));
    // The journal too (when there is one), so the instrument starts as it was left.
    if (!prepared.isEmpty() && (!QFile::copy(prepared, state) ||
                                (QFile::exists(prepared + u".journal"_s) &&
                                 !QFile::copy(prepared + u".journal"_s, state + u".journal"_s))))
        return {};
    InstrumentProcess instrument(state, dir.filePath(u"work.log"_s), kArgs);
    if (!instrument.start())
        return {};
    QElapsedTimer t;
    t.start();
    const bool ok = download(classes);
    const double s = t.nsecsElapsed() / 1e9;
    t.restart();
    int classCount = 0, pupilCount = 0;
    const bool answers = CMD0_Handshake() == 1 &&
                         CMD3_ReadClassStudnetCount(&classCount, &pupilCount) == 1 &&
                         CMD10_Goodbye() == 1;
    const double again = t.nsecsElapsed() / 1e9;
    if (!ok || !answers)
        return {};
    return {s, again, snapshotTime(instrument)};
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    qputenv("XDG_CONFIG_HOME", "/nonexistent"); // never the settings of whoever runs this
    QTemporaryDir dir;

    // The full instrument: 1,000 pupils of other classes and 20,000 results for them.
    const QString full = dir.filePath(u"full.json"_s);
    {
        InstrumentProcess instrument(full, dir.filePath(u"full.log"_s), kArgs);
        if (!instrument.start() || !download(makeClasses(100))) {
            std::fprintf(stderr, "bench_download: cannot fill the instrument\n");
            return 1;
        }
    }
    QByteArray errors;
    if (InstrumentProcess::runAction(
            full, {u"--simulate"_s, QString::number(kResults), u"--seed"_s, u"7"_s}, &errors) !=
        0) {
        std::fprintf(stderr, "bench_download: %s\n", errors.constData());
        return 1;
    }

    const std::vector<SchoolClass> classes = makeClasses(0);
    const int pupils = pupilCount(classes);
    std::vector<double> emptyTimes, fullTimes, emptyAgain, fullAgain, emptySnapshot, fullSnapshot;
    // Turns: a busy moment of the machine weighs on each alike.
    for (int r = 0; r < kRounds; ++r) {
        // Each goes first in every other round: the one after a download finds the disk still
        // busy with the files of the one before.
        Timing e, f;
        if (r % 2 == 0) {
            e = timedDownload(dir, {}, classes);
            f = timedDownload(dir, full, classes);
        } else {
            f = timedDownload(dir, full, classes);
            e = timedDownload(dir, {}, classes);
        }
        if (e.downloadS < 0 || f.downloadS < 0) {
            std::fprintf(stderr, "bench_download: a download failed\n");
            return 1;
        }
        emptyTimes.push_back(e.downloadS);
        fullTimes.push_back(f.downloadS);
        emptyAgain.push_back(e.readyAgainS);
        fullAgain.push_back(f.readyAgainS);
        emptySnapshot.push_back(e.snapshotS);
        fullSnapshot.push_back(f.snapshotS);
        if (f.downloadS > kLongRoundS)
            break;
    }
    const double emptyS = median(emptyTimes);
    const double fullS = median(fullTimes);

    std::printf("class download of %d pupils in %d classes, median of %d rounds\n", pupils,
                kClasses, int(emptyTimes.size()));
    std::printf("%-52s %8.0f pupils/s\n", "into an empty instrument", pupils / emptyS);
    std::printf("%-52s %8.0f pupils/s\n", "into an instrument holding 20,000 results",
                pupils / fullS);
    std::printf("%-52s %8.1f ms (empty) %8.1f ms (full)\n",
                "after goodbye, until the instrument answers again", median(emptyAgain) * 1000,
                median(fullAgain) * 1000);
    std::printf("%-52s %8.1f ms (empty) %8.1f ms (full)\n",
                "snapshot written once the line is quiet", median(emptySnapshot) * 1000,
                median(fullSnapshot) * 1000);
    bench::printRow("download into the full instrument", fullS * 1000, emptyS * 1000,
                    "into the empty one");
    std::printf("(targets: ratio at most 1.5; at least 2000 pupils/s into the empty one)\n");
    return 0;
}
