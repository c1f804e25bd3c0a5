// The result import against a real sorvik-instrument holding recorded results: the worker on its
// own, with and without a database and a backup file, a database that cannot take the values,
// live collection running beside it; then the dialog, its import from a file, then the hub.

#include "BackupFile.h"
#include "CDB.h"
#include "CDlgProgress.h"
#include "CDlgSelectImportClass.h"
#include "CDlgSync.h"
#include "CItemInfo.h"
#include "CValue.h"
#include "Clock.h"
#include "CollectTick.h"
#include "CollectorRecord.h"
#include "Database.h"
#include "DialogUnits.h"
#include "FileDialogs.h"
#include "GuiTestSupport.h"
#include "ImportValueThread.h"
#include "InstrumentExchange.h"
#include "InstrumentQueries.h"
#include "MachineInterface.h"
#include "MemoryProgressView.h"
#include "ProfileSettings.h"
#include "RecordingMessageService.h"
#include "ReportList.h"
#include "SqlConnection.h"
#include "StorageFailures.h"
#include "StoreTestSupport.h"
#include "instrumentprocess.h"
#include "transfersupport.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using platform::RecordingMessageService;
using testsupport::child;
using testsupport::headers;
using testsupport::rowsOf;
using transfertest::gbk;
using transfertest::InstrumentClass;
using transfertest::rowsOf;

namespace
{

using Dlg = CDlgSelectImportClass;

const QString kLibrary = QStringLiteral(SORVIK_BIN_DIR "/libqrvmachine.so");
const QString kSparseLibrary = QStringLiteral(SORVIK_BIN_DIR "/libsparsemachine.so");
constexpr int kSlow = 30000; // generous: the instrument runs under the sanitizer build too

const QString kFirst = u"高一(1)班"_s;
const QString kSecond = u"高一(2)班"_s;
const QString kThird = u"高一(3)班"_s;
// The station's clock during the tests: the time of double records and of the backup file.
const QDateTime kNow(QDate(2024, 6, 1), QTime(12, 0, 0));

// The progress rows of the first class, newest on top, as the import shows them with a
// database open.
const QList<QStringList> kFirstClassRows = {
    {u"6"_s, u"2024002"_s, u"学生4002"_s, u"50米跑(6)"_s, u"0"_s, u"秒"_s, u"05-07 08:01"_s},
    {u"5"_s, u"2099999"_s, u"没有此学生"_s, u"立定跳远(7)"_s, u"180"_s, u"厘米"_s,
     u"05-07 08:00"_s},
    {u"4"_s, u"2024002"_s, u"学生4002"_s, u"坐高  未设置(3)"_s, u"80.5"_s, u"厘米"_s,
     u"05-06 10:05"_s},
    {u"3"_s, u"2024001"_s, u"学生4001"_s, u"体重(2)"_s, u"45.2"_s, u"千克"_s, u"06-01 12:00"_s},
    {u"2"_s, u"2024001"_s, u"学生4001"_s, u"身高(1)"_s, u"150.5"_s, u"厘米"_s, u"06-01 12:00"_s},
    {u"1"_s, u"2024001"_s, u"学生4001"_s, u"50米跑(6)"_s, u"7.45"_s, u"秒"_s, u"05-06 09:30"_s},
};

// The same without a database: number, item code and value as decoded only.
const QList<QStringList> kFirstClassListed = {
    {u"6"_s, u"2024002"_s, QString(), u"6"_s, u"0"_s},
    {u"5"_s, u"2099999"_s, QString(), u"7"_s, u"180"_s},
    {u"4"_s, u"2024002"_s, QString(), u"3"_s, u"80.5"_s},
    {u"3"_s, u"2024001"_s, QString(), u"2"_s, u"45.2"_s},
    {u"2"_s, u"2024001"_s, QString(), u"1"_s, u"150.5"_s},
    {u"1"_s, u"2024001"_s, QString(), u"6"_s, u"745"_s},
};

const QByteArray kFirstClassBackup = "Pelkan Collect Data\r\n"
                                     "             202400106  745\r\n"
                                     "             202400101150.5\r\n"
                                     "             202400102 45.2\r\n"
                                     "             202400203 80.5\r\n"
                                     "             209999907  180\r\n"
                                     "             202400206    0\r\n";

} // namespace

class TestImportValue : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    // The worker
    void importFirstClass_data();
    void importFirstClass();
    void importByCardNumber();
    void recordsNotAsCountedAreReported_data();
    void recordsNotAsCountedAreReported();
    void undecodableRecordsAreListedAndBackedUp();
    void noInstrument();
    void noClassChosen();
    void valuesThatCannotBeStoredShowAsNotStored();
    void importRunsBesideLiveCollection();

    // The dialog
    void dialogLayout();
    void viewListsEveryClassEachTime();
    void viewSkipsIndexesWithoutAClass();
    void viewWaitsForAnotherExchange();
    void chooseClassesAndTotals();
    void nothingChosenStartsNothing_data();
    void nothingChosenStartsNothing();
    void importThroughTheDialog();
    void importWithoutDatabaseThroughTheDialog();
    void importFromAFileThroughTheDialog();
    void dialogCannotCloseOrStartAgainWhileItsWorkerRuns();
    void dialogGoingAwayWaitsForItsWorker();

    // The hub
    void hubOpensTheResultImport_data();
    void hubOpensTheResultImport();

