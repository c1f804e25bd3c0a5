// A station process for the tests, without a display: opens the database a connection file
// names, builds the stores and the tick handler as the main window does and feeds the records of
// a file in ticks, importing pupils meanwhile in runs as the student import does.
//
//   serverstation CONNECTION.mdb RECORDS TICKS PREFIX COUNT RUN
//
// Prints "ready" once the database is open and starts when a line comes on standard input, so
// that two stations start together. After each tick it imports RUN of the COUNT pupils PREFIX0000,
// PREFIX0001, ... in one batch. Then it ticks until no record waits for the database and prints
// "handled H stored S imported I waiting W boxes B"; exits 0 only when every record was stored,
// every pupil imported and no box shown.

#include "Batch.h"
#include "CCard.h"
#include "CDB.h"
#include "CItemInfo.h"
#include "CStudent.h"
#include "CValue.h"
#include "CollectTick.h"
#include "ListView.h"
#include "RecordingMessageService.h"

#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <cstdio>

namespace
{
constexpr int kRecordBytes = 27;
constexpr int kTickMs = 100;
constexpr int kDrainMs = 60000;
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 7) {
        std::fprintf(stderr,
                     "usage: serverstation CONNECTION.mdb RECORDS TICKS PREFIX COUNT RUN\n");
        return 2;
    }
    QFile recordsFile(args.at(2));
    if (!recordsFile.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "serverstation: cannot read %s\n", qPrintable(args.at(2)));
        return 2;
    }
    const QByteArray records = recordsFile.readAll();
    const int ticks = qMax(1, args.at(3).toInt());
    const QString prefix = args.at(4);
    const int count = args.at(5).toInt();
    const int run = qMax(1, args.at(6).toInt());
    const int total = int(records.size() / kRecordBytes);
    const int perTick = (total + ticks - 1) / ticks;

    platform::RecordingMessageService boxes;
    CDB db;
    if (!db.open(args.at(1))) {
        std::fprintf(stderr, "serverstation: cannot open %s\n", qPrintable(args.at(1)));
        return 3;
    }
    CStudent student(db);
    CValue value(db);
    CItemInfo item(db);
    CCard card(db);
    platform::MemoryListView list;
    CollectTick tick(list, [] { return true; });
    tick.setStores(db, {&student, &value, &item, &card});

    std::printf("ready\n");
    std::fflush(stdout);
    char go[16];
    if (!std::fgets(go, sizeof go, stdin))
        return 4;

    int handled = 0;
    int imported = 0;
    int next = 0; // the next pupil to import
    int busyTicks = 0;
    auto importRun = [&] {
        // Queued writes, as the student import's runs have.
        store::Batch batch(db, store::Batch::Options{-1, true, true});
        int inserted = 0;
        for (int k = 0; k < run && next < count; ++k, ++next)
            inserted +=
                student.InsertStu(QStringLiteral("测试"), 11, 90, QStringLiteral("一(90)班"),
                                  next % 2 ? QStringLiteral("女") : QStringLiteral("男"),
                                  QDate(2015, 1 + next % 12, 1), 1,
                                  prefix + QStringLiteral("%1").arg(next, 4, 10, QLatin1Char('0')),
                                  QString(), QString()) == 1;
        if (batch.commit())
            imported += inserted;
    };
    for (int t = 0; t < ticks; ++t) {
        const QByteArray feed =
            records.mid(qsizetype(t) * perTick * kRecordBytes, qsizetype(perTick) * kRecordBytes);
        const int n = tick.OnTimer([&] { return feed; }, true);
        handled += n;
        busyTicks += n == 0 && tick.waitingRecords() > 0;
        if (next < count)
            importRun();
        QThread::msleep(kTickMs);
    }
    while (next < count)
        importRun();
    QElapsedTimer drain;
    drain.start();
    while (tick.waitingRecords() > 0 && drain.elapsed() < kDrainMs) {
        QThread::msleep(kTickMs);
        handled += tick.OnTimer([] { return QByteArray(); }, true);
    }

    // A row of the list is a record shown: its pupil found and its value stored, or marked.
    int stored = 0;
    for (int r = 0; r < list.rowCount(); ++r)
        stored += list.cell(r, 1) != QStringLiteral("没有此学生") &&
                  !list.cell(r, 2).endsWith(QStringLiteral("未设置"));
    for (const QString& text : boxes.texts())
        std::fprintf(stderr, "serverstation: box: %s\n", qUtf8Printable(text));
    std::fprintf(stderr, "serverstation: %d ticks found the database busy\n", busyTicks);
    std::printf("handled %d stored %d imported %d waiting %d boxes %d\n", handled, stored, imported,
                tick.waitingRecords(), boxes.count());
    std::fflush(stdout);
    const bool whole = handled == total && stored == total && imported == count &&
                       tick.waitingRecords() == 0 && boxes.count() == 0;
    return whole ? 0 : 1;
}
