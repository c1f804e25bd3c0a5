// bench_transfer DB: the result import from a real sorvik-instrument into a copy of DB, next to
// the same number of text-form CValue::InsertValue calls alone, in the same run. The classes
// get onto the instrument by the class download; --simulate records the results.

#include "Batch.h"
#include "BenchSupport.h"
#include "CCard.h"
#include "CDB.h"
#include "CDlgProgress.h"
#include "CItemInfo.h"
#include "CStudent.h"
#include "CValue.h"
#include "ClassLists.h"
#include "DownloadClassThread.h"
#include "ExchangeThread.h"
#include "ImportValueThread.h"
#include "InstrumentQueries.h"
#include "ListView.h"
#include "MachineInterface.h"
#include "MemoryProgressView.h"
#include "ResultHandler.h"
#include "instrumentprocess.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace
{

constexpr int kClasses = 25; // of 40 demo pupils each: 1000 pupils, within the instrument's room
constexpr int kRecords = 20000;
constexpr int kRounds = 3;

struct Value {
    long id;
    int item;
    QString text;
};

double seconds(const QElapsedTimer& t)
{
    return t.nsecsElapsed() / 1e9;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_transfer DEMO_DATABASE\n");
        return 2;
    }
    CDB db;
    if (!db.open(QString::fromLocal8Bit(argv[1])))
        return 1;
    const QString library = QCoreApplication::applicationDirPath() + u"/libqrvmachine.so"_s;
    auto machine = std::make_shared<MachineInterface>(library);
    if (!machine->isBound()) {
        std::fprintf(stderr, "bench_transfer: %s\n", qPrintable(machine->problem()));
        return 1;
    }

    QTemporaryDir dir;
    const QString state = dir.filePath(u"instrument.json"_s);
    InstrumentProcess instrument(
        state, dir.filePath(u"instrument.log"_s),
        {u"--capacity-classes"_s, u"64"_s, u"--capacity-pupils"_s, u"2000"_s});
    if (!instrument.start()) {
        std::fprintf(stderr, "bench_transfer: the instrument does not start\n");
        return 1;
    }

    // Classes onto the instrument, as the station sends them.
    QList<ChosenClass> chosen;
    {
        CStudent students(db);
        CCard cards(db);
        platform::MemoryListView list;
        ClassLists::fillFromDatabase(students, list);
        for (const ChosenClass& c : ClassLists::rows(list).mid(0, kClasses))
            chosen << c;
        MemoryProgressView view;
        QElapsedTimer t;
        t.start();
        DownloadClassThread(machine, view, students, cards, chosen, NumberType::StudentNumber)
            .run();
        const double s = seconds(t);
        std::printf("class download: %d pupils in %d classes in %.2f s, %.0f pupils/s\n",
                    view.rowCount(), int(chosen.size()), s, view.rowCount() / s);
    }
    instrument.stop();
    QByteArray errors;
    if (InstrumentProcess::runAction(
            state, {u"--simulate"_s, QString::number(kRecords), u"--seed"_s, u"7"_s}, &errors) !=
        0) {
        std::fprintf(stderr, "bench_transfer: %s\n", errors.constData());
        return 1;
    }
    if (!instrument.start()) {
        std::fprintf(stderr, "bench_transfer: the instrument does not start again\n");
        return 1;
    }
    QList<ChosenClass> onInstrument;
    {
        platform::MemoryListView list;
        InstrumentQueries::listClasses(*machine, list);
        onInstrument = ClassLists::rows(list);
    }
    int records = 0;
    for (const ChosenClass& c : std::as_const(onInstrument))
        records += c.count;

    // One import; the stores' snapshots are taken before the clock starts, as the dialog does.
    const auto import = [&](bool withDatabase, int* values) {
        CItemInfo items(db);
        CStudent students(db);
        CValue valueStore(db);
        CCard cards(db);
        const ResultHandler handler =
            withDatabase ? ResultHandler(db, items, students, valueStore, cards) : ResultHandler();
        MemoryProgressView view;
        ImportValueThread worker(machine, view, handler, onInstrument, NumberType::StudentNumber,
                                 false);
        QElapsedTimer t;
        t.start();
        worker.run();
        const double s = seconds(t);
        if (values)
            *values = view.rowCount();
        return s;
    };

    // The values the import stores, for the reference: pupil, item and text of each.
    std::vector<Value> values;
    {
        CStudent students(db);
        MemoryProgressView view;
        ImportValueThread(machine, view, ResultHandler(), onInstrument, NumberType::StudentNumber,
                          false)
            .run();
        for (int r = view.rowCount() - 1; r >= 0 && int(values.size()) < records; --r) {
            const QStringList row = view.row(r);
            long id = 0;
            QString name;
            if (students.GetIDByStuNO(row.at(1), id, name) == 1)
                values.push_back({id, row.at(3).toInt(), row.at(4)});
        }
    }
    const int perBatch = records / std::max<int>(1, int(onInstrument.size()));
    const auto storeAlone = [&] {
        CValue valueStore(db);
        QElapsedTimer t;
        t.start();
        for (size_t i = 0; i < values.size();) {
            store::Batch batch(db);
            for (int k = 0; k < perBatch && i < values.size(); ++k, ++i)
                valueStore.InsertValue(values[i].id, values[i].item, values[i].text);
        }
        return seconds(t);
    };

    // The library calls alone: what any station would spend on the link.
    const auto linkAlone = [&] {
        QElapsedTimer t;
        t.start();
        machine->CMD0_Handshake();
        for (const ChosenClass& c : std::as_const(onInstrument)) {
            for (int r = 0; r < c.count; ++r) {
                RawRecord raw;
                DecodedRecord record;
                machine->CMD5_ReadTestValue(c.number.toInt(), r, raw);
                machine->qrv_dll_DecodeOneValue(raw, record);
            }
        }
        machine->CMD10_Goodbye();
        return seconds(t);
    };

    // Turns: a busy moment of the machine weighs on each alike.
    std::vector<double> importTimes, listTimes, storeTimes, linkTimes;
    int importedValues = 0;
    for (int r = 0; r < kRounds; ++r) {
        importTimes.push_back(import(true, &importedValues));
        listTimes.push_back(import(false, nullptr));
        storeTimes.push_back(storeAlone());
        linkTimes.push_back(linkAlone());
    }
    const double linkS = median(linkTimes);
    const double importS = median(importTimes);
    const double listS = median(listTimes);
    const double storeS = median(storeTimes);

    // The same import as the user sees it, for the first two classes (the window repaints as
    // rows arrive, which makes the whole set slow to measure): the worker on its thread, the
    // progress window updated synchronously on this one, next to the same classes without it.
    const QList<ChosenClass> windowClasses = onInstrument.mid(0, 2);
    int windowRecords = 0;
    for (const ChosenClass& c : windowClasses)
        windowRecords += c.count;
    const auto behindWindow = [&](bool shown) {
        CItemInfo items(db);
        CStudent students(db);
        CValue valueStore(db);
        CCard cards(db);
        const ResultHandler handler(db, items, students, valueStore, cards);
        QElapsedTimer t;
        if (!shown) {
            MemoryProgressView view;
            t.start();
            ImportValueThread(machine, view, handler, windowClasses, NumberType::StudentNumber,
                              false)
                .run();
            return seconds(t);
        }
        ExchangeThread thread;
        auto* window =
            CDlgProgress::open(nullptr, u"正在导入测试成绩..."_s, CDlgProgress::Layout::Import);
        t.start();
        thread.start(std::make_unique<ImportValueThread>(machine, *window, handler, windowClasses,
                                                         NumberType::StudentNumber, false),
                     {window});
        while (thread.isRunning())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        const double s = seconds(t);
        delete window;
        return s;
    };
    const double windowS = behindWindow(true);
    const double noWindowS = behindWindow(false);

    std::printf("%d records on the instrument in %d classes; the import stores %d values "
                "(a height-and-weight record gives two)\n\n",
                records, int(onInstrument.size()), importedValues);
    std::printf("%-52s %8.0f records/s  %8.0f values/s\n", "import into the database",
                records / importS, importedValues / importS);
    std::printf("%-52s %8.0f records/s\n", "import, listed only (transport, no database)",
                records / listS);
    std::printf("%-52s %8.0f records/s\n", "library calls alone (read and decode)",
                records / linkS);
    std::printf("%-52s %8.0f calls/s\n", "text-form InsertValue alone (same calls, batched)",
                values.size() / storeS);
    std::printf("%-52s %8.0f records/s  (%d records)\n",
                "import into the database behind the progress window", windowRecords / windowS,
                windowRecords);
    std::printf("\n");
    bench::printRow("import into the database", importS * 1000, storeS * 1000, "InsertValue alone");
    bench::printRow("transport alone (listed, no database)", listS * 1000, storeS * 1000,
                    "InsertValue alone");
    bench::printRow("library calls alone", linkS * 1000, storeS * 1000, "InsertValue alone");
    bench::printRow("import behind the progress window", windowS * 1000, noWindowS * 1000,
                    "import, no window");
    std::printf("(transport alone / InsertValue alone at most 1 means the instrument link costs "
                "no more than the stores)\n");
    db.close();
    return 0;
}
