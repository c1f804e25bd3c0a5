// The name download against a real sorvik-instrument on a free loopback port: the worker on
// xlwt workbooks, then the dialog the synchronisation hub opens.

#include "CDlgDownStuName.h"
#include "CDlgSync.h"
#include "DownloadNameThread.h"
#include "GuiTestSupport.h"
#include "InstrumentExchange.h"
#include "MachineInterface.h"
#include "RecordingMessageService.h"
#include "TestSupport.h"
#include "instrumentprocess.h"
#include "transfersupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using testsupport::child;
using transfertest::gbk;

namespace
{

const QString kLibrary = QStringLiteral(SORVIK_BIN_DIR "/libqrvmachine.so");
const QString kForty = QStringLiteral(SORVIK_TEST_WORKBOOKS_DIR "/初一(3)班.xls");
constexpr int kSlow = 30000; // the instrument runs under the sanitizer build too

QString workbook(const QString& name)
{
    return QStringLiteral(SORVIK_TEST_WORKBOOKS_DIR "/") + name;
}

// Number and name of the pupils 2024001..2024000+n as the forty-row workbook holds them.
QList<QStringList> forty(int n)
{
    QList<QStringList> rows;
    for (int i = 1; i <= n; ++i)
        rows << QStringList{u"2024%1"_s.arg(i, 3, 10, QLatin1Char('0')), u"学生%1"_s.arg(i)};
    return rows;
}

} // namespace

class TestDownloadName : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void download_data();
    void download();
    void instrumentStoppedMidDownload();
    void throughTheHubsButton();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<InstrumentProcess> m_instrument;
    std::unique_ptr<InstrumentProcess> m_small; // room for 10 pupils
    std::unique_ptr<testsupport::IsolatedConfig> m_config;
    std::unique_ptr<platform::RecordingMessageService> m_messages;
};

void TestDownloadName::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_small = std::make_unique<InstrumentProcess>(m_dir.filePath(u"small.json"_s),
                                                  m_dir.filePath(u"small.txt"_s),
                                                  QStringList{u"--capacity-pupils"_s, u"10"_s});
    QVERIFY2(m_small->start(), m_small->log().constData());
    m_instrument = std::make_unique<InstrumentProcess>(m_dir.filePath(u"state.json"_s),
                                                       m_dir.filePath(u"log.txt"_s));
    QVERIFY2(m_instrument->start(), m_instrument->log().constData());
}

void TestDownloadName::init()
{
    m_config = std::make_unique<testsupport::IsolatedConfig>();
    m_instrument->pointLibraryHere();
    MachineInterface machine(kLibrary);
    QCOMPARE(machine.CMD0_Handshake(), 1);
    machine.CMD6_Format();
    machine.CMD10_Goodbye();
    m_messages = std::make_unique<platform::RecordingMessageService>();
}

void TestDownloadName::cleanup()
{
    m_instrument->resume();
    m_messages.reset();
    m_config.reset();
    QVERIFY(!InstrumentExchange::isBusy());
}

void TestDownloadName::download_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("instrument"); // 0 the roomy one, 1 the small one, 2 nobody answering
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QStringList>("commands"); // served since the last handshake
    QTest::addColumn<int>("announced");        // -1: no class on the instrument
    QTest::addColumn<QList<QStringList>>("pupils");

    QStringList sent30{u"HELLO -> 1"_s, u"WRITE-CLASS -> 1"_s};
    for (int i = 0; i < 30; ++i)
        sent30 << u"WRITE-PUPIL -> 1"_s;
    sent30 << u"GOODBYE -> 1"_s;
    QTest::newRow("40 rows, row 31 without a number")
        << kForty << 0 << QStringList{u"总共下载学生:30"_s} << sent30 << 40 << forty(30);
    QTest::newRow("numbers too long, characters GBK lacks")
        << workbook(u"names_unsendable.xls"_s) << 0
        << QStringList{u"总共下载学生:2"_s, u"共2名学生没有下载到仪器:\n"
                                            u"names_unsendable: 1名, 编号超过仪器的20字节\n"
                                            u"names_unsendable: 1名, 姓名含有GBK无法表示的字符"_s}
        << QStringList{u"HELLO -> 1"_s, u"WRITE-CLASS -> 1"_s, u"WRITE-PUPIL -> 1"_s,
                       u"WRITE-PUPIL -> 1"_s, u"GOODBYE -> 1"_s}
        << 4 << QList<QStringList>{{u"A001"_s, u"王小明"_s}, {u"A004"_s, u"李小红"_s}};
    QTest::newRow("one column: numbers without names")
        << workbook(u"names_one_column.xls"_s) << 0 << QStringList{u"总共下载学生:2"_s}
        << QStringList{u"HELLO -> 1"_s, u"WRITE-CLASS -> 1"_s, u"WRITE-PUPIL -> 1"_s,
                       u"WRITE-PUPIL -> 1"_s, u"GOODBYE -> 1"_s}
        << 2 << QList<QStringList>{{u"B001"_s, QString()}, {u"B002"_s, QString()}};
    QTest::newRow("instrument full")
        << kForty << 1 << QStringList{u"仪器没有足够的空间!"_s}
        << QStringList{u"HELLO -> 1"_s, u"WRITE-CLASS -> 3"_s, u"GOODBYE -> 1"_s} << -1
        << QList<QStringList>{};
    QTest::newRow("handshake failure") << kForty << 2 << QStringList{u"握手失败!"_s}
                                       << QStringList{} << -1 << QList<QStringList>{};
    QTest::newRow("not a workbook")
        << workbook(u"not_a_workbook.xls"_s) << 0
        << QStringList{u"在Excel::Open(CString\tstrFile)处发生异常:"_s, u"没有要下载的内容."_s}
        << QStringList{} << -1 << QList<QStringList>{};
}