private:
    std::unique_ptr<ImportValueThread> worker(MemoryProgressView& view,
                                              const QList<ChosenClass>& classes, NumberType type,
                                              bool backup, const QString& library = kLibrary);
    QString value(long id, int item);
    // The executable's folder is m_backupRoot, $XDG_DATA_HOME its folder "data".
    QString backupFolder() const { return m_backupRoot->filePath(u"bak"_s); }
    QStringList backupFiles() const
    {
        return QDir(backupFolder()).entryList(QDir::Files | QDir::NoDotAndDotDot);
    }
    QByteArray backupContent() const;
    CDlgProgress* runImport(CDlgSelectImportClass& dlg, const QList<int>& rows, bool backup);

    QTemporaryDir m_dir;
    std::unique_ptr<InstrumentProcess> m_instrument;
    std::unique_ptr<testsupport::IsolatedConfig> m_config;
    std::unique_ptr<QTemporaryDir> m_backupRoot;
    storetest::FreshDatabase m_fresh;
    std::unique_ptr<RecordingMessageService> m_messages;
    QList<long> m_first;  // 2024001, 2024002
    QList<long> m_second; // 2025001 (card C2025001)
    std::unique_ptr<CItemInfo> m_items;
    std::unique_ptr<CStudent> m_students;
    std::unique_ptr<CValue> m_values;
    std::unique_ptr<CCard> m_cards;
};

void TestImportValue::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QString state = m_dir.filePath(u"state.json"_s);
    QVERIFY(transfertest::writeState(state, {{gbk(kFirst),
                                              {{"2024001", gbk(u"学生4001"_s)},
                                               {"2024002", gbk(u"学生4002"_s)},
                                               {"2099999", gbk(u"转学生"_s)}}},
                                             {gbk(kSecond), {{"C2025001", gbk(u"学生5001"_s)}}},
                                             {gbk(kThird), {{"2026001", gbk(u"学生6001"_s)}}}}));
    const QList<QStringList> records = {
        {u"0"_s, u"2024001"_s, u"6"_s, u"745"_s, u"--time"_s, u"2024-05-06T09:30"_s},
        {u"0"_s, u"2024001"_s, u"e"_s, u"150.5"_s, u"--value2"_s, u"45.2"_s},
        {u"0"_s, u"2024002"_s, u"3"_s, u"80.5"_s, u"--time"_s, u"2024-05-06T10:05"_s},
        {u"0"_s, u"2099999"_s, u"7"_s, u"180"_s, u"--time"_s, u"2024-05-07T08:00"_s},
        {u"0"_s, u"2024002"_s, u"6"_s, u"0"_s, u"--time"_s, u"2024-05-07T08:01"_s},
        {u"1"_s, u"C2025001"_s, u"14"_s, u"120"_s, u"--time"_s, u"2024-05-06T09:31"_s},
        {u"1"_s, u"C2025001"_s, u"e"_s, u"160.0"_s, u"--value2"_s, u"50.1"_s},
    };
    for (const QStringList& r : records) {
        QByteArray errors;
        const int exit = InstrumentProcess::runAction(state,
                                                      {u"--record"_s, u"--class"_s, r.at(0),
                                                       u"--number"_s, r.at(1), u"--item"_s, r.at(2),
                                                       u"--value"_s, r.at(3), r.at(4), r.at(5)},
                                                      &errors);
        QVERIFY2(exit == 0, errors.constData());
    }
    m_instrument = std::make_unique<InstrumentProcess>(state, m_dir.filePath(u"log.txt"_s));
    QVERIFY2(m_instrument->start(), m_instrument->log().constData());
}

void TestImportValue::init()
{
    m_config = std::make_unique<testsupport::IsolatedConfig>();
    m_messages = std::make_unique<RecordingMessageService>();
    m_backupRoot = std::make_unique<QTemporaryDir>();
    BackupFile::setExecutableFolder(m_backupRoot->path());
    qputenv("XDG_DATA_HOME", m_backupRoot->filePath(u"data"_s).toUtf8());
    platform::setClock([] { return kNow; });
    QVERIFY(m_fresh.make());
    m_first =
        transfertest::addClass(m_fresh.db(), 1, kFirst, transfertest::numberedPupils(u"2024"_s, 2));
    m_second = transfertest::addClass(m_fresh.db(), 2, kSecond,
                                      transfertest::numberedPupils(u"2025"_s, 1));
    QCOMPARE(m_first.size(), 2);
    QCOMPARE(m_second.size(), 1);
    theDB = m_fresh.db();
    bDBOpen = true;
    m_instrument->pointLibraryHere();
}

void TestImportValue::cleanup()
{
    m_instrument->resume();
    m_cards.reset();
    m_values.reset();
    m_students.reset();
    m_items.reset();
    bDBOpen = false;
    theDB = CDB();
    m_fresh.close();
    platform::setClock({});
    BackupFile::setExecutableFolder(QString());
    qunsetenv("XDG_DATA_HOME");
    m_backupRoot.reset();
    m_messages.reset();
    m_config.reset();
    QVERIFY(!InstrumentExchange::isBusy());
}

void TestImportValue::cleanupTestCase()
{
    m_instrument.reset();
}

std::unique_ptr<ImportValueThread> TestImportValue::worker(MemoryProgressView& view,
                                                           const QList<ChosenClass>& classes,
                                                           NumberType type, bool backup,
                                                           const QString& library)
{
    ResultHandler handler;
    if (bDBOpen) {
        m_items = std::make_unique<CItemInfo>(theDB);
        m_students = std::make_unique<CStudent>(theDB);
        m_values = std::make_unique<CValue>(theDB);
        m_cards = std::make_unique<CCard>(theDB);
        handler = ResultHandler(theDB, *m_items, *m_students, *m_values, *m_cards);
    }
    return std::make_unique<ImportValueThread>(std::make_shared<MachineInterface>(library), view,
                                               handler, classes, type, backup);
}

