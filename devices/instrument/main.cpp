// sorvik-instrument: a virtual fitness-test instrument for trying and testing the station.
//
//   serve:     sorvik-instrument --port N --state FILE [--capacity-classes C]
//                                [--capacity-pupils P] [--print-port] [--test-every S]
//   simulate:  sorvik-instrument --state FILE --simulate N [--seed S]
//   record:    sorvik-instrument --state FILE --record --class I --number NUM --item ITEM
//                                --value V [--value2 W] [--time yyyy-MM-ddTHH:mm]
//   dump:      sorvik-instrument --state FILE --dump
//
// Simulate and record change the state files and exit; run them while no server uses them.
// Dump only reads them, so it may run beside a server.

#include "InstrumentServer.h"
#include "PersistentState.h"
#include "Simulator.h"
#include "StateJson.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QRandomGenerator>
#include <QStringEncoder>

#include <cstdio>

using namespace sorvik;
using namespace sorvik::instrument;
using namespace Qt::StringLiterals;

namespace
{

int fail(const QString& message)
{
    std::fprintf(stderr, "sorvik-instrument: %s\n", message.toLocal8Bit().constData());
    return 1;
}

bool toInt(const QString& text, int min, int max, int* out)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < min || v > max)
        return false;
    *out = v;
    return true;
}

QByteArray toGbk(const QString& text)
{
    QStringEncoder gbk("GBK");
    if (!gbk.isValid())
        return text.toLocal8Bit();
    return gbk.encode(text);
}

// Saves the changes and folds them into a new snapshot.
int saveAll(PersistentState& state, const QList<StateChange>& changes)
{
    QString error;
    if (!state.open(&error))
        return fail(error);
    for (const StateChange& change : changes) {
        if (!state.commit(change, &error))
            return fail(error);
    }
    if (!state.compact(&error))
        return fail(error);
    return 0;
}