void TestDownloadName::download()
{
    QFETCH(QString, path);
    QFETCH(int, instrument);
    QFETCH(QStringList, shown);
    QFETCH(QStringList, commands);
    QFETCH(int, announced);
    QFETCH(QList<QStringList>, pupils);
    const testsupport::RefusingPort refusing;
    InstrumentProcess* used = instrument == 1 ? m_small.get() : m_instrument.get();
    if (instrument == 1)
        m_small->pointLibraryHere();
    if (instrument == 2)
        qputenv("SORVIK_INSTRUMENT_PORT", QByteArray::number(refusing.port()));
    const QStringList servedBefore = transfertest::requestsServed(used->log());

    platform::MemoryListView list;
    DownloadNameThread(std::make_shared<MachineInterface>(kLibrary), list, path).run();

    QStringList texts = m_messages->texts();
    for (QString& t : texts)
        t = t.left(t.indexOf(u"\r\n"_s)); // a data-access report without its description
    QCOMPARE(texts, shown);
    for (const auto& s : m_messages->shown())
        QVERIFY(s.caption == platform::applicationTitle() && s.icon == platform::Icon::Warning);
    if (commands.isEmpty())
        QCOMPARE(transfertest::requestsServed(used->log()), servedBefore);
    else
        QCOMPARE(transfertest::commandsSinceLastHello(used->log()), commands);

    const QString className = DownloadNameThread::className(path);
    QList<QStringList> rows;
    QList<QPair<QByteArray, QByteArray>> kept;
    for (const QStringList& p : pupils) {
        rows << p + QStringList{className};
        kept.append({gbk(p.at(0)), gbk(p.at(1))});
    }
    QList<QStringList> got;
    for (int r = 0; r < list.rowCount(); ++r)
        got << list.row(r);
    QCOMPARE(got, rows);
    const QList<transfertest::InstrumentClass> classes = transfertest::readState(
        m_dir.filePath(instrument == 1 ? u"small.json"_s : u"state.json"_s));
    QCOMPARE(classes.size(), announced < 0 ? 0 : 1);
    if (announced >= 0) {
        QCOMPARE(classes.at(0).name, gbk(className));
        QCOMPARE(classes.at(0).announced, announced);
        QCOMPARE(classes.at(0).pupils, kept);
    }
}

void TestDownloadName::instrumentStoppedMidDownload()
{
    // Stopped once it has stored the 5th pupil: the 6th waits for an answer in vain, and it and
    // the 24 after it up to the empty number are not listed as sent.
    platform::MemoryListView list;
    list.setOnInsert([this](int row) {
        if (row == 4)
            m_instrument->pause();
    });
    DownloadNameThread(std::make_shared<MachineInterface>(kLibrary), list, kForty).run();
    QCOMPARE(
        m_messages->texts(),
        (QStringList{u"总共下载学生:5"_s,
                     u"共25名学生没有下载到仪器:\n初一(3)班: 25名, 仪器没有应答或没有保存"_s}));
    QCOMPARE(list.rowCount(), 5);
    m_instrument->resume();
    QTRY_VERIFY_WITH_TIMEOUT(m_instrument->log().contains("not carried out"), kSlow);
    QCOMPARE(transfertest::readState(m_dir.filePath(u"state.json"_s)).value(0).pupils.size(), 5);
}

void TestDownloadName::throughTheHubsButton()
{
    QString refused;
    bool busyWhileSending = false;
    bool freeAfter = false;
    QList<QStringList> rows;
    QString counted;
    testsupport::whenModalShown<CDlgDownStuName>([&](CDlgDownStuName* dlg) {
        auto* path = child<QLineEdit>(dlg, CDlgDownStuName::IdPath);
        auto* start = child<QPushButton>(dlg, CDlgDownStuName::IdStart);
        auto* back = child<QPushButton>(dlg, CDlgDownStuName::IdReturn);
        path->setText(workbook(u"UPPER.XLS"_s));
        start->click();
        refused = m_messages->shown().value(0).caption + u" | "_s + m_messages->texts().join(u'|');
        m_messages->clear();
        path->setText(kForty);
        start->click();
        busyWhileSending = !start->isEnabled() && !back->isEnabled() && dlg->isDownloading();
        dlg->reject(); // not while the worker runs
        busyWhileSending = busyWhileSending && dlg->isVisible();
        freeAfter = QTest::qWaitFor([&] { return start->isEnabled() && back->isEnabled(); }, kSlow);
        rows = testsupport::rowsOf(dlg->list(), 3);
        counted = child<QLabel>(dlg, CDlgDownStuName::IdCount)->text();
        back->click();
    });
    CDlgSync hub;
    child<QPushButton>(&hub, CDlgSync::IdDownloadName)->click();

    QCOMPARE(refused, u"从Excel下载学生姓名到仪器 | 所选文件不是Excel文件"_s);
    QVERIFY(busyWhileSending);
    QVERIFY(freeAfter);
    QCOMPARE(m_messages->texts(), QStringList{u"总共下载学生:30"_s});
    QCOMPARE(rows.size(), 30);
    QCOMPARE(rows.first(), (QStringList{u"2024001"_s, u"学生1"_s, u"初一(3)班"_s}));
    QCOMPARE(counted, u"30"_s);
    QVERIFY(QApplication::activeModalWidget() == nullptr);
}

QTEST_MAIN(TestDownloadName)
#include "testdownloadname.moc"