// The value as another program reading the file now sees it: committed, and kept as text.
QString TestImportValue::value(long id, int item)
{
    store::Database elsewhere(m_fresh.path());
    const auto rows =
        elsewhere.connection().query(u"SELECT ObjectValue, typeof(ObjectValue) FROM STU_ObjectData "
                                     "WHERE STU_ID=%1 AND Object_ID=%2"_s.arg(id)
                                         .arg(item));
    if (rows.rowCount() != 1)
        return u"<%1 rows>"_s.arg(rows.rowCount());
    const QString type = rows.at(0, 1).toString();
    return type == u"text" ? rows.at(0, 0).toString() : u"<%1>"_s.arg(type);
}

QByteArray TestImportValue::backupContent() const
{
    const QStringList files = backupFiles();
    if (files.size() != 1)
        return "<" + QByteArray::number(files.size()) + " files>";
    QFile file(QDir(backupFolder()).filePath(files.first()));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void TestImportValue::importFirstClass_data()
{
    QTest::addColumn<bool>("database");
    QTest::addColumn<bool>("backup");
    QTest::addColumn<QString>("backupIn"); // "bak" beside the executable, "data", "" nowhere
    QTest::newRow("database, backup") << true << true << u"bak"_s;
    QTest::newRow("database, no backup") << true << false << QString();
    QTest::newRow("no database, backup") << false << true << u"bak"_s;
    QTest::newRow("no database, no backup") << false << false << QString();
    // Where the folder beside the executable cannot be written (any installed copy).
    QTest::newRow("backup in the data folder") << true << true << u"data/sorvik/bak"_s;
    QTest::newRow("backup nowhere") << true << true << QString();
}

void TestImportValue::importFirstClass()
{
    QFETCH(bool, database);
    QFETCH(bool, backup);
    QFETCH(QString, backupIn);
    bDBOpen = database;
    // Plain files where the folders would go stop root too, whom read-only folders do not.
    if (backup && backupIn != u"bak")
        QVERIFY(QFile(backupFolder()).open(QIODevice::WriteOnly));
    if (backup && backupIn.isEmpty())
        QVERIFY(QDir(m_backupRoot->path()).mkpath(u"data"_s) &&
                QFile(m_backupRoot->filePath(u"data/sorvik"_s)).open(QIODevice::WriteOnly));
    MemoryProgressView view;
    int toldBeforeFirstRow = -1;
    view.setOnRow(
        [&](int row) { toldBeforeFirstRow = row == 1 ? m_messages->count() : toldBeforeFirstRow; });
    auto w = worker(view, {{u"0"_s, kFirst, 5}}, NumberType::StudentNumber, backup);
    w->run();

    const QStringList told{
        u"无法创建备份文件,以下文件夹都不能写入:\n%1\n%2\n导入照常进行,成绩不会写入备份文件."_s.arg(
            backupFolder(), m_backupRoot->filePath(u"data/sorvik/bak"_s))};
    QCOMPARE(m_messages->texts(), backup && backupIn.isEmpty() ? told : QStringList());
    QCOMPARE(toldBeforeFirstRow, m_messages->count());
    QVERIFY(view.finished());
    QCOMPARE(rowsOf(view), database ? kFirstClassRows : kFirstClassListed);
    // The double record made a sixth row; the bar stays full at the record total.
    QCOMPARE(view.maximum(), 5);
    QCOMPARE(view.position(), 5);

    // Stored as text in the pupils' rows, and only with a database.
    QCOMPARE(value(m_first.at(0), 6), database ? u"7.45"_s : u"<real>"_s);
    QCOMPARE(value(m_first.at(0), 1), database ? u"150.5"_s : u"<real>"_s);
    QCOMPARE(value(m_first.at(0), 2), database ? u"45.2"_s : u"<real>"_s);
    QCOMPARE(value(m_first.at(1), 6), database ? u"0"_s : u"<real>"_s);
    QCOMPARE(value(m_first.at(1), 3), u"<0 rows>"_s);
    QCOMPARE(value(m_first.at(1), 1), u"<real>"_s);

    if (backup && !backupIn.isEmpty()) {
        QCOMPARE(w->backupPath(), m_backupRoot->filePath(backupIn + u"/2024-06-01 12-00-00.bak"_s));
        QFile file(w->backupPath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), kFirstClassBackup);
    } else if (!backup) {
        QVERIFY(w->backupPath().isEmpty());
        QVERIFY(!QFileInfo::exists(backupFolder()));
    }
    QCOMPARE(transfertest::commandsSinceLastHello(m_instrument->log()).first(), u"HELLO -> 1"_s);
    QCOMPARE(transfertest::commandsSinceLastHello(m_instrument->log()).last(), u"GOODBYE -> 1"_s);
}

void TestImportValue::importByCardNumber()
{
    MemoryProgressView view;
    worker(view, {{u"1"_s, kSecond, 2}}, NumberType::CardNumber, true)->run();
    // The student number takes the card number's place in the list; the backup keeps what the
    // instrument gave.
    QCOMPARE(rowsOf(view),
             (QList<QStringList>{{u"3"_s, u"2025001"_s, u"学生5001"_s, u"体重(2)"_s, u"50.1"_s,
                                  u"千克"_s, u"06-01 12:00"_s},
                                 {u"2"_s, u"2025001"_s, u"学生5001"_s, u"身高(1)"_s, u"160.0"_s,
                                  u"厘米"_s, u"06-01 12:00"_s},
                                 {u"1"_s, u"2025001"_s, u"学生5001"_s, u"一分钟跳绳(14)"_s,
                                  u"120"_s, u"次"_s, u"05-06 09:31"_s}}));
    QCOMPARE(value(m_second.at(0), 14), u"120"_s);
    QCOMPARE(value(m_second.at(0), 1), u"160.0"_s);
    QCOMPARE(value(m_second.at(0), 2), u"50.1"_s);
    QCOMPARE(backupContent(), QByteArray("Pelkan Collect Data\r\n"
                                         "            C202500114  120\r\n"
                                         "            C202500101160.0\r\n"
                                         "            C202500102 50.1\r\n"));
    QCOMPARE(m_messages->count(), 0);
}

