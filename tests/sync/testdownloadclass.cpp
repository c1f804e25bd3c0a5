// The class download against a real sorvik-instrument on a free loopback port: the worker on its
// own, then the dialog that starts it, then the hub's button that opens the dialog.

#include "CDB.h"
#include "CDlgProgress.h"
#include "CDlgSelectDownClass.h"
#include "CDlgSync.h"
#include "DialogUnits.h"
#include "DownloadClassThread.h"
#include "Gbk.h"
#include "GuiTestSupport.h"
#include "InstrumentExchange.h"
#include "MachineInterface.h"
#include "MemoryProgressView.h"
#include "RecordingMessageService.h"
#include "ReportList.h"
#include "StoreTestSupport.h"
#include "instrumentprocess.h"
#include "transfersupport.h"

#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using platform::RecordingMessageService;
using testsupport::child;
using testsupport::headers;
using testsupport::rowsOf;
using transfertest::gbk;
using transfertest::InstrumentClass;
using transfertest::Pupil;
using transfertest::rowsOf;

Q_DECLARE_METATYPE(NumberType)

namespace
{

using Dlg = CDlgSelectDownClass;

const QString kLibrary = QStringLiteral(SORVIK_BIN_DIR "/libqrvmachine.so");
constexpr int kSlow = 30000; // generous: the instrument runs under the sanitizer build too

const QString kFirst = u"高一(1)班"_s;
const QString kSecond = u"高一(2)班"_s;

} // namespace

class TestDownloadClass : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    // The worker
    void twoClasses_data();
    void twoClasses();
    void pupilWithoutCardEndsItsClass();
    void classWithoutPupilsIsSkippedAfterF1();
    void numbersAndNamesAreTrimmedAndClassNamesCut();
    void pupilsTheInstrumentCannotTakeAreNotSent();
    void instrumentStoppedMidDownload();
    void instrumentFull();
    void handshakeFailure();
    void noClassChosen();

    // The dialog
    void dialogLayout();
    void opensWithDatabaseClassesAndInstrumentCounts();
    void chooseClassesAndTotals();
    void nothingChosenStartsNothing();
    void downloadThroughTheDialog();
    void anotherExchangeKeepsTheInstrumentUntouched();
    void dialogCannotCloseOrStartAgainWhileItsWorkerRuns();
    void dialogGoingAwayWaitsForItsWorker();

    // The hub
    void hubOpensTheClassDownload();

private:
    void formatInstrument();
    std::unique_ptr<DownloadClassThread> worker(MemoryProgressView& view,
                                                const QList<ChosenClass>& classes,
                                                NumberType type = NumberType::StudentNumber);
    // 30 pupils in kFirst (2024001...), 20 in kSecond (2025001...).
    void addTwoClasses();
    QList<InstrumentClass> onInstrument() const;

    QTemporaryDir m_dir;
    std::unique_ptr<InstrumentProcess> m_instrument;
    std::unique_ptr<testsupport::IsolatedConfig> m_config;
    storetest::FreshDatabase m_fresh;
    std::unique_ptr<RecordingMessageService> m_messages;
    std::unique_ptr<CStudent> m_students;
    std::unique_ptr<CCard> m_cards;
};

void TestDownloadClass::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_instrument = std::make_unique<InstrumentProcess>(m_dir.filePath(u"state.json"_s),
                                                       m_dir.filePath(u"log.txt"_s));
    QVERIFY2(m_instrument->start(), m_instrument->log().constData());
}

void TestDownloadClass::init()
{
    m_config = std::make_unique<testsupport::IsolatedConfig>();
    m_messages = std::make_unique<RecordingMessageService>();
    QVERIFY(m_fresh.make());
    theDB = m_fresh.db();
    bDBOpen = true;
    m_instrument->pointLibraryHere();
    formatInstrument();
}

void TestDownloadClass::cleanup()
{
    m_instrument->resume();
    m_cards.reset();
    m_students.reset();
    bDBOpen = false;
    theDB = CDB();
    m_fresh.close();
    m_messages.reset();
    m_config.reset();
    QVERIFY(!InstrumentExchange::isBusy());
}

void TestDownloadClass::cleanupTestCase()
{
    m_instrument.reset();
}

void TestDownloadClass::formatInstrument()
{
    MachineInterface machine(kLibrary);
    QCOMPARE(machine.CMD0_Handshake(), 1);
    machine.CMD6_Format();
    machine.CMD10_Goodbye();
    QVERIFY(onInstrument().isEmpty());
}

