// bench_live DB: live collection while a result import runs. A tick of 100 records every 100 ms
// on the window thread (the main window's tick, its stores and its list) while the import of
// 20,000 records from a real sorvik-instrument runs on its worker behind its progress window;
// next to the same import with no ticks, in the same run. Prints the longest tick, the import's
// time against the import alone, and how many of the values are stored.

#include "BenchSupport.h"
#include "CCard.h"
#include "CDB.h"
#include "CDlgProgress.h"
#include "CItemInfo.h"
#include "CStudent.h"
#include "CValue.h"
#include "ClassLists.h"
#include "CollectTick.h"
#include "CollectorRecord.h"
#include "Database.h"
#include "DialogUnits.h"
#include "DownloadClassThread.h"
#include "ExchangeThread.h"
#include "ImportValueThread.h"
#include "InstrumentQueries.h"
#include "ListView.h"
#include "MachineInterface.h"
#include "MemoryProgressView.h"
#include "ReportList.h"
#include "SqlConnection.h"
#include "instrumentprocess.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace
{

constexpr int kClasses = 25; // of 40 demo pupils each, within the instrument's room
constexpr int kRecords = 20000;
constexpr int kRecordsPerTick = 100;
constexpr int kTickMs = 100;
constexpr double kLongestTickTargetMs = 150;
constexpr double kRatioTarget = 1.3;

struct Pair {
    QByteArray stuNo;
    int item;
};

struct Run {
    double importS = 0;
    std::vector<double> tickMs;
    int tickValues = 0;
    int tickStored = 0;
    int importValues = 0;
    int importStored = 0;
};

QString storedText(store::SqlConnection& conn, const QString& stuNo, int item)
{
    const store::ResultTable t = conn.query(
        u"SELECT o.ObjectValue FROM STU_ObjectData o JOIN STU_Main m ON m.STU_ID = o.STU_ID "
        "WHERE m.StuNo = ? AND o.Object_ID = ?"_s,
        {stuNo, item});
    return t.rowCount() == 1 ? t.at(0, 0).toString() : QString();
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_live DEMO_DATABASE\n");
        return 2;
    }
    QTemporaryDir dir;
    // The collector's journal is not part of this run; keep the station's data folder clean.
    qputenv("XDG_DATA_HOME", dir.filePath(u"data"_s).toUtf8());
    const QString path = QString::fromLocal8Bit(argv[1]);
    if (!theDB.open(path))
        return 1;
    bDBOpen = true;
    auto machine = std::make_shared<MachineInterface>(QCoreApplication::applicationDirPath() +
                                                      u"/libqrvmachine.so"_s);
    if (!machine->isBound()) {
        std::fprintf(stderr, "bench_live: %s\n", qPrintable(machine->problem()));
        return 1;
    }
    const QString state = dir.filePath(u"instrument.json"_s);
    InstrumentProcess instrument(
        state, dir.filePath(u"instrument.log"_s),
        {u"--capacity-classes"_s, u"64"_s, u"--capacity-pupils"_s, u"2000"_s});
    if (!instrument.start())
        return 1;
    QSet<QString> importedClasses;
    {
        CStudent students(theDB);
        CCard cards(theDB);
        platform::MemoryListView list;
        ClassLists::fillFromDatabase(students, list);
        const QList<ChosenClass> chosen = ClassLists::rows(list).mid(0, kClasses);
        for (const ChosenClass& c : chosen)
            importedClasses.insert(c.number);
        MemoryProgressView view;
        DownloadClassThread(machine, view, students, cards, chosen, NumberType::StudentNumber)
            .run();
    }
    instrument.stop();
    if (InstrumentProcess::runAction(
            state, {u"--simulate"_s, QString::number(kRecords), u"--seed"_s, u"7"_s}) != 0 ||
        !instrument.start())
        return 1;
    QList<ChosenClass> onInstrument;
    {
        platform::MemoryListView list;
        InstrumentQueries::listClasses(*machine, list);
        onInstrument = ClassLists::rows(list);
    }

    // Pupils of the other classes and items they have rows for, each used once.
    std::vector<Pair> pairs;
    {
        store::SqlConnection& conn = theDB.database()->connection();
        const store::ResultTable t = conn.query(
            u"SELECT m.StuNo, o.Object_ID, m.GroupNo FROM STU_Main m JOIN STU_ObjectData o "
            "ON o.STU_ID = m.STU_ID WHERE o.Object_ID <> 6 ORDER BY m.STU_ID DESC"_s);
        for (int r = 0; r < t.rowCount(); ++r)
            if (!importedClasses.contains(t.at(r, 2).toString()))
                pairs.push_back({t.at(r, 0).toString().toLatin1(), t.at(r, 1).toInt()});
    }
    size_t nextPair = 0;

    // The main window's stores and list, made once as at start-up.
    CStudent student(theDB);
    CValue value(theDB);
    CItemInfo itemInfo(theDB);
    CCard card(theDB);
    platform::ReportList list;
    list.setColumns({{u"测试者编号"_s, 120},
                     {u"姓名"_s, 120},
                     {u"测试项目"_s, 120},
                     {u"测试成绩"_s, 120},
                     {u"成绩单位"_s, 120}});
    list.resize(760, 380);
    list.show();
    CollectTick tick(list, [] { return true; });
    tick.setStores(theDB, {&student, &value, &itemInfo, &card});

    const auto run = [&](bool withTicks) {
        Run r;
        CItemInfo items(theDB);
        CStudent students(theDB);
        CValue values(theDB);
        CCard cards(theDB);
        const ResultHandler handler(theDB, items, students, values, cards);
        ExchangeThread thread;
        auto* window =
            CDlgProgress::open(nullptr, u"正在导入测试成绩..."_s, CDlgProgress::Layout::Import);
        QList<std::pair<Pair, int>> sent;
        QTimer timer;
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            QByteArray feed;
            for (int i = 0; i < kRecordsPerTick && nextPair < pairs.size(); ++i) {
                const Pair& p = pairs[nextPair++];
                const int v = 100 + int(nextPair % 900);
                feed += sorvik::collector::makeRecord(p.stuNo, p.item, QByteArray::number(v));
                sent.append({p, v});
            }
            QElapsedTimer t;
            t.start();
            tick.handleFeed(feed, true);
            r.tickMs.push_back(t.nsecsElapsed() / 1e6);
        });
        // The window thread waits in its event loop, as the station's does.
        QEventLoop loop;
        QObject::connect(&thread, &ExchangeThread::finished, &loop, &QEventLoop::quit);
        QElapsedTimer t;
        t.start();
        thread.start(std::make_unique<ImportValueThread>(machine, *window, handler, onInstrument,
                                                         NumberType::StudentNumber, false),
                     {window});
        if (withTicks)
            timer.start(kTickMs);
        loop.exec();
        r.importS = t.nsecsElapsed() / 1e9;
        timer.stop();
        while (tick.waitingRecords() > 0) // what waited for the last batch of the import
            tick.handleFeed({}, true);

        store::Database elsewhere(theDB.database()->path());
        store::SqlConnection& conn = elsewhere.connection();
        for (const auto& [p, v] : std::as_const(sent)) {
            ++r.tickValues;
            r.tickStored += storedText(conn, QString::fromLatin1(p.stuNo), p.item).toInt() == v;
        }
        // The newest row of each pupil and item the import listed as stored.
        auto* rows =
            window->findChild<platform::ReportList*>(platform::controlName(CDlgProgress::IdList));
        QSet<QString> seen;
        for (int i = 0; rows && i < rows->rowCount(); ++i) {
            const QString item = rows->cell(i, 3);
            if (rows->cell(i, 2) == u"没有此学生"_s || item.contains(u"未设置"_s))
                continue;
            const int code = item.section(u'(', -1).chopped(1).toInt();
            if (seen.contains(rows->cell(i, 1) + QString::number(code)))
                continue;
            seen.insert(rows->cell(i, 1) + QString::number(code));
            ++r.importValues;
            r.importStored += storedText(conn, rows->cell(i, 1), code) == rows->cell(i, 4);
        }
        delete window;
        return r;
    };

    // Turns, so that a busy moment of the machine weighs on both alike.
    std::vector<double> alone, beside;
    Run withTicks;
    std::vector<double> allTicks;
    bool allStored = true;
    for (int turn = 0; turn < 2; ++turn) {
        // Alone first in one turn, second in the other.
        Run a;
        if (turn == 0)
            a = run(false);
        withTicks = run(true);
        if (turn == 1)
            a = run(false);
        alone.push_back(a.importS);
        beside.push_back(withTicks.importS);
        allTicks.insert(allTicks.end(), withTicks.tickMs.begin(), withTicks.tickMs.end());
        allStored = allStored && a.importStored == a.importValues &&
                    withTicks.importStored == withTicks.importValues &&
                    withTicks.tickStored == withTicks.tickValues;
    }
    std::sort(allTicks.begin(), allTicks.end());
    const double longest = allTicks.empty() ? 0 : allTicks.back();
    const double median = allTicks.empty() ? 0 : allTicks[allTicks.size() / 2];
    const auto over = std::count_if(allTicks.begin(), allTicks.end(),
                                    [](double ms) { return ms > kLongestTickTargetMs; });
    const double aloneS = *std::min_element(alone.begin(), alone.end());
    const double besideS = *std::min_element(beside.begin(), beside.end());

    std::printf("== live collection beside a result import of %d records (%d classes)\n", kRecords,
                int(onInstrument.size()));
    std::printf("    %zu ticks of %d records every %d ms: longest %.1f ms, median %.1f ms, "
                "%lld over %.0f ms (target: none)\n",
                allTicks.size(), kRecordsPerTick, kTickMs, longest, median, qlonglong(over),
                kLongestTickTargetMs);
    bench::printRow("import beside live collection (best of 2)", besideS * 1000, aloneS * 1000,
                    "import alone (best of 2)");
    std::printf("    ratio target: at most %.1f\n", kRatioTarget);
    std::printf("    stored/expected, last turn: ticks %d/%d, import %d/%d%s\n",
                withTicks.tickStored, withTicks.tickValues, withTicks.importStored,
                withTicks.importValues, allStored ? "" : "   (NOT ALL STORED)");
    theDB.close();
    return allStored ? 0 : 1;
}