void TestImportValue::recordsNotAsCountedAreReported_data()
{
    QTest::addColumn<int>("chosen"); // records chosen of the first class, which holds 5
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("rows");
    // Nothing is made up for records the instrument does not hand out.
    QTest::newRow("fewer held") << 7 << u"有2条成绩没有从仪器读出."_s << 9;
    // A count cut to 16 bits, or results measured since the list was read.
    QTest::newRow("more held") << 3
                               << u"高一(1)班: 仪器中的成绩多于3条,多出的没有导入,请重新查看仪器."_s
                               << 7;
}

void TestImportValue::recordsNotAsCountedAreReported()
{
    QFETCH(int, chosen);
    QFETCH(QString, message);
    QFETCH(int, rows);
    MemoryProgressView view;
    worker(view, {{u"0"_s, kFirst, chosen}, {u"1"_s, kSecond, 2}}, NumberType::StudentNumber, true)
        ->run();
    QCOMPARE(m_messages->texts(), QStringList{message});
    // The next class was read all the same.
    QCOMPARE(view.rowCount(), rows);
    QCOMPARE(view.row(0).at(1), u"C2025001"_s);
    QCOMPARE(view.row(0).at(2), u"没有此学生"_s);
    QCOMPARE(backupContent().count('\n'), 1 + rows);
    QVERIFY(view.finished());
}

void TestImportValue::undecodableRecordsAreListedAndBackedUp()
{
    MemoryProgressView view;
    worker(view, {{u"0"_s, u"甲班"_s, 4}}, NumberType::StudentNumber, true, kSparseLibrary)->run();
    // Listed and written with what the library gave, the time empty; stored nowhere.
    QCOMPARE(rowsOf(view).mid(1, 2),
             (QList<QStringList>{{u"3"_s, {}, u"无法解码的记录"_s, {}, {}, {}, {}},
                                 {u"2"_s, u"2024002"_s, u"无法解码的记录"_s, u"7"_s, {}, {}, {}}}));
    QCOMPARE(backupContent(), QByteArray("Pelkan Collect Data\r\n             202400106  745\r\n"
                                         "             202400207     \r\n"
                                         "                    00     \r\n"
                                         "             202400206    0\r\n"));
    QCOMPARE(m_messages->texts(),
             QStringList{u"有2条成绩无法解码,列表中标为\"无法解码的记录\",没有保存."_s});
    QCOMPARE(value(m_first.at(0), 6), u"7.45"_s);
    QCOMPARE(value(m_first.at(1), 6), u"0"_s);
}

void TestImportValue::noInstrument()
{
    const testsupport::RefusingPort refusing;
    QVERIFY(refusing.port() != 0);
    qputenv("SORVIK_INSTRUMENT_PORT", QByteArray::number(refusing.port()));
    MemoryProgressView view;
    auto w = worker(view, {{u"0"_s, kFirst, 5}}, NumberType::StudentNumber, true);
    w->run();
    m_instrument->pointLibraryHere();

    // Not a silent empty import: the user hears that nothing came.
    QCOMPARE(m_messages->texts(), QStringList{u"有5条成绩没有从仪器读出."_s});
    QCOMPARE(view.rowCount(), 0);
    QVERIFY(view.finished());
    QCOMPARE(backupContent(), BackupFile::header());
    QCOMPARE(value(m_first.at(0), 6), u"<real>"_s);
}

void TestImportValue::noClassChosen()
{
    const QStringList servedBefore = transfertest::requestsServed(m_instrument->log());
    MemoryProgressView view;
    worker(view, {}, NumberType::StudentNumber, true)->run();
    QCOMPARE(m_messages->texts(), QStringList{u"没有选择导入的班级."_s});
    QVERIFY(view.finished());
    QCOMPARE(view.rowCount(), 0);
    QCOMPARE(transfertest::requestsServed(m_instrument->log()), servedBefore);
    QVERIFY(!QFileInfo::exists(backupFolder()));
}

void TestImportValue::valuesThatCannotBeStoredShowAsNotStored()
{
    MemoryProgressView view;
    auto w = worker(view, {{u"0"_s, kFirst, 5}}, NumberType::StudentNumber, false);
    {
        const testsupport::FileSizeLimit diskFull;
        w->run();
    }
    QList<QStringList> expected = kFirstClassRows;
    for (QStringList& row : expected)
        if (row.at(2) != u"没有此学生"_s && !row.at(3).contains(u"未设置"_s))
            row[3].insert(row.at(3).indexOf(u'('), u"  未设置"_s);
    QCOMPARE(rowsOf(view), expected);
    QCOMPARE(m_messages->count(), 1);
    const QString text = m_messages->texts().first();
    QVERIFY2(text.startsWith(u"有5条成绩没有存入数据库:\n"_s), qPrintable(text));
    QVERIFY(text.endsWith(u"仪器中的成绩没有删除, 可以再次导入。"_s));
    QCOMPARE(value(m_first.at(0), 6), u"<real>"_s);
    QCOMPARE(value(m_first.at(0), 1), u"<real>"_s);
    QVERIFY(view.finished());
}