std::unique_ptr<DownloadClassThread> TestDownloadClass::worker(MemoryProgressView& view,
                                                               const QList<ChosenClass>& classes,
                                                               NumberType type)
{
    // As the dialog does: stores built once the pupils are in.
    m_students = std::make_unique<CStudent>(m_fresh.db());
    m_cards = std::make_unique<CCard>(m_fresh.db());
    return std::make_unique<DownloadClassThread>(std::make_shared<MachineInterface>(kLibrary), view,
                                                 *m_students, *m_cards, classes, type);
}

void TestDownloadClass::addTwoClasses()
{
    QCOMPARE(
        transfertest::addClass(m_fresh.db(), 1, kFirst, transfertest::numberedPupils(u"2024"_s, 30))
            .size(),
        30);
    QCOMPARE(transfertest::addClass(m_fresh.db(), 2, kSecond,
                                    transfertest::numberedPupils(u"2025"_s, 20))
                 .size(),
             20);
}

QList<InstrumentClass> TestDownloadClass::onInstrument() const
{
    return transfertest::readState(m_dir.filePath(u"state.json"_s));
}

void TestDownloadClass::twoClasses_data()
{
    QTest::addColumn<NumberType>("type");
    QTest::addColumn<QString>("prefix");
    QTest::newRow("student numbers") << NumberType::StudentNumber << QString();
    QTest::newRow("card numbers") << NumberType::CardNumber << u"C"_s;
}

void TestDownloadClass::twoClasses()
{
    QFETCH(NumberType, type);
    QFETCH(QString, prefix);
    addTwoClasses();
    MemoryProgressView view;
    worker(view, {{u"0"_s, kFirst, 30}, {u"1"_s, kSecond, 20}}, type)->run();

    QCOMPARE(m_messages->count(), 0);
    QVERIFY(view.finished());
    QCOMPARE(view.maximum(), 50);
    QCOMPARE(view.position(), 50);
    // Newest on top: row 0 is the 50th pupil, the last of the second class.
    const QList<QStringList> rows = rowsOf(view);
    QCOMPARE(rows.size(), 50);
    for (int i = 0; i < 50; ++i) {
        const int sent = 50 - i; // 1-based, in sending order
        const QString number = sent <= 30 ? u"2024%1"_s.arg(sent, 3, 10, QLatin1Char('0'))
                                          : u"2025%1"_s.arg(sent - 30, 3, 10, QLatin1Char('0'));
        QCOMPARE(rows.at(i),
                 (QStringList{QString::number(sent), prefix + number, u"学生"_s + number.right(4),
                              sent <= 30 ? kFirst : kSecond}));
    }

    const QList<InstrumentClass> classes = onInstrument();
    QCOMPARE(classes.size(), 2);
    QCOMPARE(classes.at(0).name, gbk(kFirst));
    QCOMPARE(classes.at(1).name, gbk(kSecond));
    QCOMPARE(classes.at(0).announced, 30);
    QCOMPARE(classes.at(1).announced, 20);
    QCOMPARE(classes.at(0).pupils.size(), 30);
    QCOMPARE(classes.at(1).pupils.size(), 20);
    QCOMPARE(classes.at(0).pupils.first(),
             qMakePair(gbk(prefix + u"2024001"_s), gbk(u"学生4001"_s)));
    QCOMPARE(classes.at(1).pupils.last(),
             qMakePair(gbk(prefix + u"2025020"_s), gbk(u"学生5020"_s)));

    // One exchange: handshake, per class f1 then the class, its pupils, goodbye.
    QStringList expected;
    expected << u"HELLO -> 1"_s;
    for (int n : {30, 20}) {
        expected << u"MODE -> 1"_s << u"WRITE-CLASS -> 1"_s;
        for (int i = 0; i < n; ++i)
            expected << u"WRITE-PUPIL -> 1"_s;
    }
    expected << u"GOODBYE -> 1"_s;
    QCOMPARE(transfertest::commandsSinceLastHello(m_instrument->log()), expected);
    // f1 is always f1(1, 3).
    QStringList served = transfertest::requestsServed(m_instrument->log());
    served = served.mid(served.lastIndexOf(QRegularExpression(u".* HELLO -> 1"_s)));
    QCOMPARE(served.filter(u" MODE "_s).size(), 2);
    QCOMPARE(served.filter(u" MODE (1,3) -> 1"_s).size(), 2);
}

