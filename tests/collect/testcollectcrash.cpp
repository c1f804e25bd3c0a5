// A station killed (SIGKILL) while a real TCP sender feeds it: the journal it leaves, imported
// afterwards, holds every record the sender had handed to its socket a second before the kill.
// The station is this test's own executable, run again as the main window collecting.

#include "CCard.h"
#include "CDB.h"
#include "CItemInfo.h"
#include "CSorvikDlg.h"
#include "CStudent.h"
#include "CValue.h"
#include "CollectFixture.h"
#include "CollectorProfile.h"
#include "CollectorRecord.h"
#include "Database.h"
#include "DatabaseSetting.h"
#include "ImportFileThread.h"
#include "MainWindowControls.h"
#include "MemoryProgressView.h"
#include "RecordingMessageService.h"
#include "SqlConnection.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

#include <cstdio>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

const char* const kStationMode = "SORVIK_TEST_STATION";

// The child: the main window on the configured database, collecting from a TCP port of the
// system's choosing, which it prints.
int runStation(int argc, char** argv)
{
    QApplication app(argc, argv);
    CSorvikDlg dlg;
    dlg.setDatabaseChooser([] { return false; });
    const testsupport::MainWindowControls ui(&dlg);
    ui.collector->setSettingsLoader([] {
        sorvik::collector::CollectorSettings s = collect::loadCollectorSettings();
        s.port = 0;
        return s;
    });
    dlg.OnInitDialog();
    dlg.show();
    ui.start->click();
    std::printf("%d\n", int(ui.collector->listeningPort()));
    std::fflush(stdout);
    return app.exec();
}

struct Sent {
    QByteArray stuNo;
    int item;
    int value;
    qint64 handedAtMs;
};

} // namespace

class TestCollectCrash : public QObject
{
    Q_OBJECT
private slots:
    void killedStationLosesNothingHandedOver();
};

void TestCollectCrash::killedStationLosesNothingHandedOver()
{
    CollectFixture fixture(800);
    QVERIFY(platform::writeDatabaseFileName(fixture.path()));
    // Pupil and item pairs the database has rows for, each sent once with a value of its own.
    QList<QPair<QByteArray, int>> pairs;
    {
        store::Database db(fixture.path());
        const store::ResultTable t = db.connection().query(QStringLiteral(
            "SELECT m.StuNo, o.Object_ID FROM STU_Main m JOIN STU_ObjectData o "
            "ON o.STU_ID = m.STU_ID WHERE o.Object_ID <> 6 ORDER BY m.STU_ID, o.Object_ID"));
        for (int r = 0; r < t.rowCount(); ++r)
            pairs.append({t.at(r, 0).toString().toLatin1(), t.at(r, 1).toInt()});
    }
    QVERIFY(pairs.size() > 1000);
    const QString untouched = QFileInfo(fixture.path()).dir().filePath(QStringLiteral("copy.mdb"));
    QVERIFY(QFile::copy(fixture.path(), untouched));

    QProcess station;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kStationMode), QStringLiteral("1"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    station.setProcessEnvironment(env);
    station.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    station.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(station.waitForStarted(30000));
    QTRY_VERIFY_WITH_TIMEOUT(station.canReadLine() || station.waitForReadyRead(100), 60000);
    const int port = station.readLine().trimmed().toInt();
    QVERIFY(port > 0);

    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(quint16(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QCOMPARE(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    // Every pair in three seconds, at an even pace (about 2,000 records a second); the station
    // is killed two thirds of the way through.
    QList<Sent> sent;
    QElapsedTimer clock;
    clock.start();
    qint64 killedAtMs = -1;
    for (int i = 0; i < pairs.size(); ++i) {
        while (clock.elapsed() < qint64(i) * 3000 / pairs.size())
            ::usleep(1000); // the sender's own pace
        const int value = 100 + i % 900;
        const QByteArray record = sorvik::collector::makeRecord(pairs[i].first, pairs[i].second,
                                                                QByteArray::number(value));
        if (::send(fd, record.constData(), size_t(record.size()), MSG_NOSIGNAL) != record.size())
            break;
        sent.append({pairs[i].first, pairs[i].second, value, clock.elapsed()});
        if (i == pairs.size() * 2 / 3) {
            station.kill();
            killedAtMs = clock.elapsed();
            break;
        }
    }
    ::close(fd);
    QVERIFY(killedAtMs > 1500);
    QVERIFY(station.waitForFinished(30000));
    QCOMPARE(station.exitStatus(), QProcess::CrashExit);

    const QDir journal(QDir(fixture.dataPath()).filePath(QStringLiteral("sorvik/journal")));
    const QStringList files = journal.entryList({QStringLiteral("*.bak")}, QDir::Files);
    QCOMPARE(files.size(), 1);

    // The journal into the database as it was before the station ran.
    CollectFixture::closeTheDB();
    QVERIFY(theDB.open(untouched));
    bDBOpen = true;
    platform::RecordingMessageService messages;
    {
        CItemInfo items(theDB);
        CStudent students(theDB);
        CValue values(theDB);
        CCard cards(theDB);
        MemoryProgressView view;
        ImportFileThread(journal.filePath(files.first()), view,
                         ResultHandler(theDB, items, students, values, cards),
                         NumberType::StudentNumber)
            .run();
        QVERIFY(view.rowCount() > 0);
    }
    // A kill in the middle of a long write may leave the last line cut short: it is said so.
    for (const QString& text : messages.texts())
        QCOMPARE(text, QStringLiteral("文件中有1行不是成绩记录, 没有导入."));
    store::Database db(untouched);
    int checked = 0;
    for (const Sent& s : std::as_const(sent)) {
        if (s.handedAtMs >= killedAtMs - 1000)
            break;
        const store::ResultTable t = db.connection().query(
            QStringLiteral("SELECT o.ObjectValue FROM STU_ObjectData o JOIN STU_Main m ON "
                           "m.STU_ID = o.STU_ID WHERE m.StuNo = ? AND o.Object_ID = ?"),
            {QString::fromLatin1(s.stuNo), s.item});
        QCOMPARE(t.rowCount(), 1);
        QCOMPARE(t.at(0, 0).toString(), QString::number(s.value));
        ++checked;
    }
    QVERIFY(checked > 1000);
    CollectFixture::closeTheDB();
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsSet(kStationMode))
        return runStation(argc, argv);
    QApplication app(argc, argv);
    TestCollectCrash test;
    return QTest::qExec(&test, argc, argv);
}

#include "testcollectcrash.moc"