void TestImportValue::importRunsBesideLiveCollection()
{
    // An instrument holding many results for the first class.
    QTemporaryDir dir;
    const QString state = dir.filePath(u"state.json"_s);
    QVERIFY(transfertest::writeState(
        state,
        {{gbk(kFirst), {{"2024001", gbk(u"学生4001"_s)}, {"2024002", gbk(u"学生4002"_s)}}}}));
    QCOMPARE(InstrumentProcess::runAction(state, {u"--simulate"_s, u"600"_s, u"--seed"_s, u"5"_s}),
             0);
    InstrumentProcess busy(state, dir.filePath(u"log.txt"_s));
    QVERIFY(busy.start());
    auto machine = std::make_shared<MachineInterface>(kLibrary);
    platform::MemoryListView onInstrument;
    QVERIFY(InstrumentQueries::listClasses(*machine, onInstrument));

    MemoryProgressView view;
    ExchangeThread thread;
    QVERIFY(thread.start(
        worker(view, ClassLists::rows(onInstrument), NumberType::StudentNumber, false)));
    // Live collection meanwhile, with stores of its own as the main window has them, for the
    // pupil of the second class: a record every 10 ms.
    CStudent students(theDB);
    CValue values(theDB);
    CItemInfo items(theDB);
    CCard cards(theDB);
    platform::MemoryListView list;
    CollectTick tick(list, [] { return true; });
    tick.setStores(theDB, {&students, &values, &items, &cards});
    const QList<int> tickItems = {1, 2, 8, 14};
    QMap<int, int> lastSent;
    int sent = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const int item = tickItems.at(sent % tickItems.size());
        lastSent[item] = 100 + sent;
        ++sent;
        tick.OnTimer(
            [&] {
                return sorvik::collector::makeRecord("2025001", item,
                                                     QByteArray::number(100 + sent - 1));
            },
            true);
    });
    timer.start(10);
    QTRY_VERIFY_WITH_TIMEOUT(!thread.isRunning(), kSlow);
    QTRY_COMPARE(tick.waitingRecords(), 0);
    timer.stop();
    m_instrument->pointLibraryHere();

    QCOMPARE(m_messages->count(), 0);
    QCOMPARE(list.rowCount(), sent);
    for (int r = 0; r < list.rowCount(); ++r)
        QCOMPARE(list.cell(r, 1), u"学生5001"_s);
    for (int r = 0; r < list.rowCount(); ++r)
        QVERIFY(!list.cell(r, 2).contains(u"未设置"_s));
    store::Database elsewhere(m_fresh.path());
    for (auto it = lastSent.cbegin(); it != lastSent.cend(); ++it)
        QCOMPARE(elsewhere.connection()
                     .query(u"SELECT ObjectValue FROM STU_ObjectData WHERE STU_ID=? AND "
                            "Object_ID=?"_s,
                            {qlonglong(m_second.at(0)), it.key()})
                     .at(0, 0)
                     .toInt(),
                 it.value());
    // Every value the import lists as stored is in the file: the newest of each pupil and item.
    QVERIFY(view.rowCount() >= 600);
    QSet<QString> seen;
    for (int r = 0; r < view.rowCount(); ++r) {
        const QStringList row = view.row(r); // "序号", "编号", "姓名", "项目", "成绩", ...
        if (row.at(2) == u"没有此学生"_s || row.at(3).contains(u"未设置"_s))
            continue;
        const int item = row.at(3).section(u'(', -1).chopped(1).toInt();
        if (seen.contains(row.at(1) + QString::number(item)))
            continue;
        seen.insert(row.at(1) + QString::number(item));
        QCOMPARE(value(row.at(1) == u"2024001"_s ? m_first.at(0) : m_first.at(1), item), row.at(4));
    }
    QVERIFY(!seen.isEmpty());
}

void TestImportValue::dialogLayout()
{
    CDlgSelectImportClass dlg;
    QCOMPARE(dlg.windowTitle(), u"选择导入班级"_s);
    QCOMPARE(dlg.size(), platform::dialogUnitsToPixels(dlg.font(), 0, 0, 500, 355).size());
    const QStringList columns{u"序号"_s, u"班级名称"_s, u"学生数量"_s};
    const QList<QPair<int, QRect>> lists = {{1053, QRect(7, 22, 220, 299)},
                                            {1047, QRect(273, 22, 220, 299)}};
    for (const auto& [id, units] : lists) {
        auto* list = child<platform::ReportList>(&dlg, id);
        QVERIFY(list);
        QCOMPARE(headers(list), columns);
        QCOMPARE(list->columnWidth(0), 40);
        QCOMPARE(list->columnWidth(1), 120);
        QCOMPARE(list->columnWidth(2), 60);
        QCOMPARE(list->rowCount(), 0);
        QCOMPARE(list->geometry(), platform::dialogUnitsToPixels(dlg.font(), units.x(), units.y(),
                                                                 units.width(), units.height()));
    }
    const QList<QPair<int, QString>> buttons = {{1051, u"<<"_s},
                                                {1052, u">>"_s},
                                                {1050, u"开始导入"_s},
                                                {1060, u"查看仪器"_s},
                                                {2, u"返回"_s}};
    for (const auto& [id, text] : buttons) {
        QVERIFY2(child<QPushButton>(&dlg, id), qPrintable(text));
        QCOMPARE(child<QPushButton>(&dlg, id)->text(), text);
        QVERIFY(child<QPushButton>(&dlg, id)->isEnabled());
    }
    auto* backup = child<QCheckBox>(&dlg, Dlg::IdBackup);
    QCOMPARE(backup->text(), u"记录数据"_s);
    QVERIFY(!backup->isChecked());
    QVERIFY(child<QRadioButton>(&dlg, Dlg::IdRadioStuNO)->isChecked());
    QVERIFY(!child<QRadioButton>(&dlg, Dlg::IdRadioCardNO)->isChecked());
    QCOMPARE(child<QLabel>(&dlg, Dlg::IdChosenTotals)->text(), QString());
    QCOMPARE(child<QLabel>(&dlg, Dlg::IdInstrumentTotals)->text(), QString());
    // The instrument is not asked until "查看仪器".
    QCOMPARE(m_instrument->log().count("COUNTS2"), 0);
}