void TestDownloadClass::pupilWithoutCardEndsItsClass()
{
    QList<Pupil> pupils = transfertest::numberedPupils(u"2024"_s, 5);
    pupils[2].card.clear();
    QCOMPARE(transfertest::addClass(m_fresh.db(), 1, kFirst, pupils).size(), 5);
    QCOMPARE(
        transfertest::addClass(m_fresh.db(), 2, kSecond, transfertest::numberedPupils(u"2025"_s, 2))
            .size(),
        2);
    MemoryProgressView view;
    worker(view, {{u"0"_s, kFirst, 5}, {u"1"_s, kSecond, 2}}, NumberType::CardNumber)->run();

    // The class was announced whole, but only the pupils before the one without a card went;
    // the next class goes all the same.
    const QList<InstrumentClass> classes = onInstrument();
    QCOMPARE(classes.size(), 2);
    QCOMPARE(classes.at(0).announced, 5);
    QCOMPARE(classes.at(0).pupils.size(), 2);
    QCOMPARE(classes.at(0).pupils.at(1).first, QByteArray("C2024002"));
    QCOMPARE(classes.at(1).pupils.size(), 2);
    QCOMPARE(view.rowCount(), 4);
    QCOMPARE(view.row(0).at(1), u"C2025002"_s);
    QCOMPARE(view.row(2), (QStringList{u"2"_s, u"C2024002"_s, u"学生4002"_s, kFirst}));
    QCOMPARE(view.maximum(), 7);
    QCOMPARE(view.position(), 4);
    QVERIFY(view.finished());
    QCOMPARE(m_messages->count(), 0);
}

void TestDownloadClass::classWithoutPupilsIsSkippedAfterF1()
{
    QCOMPARE(
        transfertest::addClass(m_fresh.db(), 1, kFirst, transfertest::numberedPupils(u"2024"_s, 2))
            .size(),
        2);
    MemoryProgressView view;
    // The chosen list still names a class whose pupils have gone since.
    worker(view, {{u"0"_s, u"无此班"_s, 4}, {u"1"_s, kFirst, 2}})->run();

    QCOMPARE(transfertest::commandsSinceLastHello(m_instrument->log()),
             (QStringList{u"HELLO -> 1"_s, u"MODE -> 1"_s, u"MODE -> 1"_s, u"WRITE-CLASS -> 1"_s,
                          u"WRITE-PUPIL -> 1"_s, u"WRITE-PUPIL -> 1"_s, u"GOODBYE -> 1"_s}));
    QCOMPARE(onInstrument().size(), 1);
    QCOMPARE(view.rowCount(), 2);
    QCOMPARE(view.maximum(), 6);
    QCOMPARE(m_messages->count(), 0);
}

void TestDownloadClass::numbersAndNamesAreTrimmedAndClassNamesCut()
{
    // 8 characters of 2 bytes, then one more: the instrument holds 16 bytes, never half a one.
    const QString longName = u"二〇二四级高中一(1)班"_s;
    QVERIFY(gbk(longName).size() > 16);
    const QList<Pupil> pupils = {{u"  2024901 "_s, u" 赵六\t"_s, u" C901 "_s}};
    QCOMPARE(transfertest::addClass(m_fresh.db(), 1, longName, pupils).size(), 1);

    for (NumberType type : {NumberType::StudentNumber, NumberType::CardNumber}) {
        formatInstrument();
        MemoryProgressView view;
        worker(view, {{u"0"_s, longName, 1}}, type)->run();
        const QString number = type == NumberType::StudentNumber ? u"2024901"_s : u"C901"_s;
        QCOMPARE(view.rowCount(), 1);
        QCOMPARE(view.row(0), (QStringList{u"1"_s, number, u"赵六"_s, longName}));
        const QList<InstrumentClass> classes = onInstrument();
        QCOMPARE(classes.size(), 1);
        QCOMPARE(classes.at(0).name, platform::toGbkCut(longName, 16));
        QCOMPARE(classes.at(0).name, gbk(u"二〇二四级高中一"_s));
        QCOMPARE(classes.at(0).pupils.at(0), qMakePair(gbk(number), gbk(u"赵六"_s)));
    }
}