int recordOne(PersistentState& state, const QCommandLineParser& args)
{
    int classIndex = 0;
    if (!toInt(args.value(u"class"_s), 0, 0xFFFF, &classIndex))
        return fail(u"--class needs a class index"_s);
    wire::Record r;
    r.number = toGbk(args.value(u"number"_s)).toStdString();
    const QString item = args.value(u"item"_s);
    int itemCode = 0;
    if (item == u"e"_s)
        r.item = wire::DoubleItem;
    else if (toInt(item, 1, 255, &itemCode))
        r.item = std::uint8_t(itemCode);
    else
        return fail(u"--item needs an item number 1..255 or e"_s);
    r.value = args.value(u"value"_s).toStdString();
    r.value2 = args.value(u"value2"_s).toStdString();
    if (!r.isDouble()) {
        // Wall-clock fields as given, no time zone involved.
        QDateTime when = QDateTime::currentDateTime();
        if (args.isSet(u"time"_s)) {
            const QStringList parts = args.value(u"time"_s).split(u'T');
            when = QDateTime(QDate::fromString(parts.value(0), u"yyyy-MM-dd"_s),
                             QTime::fromString(parts.value(1), u"HH:mm"_s), Qt::UTC);
        }
        if (!when.isValid())
            return fail(u"--time needs yyyy-MM-ddTHH:mm"_s);
        r.year = when.date().year();
        r.month = when.date().month();
        r.day = when.date().day();
        r.hour = when.time().hour();
        r.minute = when.time().minute();
    }
    QString error;
    StateChange change;
    if (!state.state().planRecord(classIndex, r, change, &error))
        return fail(error);
    return saveAll(state, {change});
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"sorvik-instrument"_s);
    QCoreApplication::setApplicationVersion(QStringLiteral(SORVIK_VERSION));

    QCommandLineParser args;
    args.setApplicationDescription(u"Virtual fitness-test instrument for the Sorvik station."_s);
    args.addHelpOption();
    args.addVersionOption();
    args.addOptions({
        {u"port"_s, u"TCP port on 127.0.0.1 (0 picks a free one)."_s, u"N"_s, u"7730"_s},
        {u"state"_s, u"JSON file holding the instrument's memory."_s, u"FILE"_s},
        {u"capacity-classes"_s, u"Most classes the instrument holds."_s, u"C"_s, u"64"_s},
        {u"capacity-pupils"_s, u"Most pupils the instrument holds."_s, u"P"_s, u"2000"_s},
        {u"print-port"_s, u"Print the listening port as the first line on stdout."_s},
        {u"simulate"_s, u"Add N simulated results and exit."_s, u"N"_s},
        {u"test-every"_s, u"While serving, record a simulated result every S seconds."_s, u"S"_s},
        {u"seed"_s, u"Seed for --simulate."_s, u"S"_s},
        {u"record"_s, u"Add one result (--class, --number, --item, --value ...) and exit."_s},
        {u"class"_s, u"Class index for --record."_s, u"I"_s},
        {u"number"_s, u"Pupil number for --record."_s, u"NUM"_s},
        {u"item"_s, u"Item number for --record, or e for height and weight."_s, u"ITEM"_s},
        {u"value"_s, u"Value text for --record (height for e)."_s, u"V"_s},
        {u"value2"_s, u"Weight for --record with item e."_s, u"W"_s},
        {u"time"_s, u"When the result was taken, yyyy-MM-ddTHH:mm (default now)."_s, u"T"_s},
        {u"dump"_s, u"Print everything the instrument holds as one JSON snapshot and exit."_s},
    });
    args.process(app);

    if (!args.isSet(u"state"_s))
        return fail(u"--state FILE is required"_s);
    int classCapacity = 0;
    int pupilCapacity = 0;
    if (!toInt(args.value(u"capacity-classes"_s), 0, 0xFFFF, &classCapacity) ||
        !toInt(args.value(u"capacity-pupils"_s), 0, 0xFFFF, &pupilCapacity))
        return fail(u"capacities must be whole numbers 0..65535"_s);

    PersistentState state(args.value(u"state"_s), classCapacity, pupilCapacity);
    QString error;
    if (!state.load(&error))
        return fail(error);

    if (args.isSet(u"simulate"_s)) {
        int count = 0;
        if (!toInt(args.value(u"simulate"_s), 0, 1000000, &count))
            return fail(u"--simulate needs a number of results"_s);
        bool seeded = false;
        const quint32 seed = args.isSet(u"seed"_s) ? args.value(u"seed"_s).toUInt(&seeded)
                                                   : QRandomGenerator::global()->generate();
        if (args.isSet(u"seed"_s) && !seeded)
            return fail(u"--seed needs a number"_s);
        QList<StateChange> changes;
        if (!simulateResults(state.state(), count, seed, QDate::currentDate(), changes, &error))
            return fail(error);
        return saveAll(state, changes);
    }
    if (args.isSet(u"record"_s))
        return recordOne(state, args);
    if (args.isSet(u"dump"_s)) {
        const QByteArray snapshot = json::snapshot(state.state(), state.generation());
        return std::fwrite(snapshot.constData(), 1, size_t(snapshot.size()), stdout) ==
                           size_t(snapshot.size()) &&
                       std::fflush(stdout) == 0
                   ? 0
                   : 1;
    }

    int port = 0;
    if (!toInt(args.value(u"port"_s), 0, 65535, &port))
        return fail(u"--port needs 0..65535"_s);
    // An instrument that cannot save still answers; what it cannot save, it does not store.
    if (!state.open(&error))
        std::fprintf(stderr, "sorvik-instrument: cannot save changes for now: %s\n",
                     error.toLocal8Bit().constData());
    InstrumentServer server(state);
    if (args.isSet(u"test-every"_s)) {
        int seconds = 0;
        if (!toInt(args.value(u"test-every"_s), 1, 3600, &seconds))
            return fail(u"--test-every needs 1..3600 seconds"_s);
        server.testPupilsEvery(seconds * 1000);
    }
    if (!server.listen(quint16(port), &error))
        return fail(u"cannot listen on port %1: %2"_s.arg(port).arg(error));
    if (args.isSet(u"print-port"_s)) {
        std::printf("%u\n", unsigned(server.port()));
        std::fflush(stdout);
    }
    std::fprintf(stderr, "sorvik-instrument: listening on 127.0.0.1:%u, %d classes, %d pupils\n",
                 unsigned(server.port()), state.state().classCount(), state.state().pupilCount());
    return app.exec();
}