void TestImportValue::viewListsEveryClassEachTime()
{
    CDlgSelectImportClass dlg;
    auto* instrument = child<platform::ReportList>(&dlg, Dlg::IdListInstrument);
    const QList<QStringList> once = {
        {u"0"_s, kFirst, u"5"_s}, {u"1"_s, kSecond, u"2"_s}, {u"2"_s, kThird, u"0"_s}};
    child<QPushButton>(&dlg, Dlg::IdView)->click();
    QCOMPARE(rowsOf(instrument, 3), once);
    QCOMPARE(child<QLabel>(&dlg, Dlg::IdInstrumentTotals)->text(), u"班级:3,学生:7"_s);
    QCOMPARE(transfertest::commandsSinceLastHello(m_instrument->log()),
             (QStringList{u"HELLO -> 1"_s, u"COUNTS2 -> 1"_s, u"CLASS-INFO -> 1"_s,
                          u"CLASS-INFO -> 1"_s, u"CLASS-INFO -> 1"_s, u"GOODBYE -> 1"_s}));

    child<QPushButton>(&dlg, Dlg::IdView)->click();
    QCOMPARE(rowsOf(instrument, 3), once + once);
    QCOMPARE(child<QLabel>(&dlg, Dlg::IdInstrumentTotals)->text(), u"班级:6,学生:14"_s);
    QCOMPARE(dlg.instrumentTotals().count, 14);
    QVERIFY(!InstrumentExchange::isBusy());
}

void TestImportValue::viewSkipsIndexesWithoutAClass()
{
    QVERIFY(platform::writeProfileString(u"instrument"_s, u"library"_s, kSparseLibrary));
    CDlgSelectImportClass dlg;
    child<QPushButton>(&dlg, Dlg::IdView)->click();
    // Index 2 goes where index 1 would have been: at the end of the shorter list.
    QCOMPARE(rowsOf(child<platform::ReportList>(&dlg, Dlg::IdListInstrument), 3),
             (QList<QStringList>{{u"0"_s, u"甲班"_s, u"4"_s}, {u"2"_s, u"丙班"_s, u"3"_s}}));
    QCOMPARE(child<QLabel>(&dlg, Dlg::IdInstrumentTotals)->text(), u"班级:2,学生:7"_s);
    QCOMPARE(m_messages->count(), 0);
}

void TestImportValue::viewWaitsForAnotherExchange()
{
    CDlgSelectImportClass dlg;
    const QStringList servedBefore = transfertest::requestsServed(m_instrument->log());
    InstrumentExchange::Lease elsewhere = InstrumentExchange::tryBegin();
    QVERIFY(elsewhere);
    QTRY_VERIFY(!child<QPushButton>(&dlg, Dlg::IdView)->isEnabled());
    QVERIFY(!child<QPushButton>(&dlg, Dlg::IdStart)->isEnabled());
    dlg.OnBnClickedView();
    QCOMPARE(child<platform::ReportList>(&dlg, Dlg::IdListInstrument)->rowCount(), 0);
    QCOMPARE(transfertest::requestsServed(m_instrument->log()), servedBefore);

    elsewhere.release();
    QTRY_VERIFY(child<QPushButton>(&dlg, Dlg::IdView)->isEnabled());
    child<QPushButton>(&dlg, Dlg::IdView)->click();
    QCOMPARE(child<platform::ReportList>(&dlg, Dlg::IdListInstrument)->rowCount(), 3);
}

void TestImportValue::chooseClassesAndTotals()
{
    CDlgSelectImportClass dlg;
    auto* instrument = child<platform::ReportList>(&dlg, Dlg::IdListInstrument);
    auto* chosen = child<platform::ReportList>(&dlg, Dlg::IdListChosen);
    auto* totals = child<QLabel>(&dlg, Dlg::IdChosenTotals);
    child<QPushButton>(&dlg, Dlg::IdView)->click();

    instrument->selectRows({0, 1});
    child<QPushButton>(&dlg, Dlg::IdAdd)->click();
    child<QPushButton>(&dlg, Dlg::IdAdd)->click();
    QCOMPARE(rowsOf(chosen, 3),
             (QList<QStringList>{{u"0"_s, kFirst, u"5"_s}, {u"1"_s, kSecond, u"2"_s}}));
    QCOMPARE(totals->text(), u"班级:2,学生:7"_s);

    // The same instrument class listed again is still the one class.
    child<QPushButton>(&dlg, Dlg::IdView)->click();
    instrument->selectRows({3, 5});
    child<QPushButton>(&dlg, Dlg::IdAdd)->click();
    QCOMPARE(rowsOf(chosen, 3),
             (QList<QStringList>{
                 {u"0"_s, kFirst, u"5"_s}, {u"1"_s, kSecond, u"2"_s}, {u"2"_s, kThird, u"0"_s}}));
    QCOMPARE(totals->text(), u"班级:3,学生:7"_s);

    chosen->selectRows({0, 2});
    child<QPushButton>(&dlg, Dlg::IdRemove)->click();
    QCOMPARE(rowsOf(chosen, 3), (QList<QStringList>{{u"1"_s, kSecond, u"2"_s}}));
    QCOMPARE(totals->text(), u"班级:1,学生:2"_s);
    QCOMPARE(dlg.chosenTotals().classes, 1);
    QCOMPARE(dlg.chosenTotals().count, 2);
    // The instrument's list keeps its own totals.
    QCOMPARE(child<QLabel>(&dlg, Dlg::IdInstrumentTotals)->text(), u"班级:6,学生:14"_s);
}