void TestDownloadClass::pupilsTheInstrumentCannotTakeAreNotSent()
{
    // U+20000 is beyond GBK (sent as '?', a number would never find its pupil again); a result
    // record carries 20 bytes of number.
    const QString beyond = QString::fromUcs4(U"\U00020000");
    const QList<Pupil> pupils = {{u"2024001"_s, u"甲"_s, {}},
                                 {u"2024"_s + beyond, u"乙"_s, {}},
                                 {u"123456789012345678901"_s, u"丙"_s, {}},
                                 {u"12345678901234567890"_s, u"丁"_s, {}},
                                 {u"2024005"_s, u"戊"_s + beyond, {}},
                                 {u" "_s, u"己"_s, {}}};
    QCOMPARE(transfertest::addClass(m_fresh.db(), 1, kFirst, pupils).size(), 6);
    MemoryProgressView view;
    worker(view, {{u"0"_s, kFirst, 6}})->run();
    QCOMPARE(m_messages->texts(), QStringList{u"共4名学生没有下载到仪器:\n"
                                              u"高一(1)班: 1名, 编号含有GBK无法表示的字符\n"
                                              u"高一(1)班: 1名, 编号超过仪器的20字节\n"
                                              u"高一(1)班: 1名, 姓名含有GBK无法表示的字符\n"
                                              u"高一(1)班: 1名, 编号为空"_s});
    // The class went on after each; the rows are what the instrument holds.
    QCOMPARE(onInstrument().at(0).pupils,
             (QList<QPair<QByteArray, QByteArray>>{{"2024001", gbk(u"甲"_s)},
                                                   {"12345678901234567890", gbk(u"丁"_s)}}));
    QCOMPARE(rowsOf(view), (QList<QStringList>{{u"2"_s, u"12345678901234567890"_s, u"丁"_s, kFirst},
                                               {u"1"_s, u"2024001"_s, u"甲"_s, kFirst}}));
}

void TestDownloadClass::instrumentStoppedMidDownload()
{
    addTwoClasses();
    MemoryProgressView view;
    // Stopped once it has answered for the 12th pupil: the 13th waits for an answer in vain.
    view.setOnRow([this](int row) {
        if (row == 12)
            m_instrument->pause();
    });
    worker(view, {{u"0"_s, kFirst, 30}, {u"1"_s, kSecond, 20}})->run();

    QCOMPARE(view.position(), 12);
    QCOMPARE(m_messages->texts(), QStringList{u"共38名学生没有下载到仪器:\n"
                                              u"高一(1)班: 18名, 仪器没有应答或没有保存\n"
                                              u"高一(2)班: 20名, 仪器没有应答或没有保存"_s});
    QList<QPair<QByteArray, QByteArray>> listed;
    for (int r = view.rowCount() - 1; r >= 0; --r)
        listed.append({gbk(view.row(r).at(1)), gbk(view.row(r).at(2))});
    // Read while it is stopped, and once it has gone on: the request the station gave up on is
    // not carried out behind its back.
    for (bool resumed : {false, true}) {
        if (resumed) {
            m_instrument->resume();
            QTRY_VERIFY_WITH_TIMEOUT(m_instrument->log().contains("not carried out"), kSlow);
        }
        QCOMPARE(onInstrument().size(), 1);
        QCOMPARE(onInstrument().at(0).pupils, listed);
    }
}

void TestDownloadClass::instrumentFull()
{
    // Room for 40 pupils: the first class fits, the second does not.
    InstrumentProcess small(m_dir.filePath(u"small.json"_s), m_dir.filePath(u"small.txt"_s),
                            {u"--capacity-pupils"_s, u"40"_s});
    QVERIFY2(small.start(), small.log().constData());
    addTwoClasses();
    QCOMPARE(transfertest::addClass(m_fresh.db(), 3, u"高一(3)班"_s,
                                    transfertest::numberedPupils(u"2026"_s, 1))
                 .size(),
             1);
    MemoryProgressView view;
    worker(view, {{u"0"_s, kFirst, 30}, {u"1"_s, kSecond, 20}, {u"2"_s, u"高一(3)班"_s, 1}})->run();

    QCOMPARE(m_messages->texts(), QStringList{u"仪器没有足够的空间!"_s});
    const RecordingMessageService::Shown shown = m_messages->shown().first();
    QCOMPARE(shown.caption, platform::applicationTitle());
    QCOMPARE(shown.icon, platform::Icon::Warning);
    QCOMPARE(shown.buttons, platform::Buttons::Ok);
    QVERIFY(view.finished());
    QCOMPARE(view.rowCount(), 30);
    QCOMPARE(view.position(), 30);
    // Goodbye right after the refusal; the third class, small as it is, is not tried.
    QStringList expected{u"HELLO -> 1"_s, u"MODE -> 1"_s, u"WRITE-CLASS -> 1"_s};
    for (int i = 0; i < 30; ++i)
        expected << u"WRITE-PUPIL -> 1"_s;
    expected << u"MODE -> 1"_s << u"WRITE-CLASS -> 3"_s << u"GOODBYE -> 1"_s;
    QCOMPARE(transfertest::commandsSinceLastHello(small.log()), expected);
    QCOMPARE(transfertest::readState(m_dir.filePath(u"small.json"_s)).size(), 1);
}

