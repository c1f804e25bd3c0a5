// bench_results DB: results out. A live collection tick of 1,000 found pupils with the value
// history written next to the same tick with it off, alternating in the same run; and the
// export of every pupil to an .xlsx workbook next to reading the same data alone.

#include "BenchSupport.h"
#include "CCard.h"
#include "CDB.h"
#include "CItemInfo.h"
#include "CStudent.h"
#include "CValue.h"
#include "CollectTick.h"
#include "CollectorRecord.h"
#include "Database.h"
#include "ListView.h"
#include "ResultsExport.h"
#include "ResultsReader.h"
#include "SqlConnection.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>

namespace
{

constexpr int kRecordsPerTick = 1000;
constexpr int kRuns = 31;
constexpr double kTickRatioTarget = 1.25;
constexpr double kExportTargetS = 5.0;

// Found pupils with an item they have a row for.
QByteArray makeFeed(const store::ResultsData& data, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray feed;
    for (int i = 0; i < kRecordsPerTick; ++i) {
        const store::ResultPupil& p = data.pupils[random.bounded(quint32(data.pupils.size()))];
        const int item = random.bounded(2) ? 1 : 2;
        feed += sorvik::collector::makeRecord(p.studentNumber.toLatin1(), item,
                                              QByteArray::number(random.bounded(100, 999)));
    }
    return feed;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_results DATABASE\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    if (!theDB.open(path) || !theDB.CreateCardTable())
        return 2;
    store::SqlConnection& conn = theDB.database()->connection();
    const store::ResultsData data = store::ResultsReader::read(conn, {});
    if (data.pupils.empty()) {
        std::fprintf(stderr, "no pupils in %s\n", argv[1]);
        return 2;
    }

    CStudent student(theDB);
    CValue value(theDB);
    CItemInfo itemInfo(theDB);
    CCard card(theDB);
    platform::MemoryListView list;
    CollectTick tick(list, [] { return true; });
    tick.setStores(theDB, {&student, &value, &itemInfo, &card});
    std::vector<double> with;
    std::vector<double> without;
    quint32 seed = 1;
    auto run = [&](bool history) {
        value.setHistorySource(history ? store::HistorySource{store::ValueSource::Live, {}}
                                       : store::HistorySource{});
        const QByteArray feed = makeFeed(data, seed++);
        list.deleteAll();
        QElapsedTimer t;
        t.start();
        tick.handleFeed(feed, true);
        return t.nsecsElapsed() / 1e6;
    };
    run(true); // warms the snapshots' indexes
    run(false);
    for (int i = 0; i < kRuns; ++i) {
        if (i % 2 == 0) {
            with.push_back(run(true));
            without.push_back(run(false));
        } else {
            without.push_back(run(false));
            with.push_back(run(true));
        }
    }
    if (qEnvironmentVariableIsSet("BENCH_RESULTS_ALL"))
        for (int i = 0; i < kRuns; ++i)
            std::printf("%d with %.1f without %.1f\n", i, with[size_t(i)], without[size_t(i)]);
    // The pairs ran in both orders; the medians of each side.
    std::sort(with.begin(), with.end());
    std::sort(without.begin(), without.end());
    const double withMs = with[with.size() / 2];
    const double withoutMs = without[without.size() / 2];
    const qint64 entries =
        conn.query(QStringLiteral("SELECT COUNT(*) FROM STU_ValueHistory")).at(0, 0).toLongLong();
    std::printf("live tick of %d records (%lld history entries written)\n", kRecordsPerTick,
                entries);
    bench::printRow("  tick with history", withMs, withoutMs, "tick without history");
    const double tickRatio = withoutMs > 0 ? withMs / withoutMs : 0;
    std::printf("  target ratio <= %.2f: %s\n\n", kTickRatioTarget,
                tickRatio <= kTickRatioTarget ? "met" : "NOT MET");

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("results.xlsx"));
    QElapsedTimer t;
    t.start();
    const store::ResultsData again = store::ResultsReader::read(conn, {});
    const double readMs = t.nsecsElapsed() / 1e6;
    t.restart();
    const ResultsExport::Outcome o = ResultsExport::run(theDB, file);
    const double exportMs = t.nsecsElapsed() / 1e6;
    if (!o.ok) {
        std::fprintf(stderr, "export failed: %s\n", qUtf8Printable(o.error));
        return 1;
    }
    std::printf("export of %d pupils in %d sheets (%lld bytes)\n", o.pupils, o.sheets,
                QFileInfo(file).size());
    bench::printRow("  export to .xlsx", exportMs, readMs, "reading the data alone");
    std::printf("  %.2f s, target < %.1f s: %s\n", exportMs / 1000, kExportTargetS,
                exportMs / 1000 < kExportTargetS ? "met" : "NOT MET");
    theDB.close();
    return int(again.pupils.size()) == o.pupils ? 0 : 1;
}