void TestImportValue::nothingChosenStartsNothing_data()
{
    QTest::addColumn<QList<int>>("choose");
    QTest::newRow("no class") << QList<int>{};
    QTest::newRow("a class without records") << QList<int>{2};
}

void TestImportValue::nothingChosenStartsNothing()
{
    QFETCH(QList<int>, choose);
    CDlgSelectImportClass dlg;
    child<QPushButton>(&dlg, Dlg::IdView)->click();
    child<platform::ReportList>(&dlg, Dlg::IdListInstrument)->selectRows(choose);
    child<QPushButton>(&dlg, Dlg::IdAdd)->click();
    const QStringList servedBefore = transfertest::requestsServed(m_instrument->log());
    child<QPushButton>(&dlg, Dlg::IdStart)->click();
    QCOMPARE(m_messages->texts(), QStringList{u"导入数量为零!"_s});
    QVERIFY(!dlg.isTransferring());
    QVERIFY(dlg.findChildren<CDlgProgress*>().isEmpty());
    QCOMPARE(transfertest::requestsServed(m_instrument->log()), servedBefore);
}

CDlgProgress* TestImportValue::runImport(CDlgSelectImportClass& dlg, const QList<int>& rows,
                                         bool backup)
{
    child<QPushButton>(&dlg, Dlg::IdView)->click();
    child<platform::ReportList>(&dlg, Dlg::IdListInstrument)->selectRows(rows);
    child<QPushButton>(&dlg, Dlg::IdAdd)->click();
    child<QCheckBox>(&dlg, Dlg::IdBackup)->setChecked(backup);
    child<QPushButton>(&dlg, Dlg::IdStart)->click();
    return dlg.progressWindow();
}

void TestImportValue::importThroughTheDialog()
{
    CDlgSelectImportClass dlg;
    dlg.show();
    QPointer<CDlgProgress> progress = runImport(dlg, {0}, true);
    QVERIFY(progress);
    QCOMPARE(progress->parentWidget(), &dlg);
    QCOMPARE(progress->windowTitle(), u"正在导入测试成绩..."_s);
    QCOMPARE(
        headers(child<platform::ReportList>(progress, CDlgProgress::IdList)),
        (QStringList{u"序号"_s, u"编号"_s, u"姓名"_s, u"项目"_s, u"成绩"_s, u"单位"_s, u"时间"_s}));
    QVERIFY(!progress->isModal());
    QTRY_VERIFY_WITH_TIMEOUT(progress->isFinished(), kSlow);
    QTRY_VERIFY(!dlg.isTransferring());

    QCOMPARE(m_messages->count(), 0);
    QVERIFY(child<QPushButton>(progress, CDlgProgress::IdClose)->isEnabled());
    QCOMPARE(rowsOf(child<platform::ReportList>(progress, CDlgProgress::IdList), 7),
             kFirstClassRows);
    QCOMPARE(child<QProgressBar>(progress, CDlgProgress::IdProgress)->maximum(), 5);
    QCOMPARE(child<QProgressBar>(progress, CDlgProgress::IdProgress)->value(), 5);
    QCOMPARE(value(m_first.at(0), 6), u"7.45"_s);
    QCOMPARE(backupContent(), kFirstClassBackup);

    // A second import in the same dialog: a new window, the values stored again.
    QVERIFY(progress->close());
    QTRY_VERIFY(progress.isNull());
    platform::setClock([] { return kNow.addSecs(1); });
    child<QPushButton>(&dlg, Dlg::IdStart)->click();
    QPointer<CDlgProgress> second = dlg.progressWindow();
    QVERIFY(second);
    QTRY_VERIFY_WITH_TIMEOUT(!dlg.isTransferring(), kSlow);
    QCOMPARE(child<platform::ReportList>(second, CDlgProgress::IdList)->rowCount(), 6);
    QCOMPARE(backupFiles(),
             (QStringList{u"2024-06-01 12-00-00.bak"_s, u"2024-06-01 12-00-01.bak"_s}));
    child<QPushButton>(&dlg, Dlg::IdReturn)->click();
    QVERIFY(!dlg.isVisible());
}

void TestImportValue::importWithoutDatabaseThroughTheDialog()
{
    bDBOpen = false;
    CDlgSelectImportClass dlg;
    dlg.show();
    QPointer<CDlgProgress> progress = runImport(dlg, {0}, true);
    QVERIFY(progress);
    QTRY_VERIFY_WITH_TIMEOUT(!dlg.isTransferring(), kSlow);
    QVERIFY(progress->isFinished());
    QList<QStringList> listed = kFirstClassListed;
    for (QStringList& row : listed)
        row << QString() << QString();
    QCOMPARE(rowsOf(child<platform::ReportList>(progress, CDlgProgress::IdList), 7), listed);
    QCOMPARE(backupContent(), kFirstClassBackup);
    QCOMPARE(value(m_first.at(0), 6), u"<real>"_s);
    QCOMPARE(m_messages->count(), 0);
}