void TestDownloadClass::handshakeFailure()
{
    addTwoClasses();
    const testsupport::RefusingPort refusing;
    QVERIFY(refusing.port() != 0);
    qputenv("SORVIK_INSTRUMENT_PORT", QByteArray::number(refusing.port()));
    const QStringList servedBefore = transfertest::requestsServed(m_instrument->log());
    MemoryProgressView view;
    worker(view, {{u"0"_s, kFirst, 30}})->run();
    m_instrument->pointLibraryHere();

    QCOMPARE(m_messages->texts(), QStringList{u"握手失败!"_s});
    QVERIFY(view.finished());
    QCOMPARE(view.rowCount(), 0);
    QCOMPARE(transfertest::requestsServed(m_instrument->log()), servedBefore);
}

void TestDownloadClass::noClassChosen()
{
    const QStringList servedBefore = transfertest::requestsServed(m_instrument->log());
    MemoryProgressView view;
    worker(view, {})->run();
    QCOMPARE(m_messages->texts(), QStringList{u"下载班级数量为0,返回."_s});
    QVERIFY(view.finished());
    QCOMPARE(view.rowCount(), 0);
    // Not a word to the instrument.
    QCOMPARE(transfertest::requestsServed(m_instrument->log()), servedBefore);
}

void TestDownloadClass::dialogLayout()
{
    CDlgSelectDownClass dlg;
    QCOMPARE(dlg.windowTitle(), u"选择下载班级"_s);
    QCOMPARE(dlg.size(), platform::dialogUnitsToPixels(dlg.font(), 0, 0, 500, 355).size());
    const QStringList columns{u"序号"_s, u"班级名称"_s, u"学生数量"_s};
    for (int id : {1053, 1054}) {
        auto* list = child<platform::ReportList>(&dlg, id);
        QVERIFY(list);
        QCOMPARE(headers(list), columns);
        QCOMPARE(list->columnWidth(0), 40);
        QCOMPARE(list->columnWidth(1), 120);
        QCOMPARE(list->columnWidth(2), 60);
        QCOMPARE(list->selectionBehavior(), QAbstractItemView::SelectRows);
        QVERIFY(list->showGrid());
    }
    QCOMPARE(child<platform::ReportList>(&dlg, Dlg::IdListChosen)->geometry(),
             platform::dialogUnitsToPixels(dlg.font(), 273, 20, 220, 299));
    const QList<QPair<int, QString>> buttons = {
        {1051, u">>"_s}, {1052, u"<<"_s}, {1048, u"开始下载"_s}, {2, u"返回"_s}};
    for (const auto& [id, text] : buttons) {
        QVERIFY2(child<QPushButton>(&dlg, id), qPrintable(text));
        QCOMPARE(child<QPushButton>(&dlg, id)->text(), text);
    }
    QCOMPARE(child<QPushButton>(&dlg, Dlg::IdStart)->geometry(),
             platform::dialogUnitsToPixels(dlg.font(), 350, 328, 65, 20));
    QCOMPARE(child<QLabel>(&dlg, Dlg::IdTotals)->text(), u".."_s);
    QVERIFY(child<QLabel>(&dlg, Dlg::IdTotals)->alignment().testFlag(Qt::AlignRight));
    QCOMPARE(child<QRadioButton>(&dlg, Dlg::IdRadioStuNO)->text(), u"学号"_s);
    QCOMPARE(child<QRadioButton>(&dlg, Dlg::IdRadioCardNO)->text(), u"卡号"_s);
    QVERIFY(child<QRadioButton>(&dlg, Dlg::IdRadioStuNO)->isChecked());
    QVERIFY(!child<QRadioButton>(&dlg, Dlg::IdRadioCardNO)->isChecked());
    QCOMPARE(dlg.chosenTotals().classes, 0);
    QCOMPARE(dlg.chosenTotals().count, 0);
}