void TestImportValue::importFromAFileThroughTheDialog()
{
    // The backup file of the first class, and what a killed writer leaves: a line that is no
    // result, and one cut short.
    const QString path = m_backupRoot->filePath(u"2024-06-01.bak"_s);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(kFirstClassBackup + "no result here\r\n" + "             2024001");
    file.close();
    CDlgSelectImportClass dlg;
    dlg.show();
    child<QRadioButton>(&dlg, Dlg::IdRadioStuNO)->setChecked(true);
    platform::setNextOpenFileName(path);
    child<QPushButton>(&dlg, Dlg::IdImportFile)->click();
    QPointer<CDlgProgress> progress = dlg.progressWindow();
    QVERIFY(progress);
    QTRY_VERIFY_WITH_TIMEOUT(!dlg.isTransferring(), kSlow);
    // As the import from the instrument, without the times the file does not hold.
    QList<QStringList> expected = kFirstClassRows;
    for (QStringList& row : expected)
        row.last().clear();
    QCOMPARE(rowsOf(child<platform::ReportList>(progress, CDlgProgress::IdList), 7), expected);
    QCOMPARE(m_messages->texts(), QStringList{u"文件中有2行不是成绩记录, 没有导入."_s});
    QCOMPARE(value(m_first.at(0), 6), u"7.45"_s);
    QCOMPARE(value(m_first.at(0), 2), u"45.2"_s);
    QCOMPARE(value(m_first.at(1), 6), u"0"_s);
}

void TestImportValue::dialogCannotCloseOrStartAgainWhileItsWorkerRuns()
{
    CDlgSelectImportClass dlg;
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    child<QPushButton>(&dlg, Dlg::IdView)->click();
    child<platform::ReportList>(&dlg, Dlg::IdListInstrument)->selectRows({0});
    dlg.OnBnClickedAdd();

    // A stalled instrument keeps the worker in its handshake for a while.
    m_instrument->pause();
    child<QPushButton>(&dlg, Dlg::IdStart)->click();
    QVERIFY(dlg.isTransferring());
    QVERIFY(InstrumentExchange::isBusy());
    QPointer<CDlgProgress> first = dlg.progressWindow();
    QVERIFY(first);
    const QList<int> buttons{Dlg::IdStart, Dlg::IdView, Dlg::IdReturn};
    for (int id : buttons)
        QVERIFY2(!child<QPushButton>(&dlg, id)->isEnabled(), qPrintable(QString::number(id)));

    dlg.done(0);
    dlg.reject();
    QVERIFY(!dlg.close());
    QTest::keyClick(&dlg, Qt::Key_Escape);
    QVERIFY(dlg.isVisible());
    QVERIFY(!first->close());
    // Neither a second import nor a look at the instrument starts meanwhile.
    dlg.OnBnClickedStart();
    dlg.OnBnClickedView();
    QCOMPARE(dlg.progressWindow(), first.data());
    QCOMPARE(dlg.findChildren<CDlgProgress*>().size(), 1);
    QCOMPARE(child<platform::ReportList>(&dlg, Dlg::IdListInstrument)->rowCount(), 3);
    // The choice can still change.
    child<platform::ReportList>(&dlg, Dlg::IdListChosen)->selectRows({0});
    dlg.OnBnClickedRemove();
    QCOMPARE(dlg.chosenTotals().classes, 0);

    m_instrument->resume();
    QTRY_VERIFY_WITH_TIMEOUT(!dlg.isTransferring(), kSlow);
    QVERIFY(first->isFinished());
    QVERIFY(!InstrumentExchange::isBusy());
    for (int id : buttons)
        QVERIFY2(child<QPushButton>(&dlg, id)->isEnabled(), qPrintable(QString::number(id)));
    // The instrument answered well within the library's patience: the import read the class
    // chosen when it started, though the choice was emptied meanwhile.
    QCOMPARE(child<platform::ReportList>(first, CDlgProgress::IdList)->rowCount(), 6);
    QCOMPARE(m_messages->count(), 0);
    child<QPushButton>(&dlg, Dlg::IdReturn)->click();
    QVERIFY(!dlg.isVisible());
}

void TestImportValue::dialogGoingAwayWaitsForItsWorker()
{
    auto dlg = std::make_unique<CDlgSelectImportClass>();
    dlg->show();
    child<QPushButton>(dlg.get(), Dlg::IdView)->click();
    child<platform::ReportList>(dlg.get(), Dlg::IdListInstrument)->selectRows({0, 1});
    dlg->OnBnClickedAdd();
    m_instrument->pause();
    child<QPushButton>(dlg.get(), Dlg::IdStart)->click();
    QPointer<CDlgProgress> window = dlg->progressWindow();
    QVERIFY(window);
    QVERIFY(InstrumentExchange::isBusy());
    // As when the station quits under it: the worker (stuck in its handshake until the library
    // gives up) ends before the stores and the window it uses go.
    dlg.reset();
    QVERIFY(window.isNull());
    QVERIFY(!InstrumentExchange::isBusy());
    m_instrument->resume();
    // Stopped before it read a record: the stored value is the one from before.
    QCOMPARE(value(m_first.at(0), 6), u"<real>"_s);
    QCOMPARE(m_messages->count(), 0);
}

void TestImportValue::hubOpensTheResultImport_data()
{
    QTest::addColumn<bool>("database");
    QTest::newRow("with database") << true;
    QTest::newRow("without database") << false;
}

void TestImportValue::hubOpensTheResultImport()
{
    QFETCH(bool, database);
    bDBOpen = database;
    CDlgSync hub;
    QString title;
    QWidget* parent = nullptr;
    testsupport::whenModalShown<CDlgSelectImportClass>([&](CDlgSelectImportClass* dlg) {
        title = dlg->windowTitle();
        parent = dlg->parentWidget();
        dlg->reject();
    });
    child<QPushButton>(&hub, CDlgSync::IdImportValue)->click();
    QCOMPARE(title, u"选择导入班级"_s);
    QCOMPARE(parent, &hub);
    QCOMPARE(m_messages->count(), 0);
    QVERIFY(QApplication::activeModalWidget() == nullptr);
}

QTEST_MAIN(TestImportValue)
#include "testimportvalue.moc"