void TestDownloadClass::opensWithDatabaseClassesAndInstrumentCounts()
{
    addTwoClasses();
    {
        MachineInterface machine(kLibrary);
        QCOMPARE(machine.CMD0_Handshake(), 1);
        machine.f1(1, 3);
        QCOMPARE(machine.CMD1_WriteOneClass(gbk(u"旧班"_s), 3), 1);
        for (const char* n : {"1", "2", "3"})
            machine.CMD2_WriteOneStudent(n, "x");
        machine.CMD10_Goodbye();
    }
    CDlgSelectDownClass dlg;
    QCOMPARE(rowsOf(child<platform::ReportList>(&dlg, Dlg::IdListClass), 3),
             (QList<QStringList>{{u"0"_s, kFirst, u"30"_s}, {u"1"_s, kSecond, u"20"_s}}));
    QCOMPARE(child<platform::ReportList>(&dlg, Dlg::IdListChosen)->rowCount(), 0);
    auto* counts = child<QLabel>(&dlg, Dlg::IdInstrumentCounts);
    QCOMPARE(counts->text(), u"仪器中存储的班级数量:1,学生数量:3"_s);
    QVERIFY(transfertest::commandsSinceLastHello(m_instrument->log()).contains(u"COUNTS -> 1"_s));
    QVERIFY(!InstrumentExchange::isBusy());

    // Read once, at opening: a download does not change them.
    child<platform::ReportList>(&dlg, Dlg::IdListClass)->selectRows({0});
    dlg.OnBnClickedAdd();
    dlg.OnBnClickedStart();
    QTRY_VERIFY_WITH_TIMEOUT(!dlg.isTransferring(), kSlow);
    QCOMPARE(onInstrument().size(), 2);
    QCOMPARE(counts->text(), u"仪器中存储的班级数量:1,学生数量:3"_s);
}

void TestDownloadClass::chooseClassesAndTotals()
{
    addTwoClasses();
    CDlgSelectDownClass dlg;
    auto* from = child<platform::ReportList>(&dlg, Dlg::IdListClass);
    auto* chosen = child<platform::ReportList>(&dlg, Dlg::IdListChosen);
    auto* totals = child<QLabel>(&dlg, Dlg::IdTotals);

    from->selectRows({1});
    child<QPushButton>(&dlg, Dlg::IdAdd)->click();
    child<QPushButton>(&dlg, Dlg::IdAdd)->click();
    QCOMPARE(rowsOf(chosen, 3), (QList<QStringList>{{u"1"_s, kSecond, u"20"_s}}));
    QCOMPARE(totals->text(), u"班级:1,学生:20"_s);

    from->selectRows({0, 1});
    child<QPushButton>(&dlg, Dlg::IdAdd)->click();
    QCOMPARE(rowsOf(chosen, 3),
             (QList<QStringList>{{u"1"_s, kSecond, u"20"_s}, {u"0"_s, kFirst, u"30"_s}}));
    QCOMPARE(totals->text(), u"班级:2,学生:50"_s);
    QCOMPARE(dlg.chosenTotals().classes, 2);
    QCOMPARE(dlg.chosenTotals().count, 50);

    chosen->selectRows({0});
    child<QPushButton>(&dlg, Dlg::IdRemove)->click();
    QCOMPARE(rowsOf(chosen, 3), (QList<QStringList>{{u"0"_s, kFirst, u"30"_s}}));
    QCOMPARE(totals->text(), u"班级:1,学生:30"_s);

    chosen->selectRows({0});
    child<QPushButton>(&dlg, Dlg::IdRemove)->click();
    QCOMPARE(totals->text(), u"班级:0,学生:0"_s);
}

void TestDownloadClass::nothingChosenStartsNothing()
{
    addTwoClasses();
    CDlgSelectDownClass dlg;
    child<QPushButton>(&dlg, Dlg::IdStart)->click();
    QCOMPARE(m_messages->texts(), QStringList{u"下载数量为零!"_s});
    QVERIFY(!dlg.isTransferring());
    QVERIFY(dlg.findChildren<CDlgProgress*>().isEmpty());
    QVERIFY(onInstrument().isEmpty());
}

void TestDownloadClass::downloadThroughTheDialog()
{
    addTwoClasses();
    CDlgSelectDownClass dlg;
    dlg.show();
    child<platform::ReportList>(&dlg, Dlg::IdListClass)->selectRows({0, 1});
    child<QPushButton>(&dlg, Dlg::IdAdd)->click();
    child<QRadioButton>(&dlg, Dlg::IdRadioCardNO)->click();
    child<QPushButton>(&dlg, Dlg::IdStart)->click();

    QPointer<CDlgProgress> progress = dlg.progressWindow();
    QVERIFY(progress);
    QCOMPARE(progress->parentWidget(), &dlg);
    QCOMPARE(progress->windowTitle(), u"正在下载学生到仪器..."_s);
    QCOMPARE(headers(child<platform::ReportList>(progress, CDlgProgress::IdList)),
             (QStringList{u"序号"_s, u"编号"_s, u"姓名"_s, u"班级"_s}));
    QVERIFY(!progress->isModal());
    QTRY_VERIFY_WITH_TIMEOUT(progress->isFinished(), kSlow);
    QTRY_VERIFY(!dlg.isTransferring());

    QCOMPARE(m_messages->count(), 0);
    QVERIFY(child<QPushButton>(progress, CDlgProgress::IdClose)->isEnabled());
    QCOMPARE(child<QProgressBar>(progress, CDlgProgress::IdProgress)->maximum(), 50);
    QCOMPARE(child<QProgressBar>(progress, CDlgProgress::IdProgress)->value(), 50);
    QCOMPARE(child<platform::ReportList>(progress, CDlgProgress::IdList)->rowCount(), 50);
    QCOMPARE(child<platform::ReportList>(progress, CDlgProgress::IdList)->cell(0, 0), u"50"_s);
    QCOMPARE(child<platform::ReportList>(progress, CDlgProgress::IdList)->cell(49, 0), u"1"_s);
    QCOMPARE(child<platform::ReportList>(progress, CDlgProgress::IdList)->cell(0, 1),
             u"C2025020"_s);
    QCOMPARE(child<platform::ReportList>(progress, CDlgProgress::IdList)->cell(49, 3), kFirst);
    const QList<InstrumentClass> classes = onInstrument();
    QCOMPARE(classes.size(), 2);
    QCOMPARE(classes.at(0).pupils.size() + classes.at(1).pupils.size(), 50);
    QCOMPARE(classes.at(0).pupils.at(0).first, QByteArray("C2024001"));

    // Finished: the window closes when asked, the dialog too.
    QVERIFY(progress->close());
    QTRY_VERIFY(progress.isNull());
    child<QPushButton>(&dlg, Dlg::IdReturn)->click();
    QVERIFY(!dlg.isVisible());
}

void TestDownloadClass::dialogCannotCloseOrStartAgainWhileItsWorkerRuns()
{
    addTwoClasses();
    CDlgSelectDownClass dlg;
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    child<platform::ReportList>(&dlg, Dlg::IdListClass)->selectRows({0});
    dlg.OnBnClickedAdd();

    // A stalled instrument keeps the worker in its handshake for a while.
    m_instrument->pause();
    child<QPushButton>(&dlg, Dlg::IdStart)->click();
    QVERIFY(dlg.isTransferring());
    QVERIFY(InstrumentExchange::isBusy());
    QPointer<CDlgProgress> first = dlg.progressWindow();
    QVERIFY(first);
    QVERIFY(!child<QPushButton>(&dlg, Dlg::IdStart)->isEnabled());
    QVERIFY(!child<QPushButton>(&dlg, Dlg::IdReturn)->isEnabled());

    // Neither "返回", nor Escape, nor the close box ends the dialog now, nor closes the window.
    dlg.done(0);
    dlg.reject();
    QVERIFY(!dlg.close());
    QTest::keyClick(&dlg, Qt::Key_Escape);
    QVERIFY(dlg.isVisible());
    QVERIFY(!first->close());
    // A second start is refused: no second window, no second worker.
    dlg.OnBnClickedStart();
    QCOMPARE(dlg.progressWindow(), first.data());
    QCOMPARE(dlg.findChildren<CDlgProgress*>().size(), 1);
    // The dialog stays usable meanwhile.
    child<platform::ReportList>(&dlg, Dlg::IdListClass)->selectRows({1});
    dlg.OnBnClickedAdd();
    QCOMPARE(dlg.chosenTotals().count, 50);

    m_instrument->resume();
    QTRY_VERIFY_WITH_TIMEOUT(!dlg.isTransferring(), kSlow);
    QVERIFY(first->isFinished());
    QVERIFY(!InstrumentExchange::isBusy());
    QVERIFY(child<QPushButton>(&dlg, Dlg::IdStart)->isEnabled());
    QVERIFY(child<QPushButton>(&dlg, Dlg::IdReturn)->isEnabled());
    // The instrument answered well within the library's patience: the transfer sent the class
    // chosen when it started, not the one added meanwhile.
    QCOMPARE(child<platform::ReportList>(first, CDlgProgress::IdList)->rowCount(), 30);
    QCOMPARE(m_messages->count(), 0);
    QCOMPARE(onInstrument().size(), 1);
    QVERIFY(m_instrument->log().count("HELLO") >= 1);
    child<QPushButton>(&dlg, Dlg::IdReturn)->click();
    QVERIFY(!dlg.isVisible());
}

void TestDownloadClass::dialogGoingAwayWaitsForItsWorker()
{
    addTwoClasses();
    auto dlg = std::make_unique<CDlgSelectDownClass>();
    dlg->show();
    child<platform::ReportList>(dlg.get(), Dlg::IdListClass)->selectRows({0, 1});
    dlg->OnBnClickedAdd();
    m_instrument->pause();
    child<QPushButton>(dlg.get(), Dlg::IdStart)->click();
    QPointer<CDlgProgress> window = dlg->progressWindow();
    QVERIFY(window);
    QVERIFY(InstrumentExchange::isBusy());
    // As when the station quits under it: the worker (stuck in its handshake until the library
    // gives up) ends before the stores and the window it uses go, and sends nothing.
    dlg.reset();
    QVERIFY(window.isNull());
    QVERIFY(!InstrumentExchange::isBusy());
    QCOMPARE(m_messages->texts(), QStringList{u"握手失败!"_s});
    m_instrument->resume();
    QVERIFY(onInstrument().isEmpty());
}

void TestDownloadClass::anotherExchangeKeepsTheInstrumentUntouched()
{
    addTwoClasses();
    const QStringList servedBefore = transfertest::requestsServed(m_instrument->log());
    InstrumentExchange::Lease elsewhere = InstrumentExchange::tryBegin();
    QVERIFY(elsewhere);
    CDlgSelectDownClass dlg;
    // The counts are not read while another exchange runs, and no download starts.
    QCOMPARE(child<QLabel>(&dlg, Dlg::IdInstrumentCounts)->text(), QString());
    QVERIFY(!child<QPushButton>(&dlg, Dlg::IdStart)->isEnabled());
    child<platform::ReportList>(&dlg, Dlg::IdListClass)->selectRows({0});
    dlg.OnBnClickedAdd();
    dlg.OnBnClickedStart();
    QVERIFY(!dlg.isTransferring());
    QVERIFY(dlg.progressWindow() == nullptr);
    QCOMPARE(transfertest::requestsServed(m_instrument->log()), servedBefore);
    QCOMPARE(m_messages->count(), 0);

    elsewhere.release();
    QTRY_VERIFY(child<QPushButton>(&dlg, Dlg::IdStart)->isEnabled());
    dlg.OnBnClickedStart();
    QVERIFY(dlg.progressWindow() != nullptr);
    QTRY_VERIFY_WITH_TIMEOUT(!dlg.isTransferring(), kSlow);
    QCOMPARE(onInstrument().size(), 1);
}

void TestDownloadClass::hubOpensTheClassDownload()
{
    addTwoClasses();
    CDlgSync hub;
    QString title;
    QWidget* parent = nullptr;
    int classes = -1;
    testsupport::whenModalShown<CDlgSelectDownClass>([&](CDlgSelectDownClass* dlg) {
        title = dlg->windowTitle();
        parent = dlg->parentWidget();
        classes = child<platform::ReportList>(dlg, Dlg::IdListClass)->rowCount();
        dlg->reject();
    });
    child<QPushButton>(&hub, CDlgSync::IdDownloadClass)->click();
    QCOMPARE(title, u"选择下载班级"_s);
    QCOMPARE(parent, &hub);
    QCOMPARE(classes, 2);
    QVERIFY(QApplication::activeModalWidget() == nullptr);
}

QTEST_MAIN(TestDownloadClass)
#include "testdownloadclass.moc"
