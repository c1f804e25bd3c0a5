#include "CAboutDlg.h"
#include "CDB.h"
#include "CDlgDataBase.h"
#include "CDlgImportStu.h"
#include "CDlgSelectDBFile.h"
#include "CDlgSync.h"
#include "CSorvikDlg.h"
#include "Database.h"
#include "DatabaseSetting.h"
#include "FileDialogs.h"
#include "FirstRunDatabase.h"
#include "GuiTestSupport.h"
#include "ImportTestSupport.h"
#include "MainWindowControls.h"
#include "MdbFixtures.h"
#include "NewDatabase.h"
#include "RecordingMessageService.h"
#include "ReportList.h"
#include "SqlConnection.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

using platform::RecordingMessageService;

namespace
{

const QString kBaseTitle = QStringLiteral("Dornel体质测试系统2011  2.08");
// The first-run offer; %1 is the database it names.
const QString kOfferNew = QStringLiteral("还没有选择数据库。\n是否在 %1 新建一个空的数据库?");
const QString kOfferExisting = QStringLiteral("还没有选择数据库。\n是否使用已有的数据库 %1 ?");

QPushButton* button(const QWidget* w, int id)
{
    return testsupport::child<QPushButton>(w, id);
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void configuredDatabaseOpens();
    void accessDatabaseConvertedAtStartUp();
    void noDatabaseAndSelectionCancelled_data();
    void noDatabaseAndSelectionCancelled();
    void savedSelectionClosesTheWindow();
    void firstRunOffer_data();
    void firstRunOffer();
    void radioButtonsStayExclusive();
    void counterFollowsTheList();
    void exitClosesTheDatabaseEscapeDoesNot();
    void aboutBoxIsReachable();
    void syncButtonOpensTheHub();
    void databaseMenuImportsStudents();

private:
    QString makeDatabase();
    std::unique_ptr<testsupport::IsolatedConfig> m_config;
    std::unique_ptr<QTemporaryDir> m_dir;
    QByteArray m_oldDataHome;
};

void TestMainWindow::init()
{
    m_config = std::make_unique<testsupport::IsolatedConfig>();
    m_dir = std::make_unique<QTemporaryDir>();
    // The first-run offer works in $XDG_DATA_HOME: never the real one.
    m_oldDataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", m_dir->filePath(QStringLiteral("data")).toUtf8());
    theDB.close();
    theDB = CDB();
    bDBOpen = false;
}

void TestMainWindow::cleanup()
{
    theDB.close();
    theDB = CDB();
    bDBOpen = false;
    qputenv("XDG_DATA_HOME", m_oldDataHome);
    m_dir.reset();
    m_config.reset();
}

QString TestMainWindow::makeDatabase()
{
    const QString path = m_dir->filePath(QStringLiteral("学校 school.mdb"));
    const QString error = store::createDatabase(path);
    if (!error.isEmpty())
        qFatal("%s", qUtf8Printable(error));
    return path;
}

void TestMainWindow::configuredDatabaseOpens()
{
    const QString path = makeDatabase();
    QVERIFY(platform::writeDatabaseFileName(path));
    RecordingMessageService recorder;
    CSorvikDlg dlg;
    const testsupport::MainWindowControls ui(&dlg);
    QVERIFY(dlg.OnInitDialog());
    QCOMPARE(dlg.windowTitle(), kBaseTitle + QStringLiteral("      ") + path);
    QVERIFY(bDBOpen);
    QVERIFY(ui.radioStuNO->isChecked());
    QVERIFY(!ui.radioCardNO->isChecked());
    QVERIFY(ui.start->isEnabled());
    QVERIFY(!ui.stop->isEnabled());
    QCOMPARE(ui.list->rowCount(), 0);
    QCOMPARE(ui.count->text(), QString());
    QVERIFY(!ui.count->isEnabled());
    QCOMPARE(ui.list->model()->columnCount(), 5);
    QCOMPARE(ui.list->model()->headerData(0, Qt::Horizontal).toString(),
             QStringLiteral("测试者编号"));
    QCOMPARE(ui.list->model()->headerData(4, Qt::Horizontal).toString(),
             QStringLiteral("成绩单位"));
    QCOMPARE(ui.list->columnWidth(2), 120);
    // The card table exists after start-up.
    QCOMPARE(theDB.database()
                 ->connection()
                 .query(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name='Stu_card'"))
                 .at(0, 0)
                 .toInt(),
             1);
    QCOMPARE(recorder.count(), 0);
}

void TestMainWindow::accessDatabaseConvertedAtStartUp()
{
    const QString path = m_dir->filePath(QStringLiteral("school.mdb"));
    const QString written = mdbfixtures::writeStation(path, 3000, {QStringLiteral("--card")});
    QVERIFY2(written.isEmpty(), qPrintable(written));
    QVERIFY(platform::writeDatabaseFileName(path));
    RecordingMessageService recorder;
    recorder.queueAnswer(platform::Answer::Yes);
    // Looks for the progress window while start-up converts.
    bool windowShown = false;
    int barValue = -1;
    QTimer watch;
    watch.setInterval(5);
    connect(&watch, &QTimer::timeout, this, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String("conversionProgress") && w->isVisible()) {
                windowShown = true;
                if (auto* bar = w->findChild<QProgressBar*>(QStringLiteral("conversionBar")))
                    barValue = qMax(barValue, bar->value());
            }
    });
    watch.start();
    CSorvikDlg dlg;
    QVERIFY(dlg.OnInitDialog());
    watch.stop();
    QVERIFY(windowShown);
    QVERIFY(barValue <= 1000);
    QCOMPARE(recorder.count(), 2); // the question and the report of what was carried
    QCOMPARE(recorder.shown().at(0).buttons, platform::Buttons::YesNo);
    QVERIFY(bDBOpen);
    QCOMPARE(dlg.windowTitle(), kBaseTitle + QStringLiteral("      ") + path);
    QVERIFY(testsupport::MainWindowControls(&dlg).start->isEnabled());
    QVERIFY(QFileInfo::exists(m_dir->filePath(QStringLiteral("school.access-original.mdb"))));
    for (QWidget* w : QApplication::topLevelWidgets())
        QVERIFY(w->objectName() != QLatin1String("conversionProgress") || !w->isVisible());
}

void TestMainWindow::noDatabaseAndSelectionCancelled_data()
{
    QTest::addColumn<bool>("configured");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("empty configuration, offer declined") << false << QStringList{kOfferNew};
    QTest::newRow("configured file missing")
        << true << QStringList{QStringLiteral("没有找到数据库")};
}

void TestMainWindow::noDatabaseAndSelectionCancelled()
{
    QFETCH(bool, configured);
    QFETCH(QStringList, messages);
    if (configured)
        QVERIFY(platform::writeDatabaseFileName(m_dir->filePath(QStringLiteral("gone.mdb"))));
    RecordingMessageService recorder;
    bool selectionShown = false;
    testsupport::whenModalShown<CDlgSelectDBFile>([&](CDlgSelectDBFile* d) {
        selectionShown = true;
        button(d, CDlgSelectDBFile::IdReturn)->click();
    });
    CSorvikDlg dlg;
    const testsupport::MainWindowControls ui(&dlg);
    dlg.OnInitDialog();
    QVERIFY(selectionShown);
    QCOMPARE(dlg.windowTitle(), kBaseTitle + QStringLiteral("      没有选择数据库!"));
    QVERIFY(!bDBOpen);
    QVERIFY(!ui.radioStuNO->isChecked());
    QVERIFY(!ui.radioCardNO->isChecked());
    QVERIFY(ui.start->isEnabled());
    QVERIFY(ui.stop->isEnabled());
    for (QString& text : messages)
        text = text.arg(FirstRunDatabase::defaultPath());
    QCOMPARE(recorder.texts(), messages);
    QVERIFY(!QFileInfo::exists(FirstRunDatabase::defaultPath()));
}

void TestMainWindow::savedSelectionClosesTheWindow()
{
    const QString path = makeDatabase();
    RecordingMessageService recorder;
    testsupport::whenModalShown<CDlgSelectDBFile>([&](CDlgSelectDBFile* d) {
        testsupport::child<QLineEdit>(d, CDlgSelectDBFile::IdPath)->setText(path);
        button(d, CDlgSelectDBFile::IdSave)->click();
    });
    CSorvikDlg dlg;
    QElapsedTimer clock;
    clock.start();
    // Guard against a window that stays open: the test would otherwise wait forever.
    QTimer::singleShot(20000, &dlg, [&dlg] { dlg.done(42); });
    const int result = dlg.DoModal();
    QCOMPARE(result, int(QDialog::Rejected));
    QVERIFY(!dlg.isVisible());
    QVERIFY(!bDBOpen);
    QCOMPARE(platform::readDatabaseFileName(), path);
    QCOMPARE(recorder.texts(), (QStringList{kOfferNew.arg(FirstRunDatabase::defaultPath()),
                                            QStringLiteral("保存成功,请重新启动程序!")}));
}

void TestMainWindow::firstRunOffer_data()
{
    QTest::addColumn<QString>(
        "before"); // what $XDG_DATA_HOME/sorvik/school.mdb is: "", "db", "blocked"
    QTest::addColumn<bool>("accept");
    QTest::addColumn<bool>("opens");
    QTest::newRow("declined") << QString() << false << false;
    QTest::newRow("accepted: a new empty database") << QString() << true << true;
    QTest::newRow("accepted: the database already there") << QStringLiteral("db") << true << true;
    QTest::newRow("accepted: its folder cannot be made")
        << QStringLiteral("blocked") << true << false;
}

void TestMainWindow::firstRunOffer()
{
    QFETCH(QString, before);
    QFETCH(bool, accept);
    QFETCH(bool, opens);
    const QString path = FirstRunDatabase::defaultPath();
    const QString dataHome = m_dir->filePath(QStringLiteral("data"));
    if (before == QStringLiteral("db")) {
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        QVERIFY(store::createDatabase(path).isEmpty());
        QVERIFY(store::addDemoPupils(path, 3).isEmpty());
    } else if (before == QStringLiteral("blocked")) {
        QFile file(dataHome); // a file where the data folder should be
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    RecordingMessageService recorder;
    recorder.queueAnswer(accept ? platform::Answer::Yes : platform::Answer::No);
    bool selectionShown = false;
    if (!opens)
        testsupport::whenModalShown<CDlgSelectDBFile>([&](CDlgSelectDBFile* d) {
            selectionShown = true;
            button(d, CDlgSelectDBFile::IdReturn)->click();
        });
    CSorvikDlg dlg;
    dlg.OnInitDialog();

    const QList<RecordingMessageService::Shown> shown = recorder.shown();
    QVERIFY(!shown.isEmpty());
    QCOMPARE(shown.at(0).text,
             (before == QStringLiteral("db") ? kOfferExisting : kOfferNew).arg(path));
    QCOMPARE(shown.at(0).buttons, platform::Buttons::YesNo);
    QCOMPARE(shown.at(0).icon, platform::Icon::Question);
    QCOMPARE(bDBOpen, opens);
    QCOMPARE(selectionShown, !opens);
    if (opens) {
        QCOMPARE(shown.size(), 1);
        QCOMPARE(dlg.windowTitle(), kBaseTitle + QStringLiteral("      ") + path);
        QCOMPARE(platform::readDatabaseFileName(), path);
        QVERIFY(testsupport::MainWindowControls(&dlg).radioStuNO->isChecked());
        // A database already there is used as it is, pupils and all.
        QCOMPARE(theDB.database()
                     ->connection()
                     .query(QStringLiteral("SELECT count(*) FROM STU_Main"))
                     .at(0, 0)
                     .toInt(),
                 before == QStringLiteral("db") ? 3 : 0);
        return;
    }
    QCOMPARE(dlg.windowTitle(), kBaseTitle + QStringLiteral("      没有选择数据库!"));
    QCOMPARE(platform::readDatabaseFileName(), QString());
    QVERIFY(!QFileInfo::exists(path));
    if (accept) {
        QCOMPARE(shown.size(), 2);
        QVERIFY(shown.at(1).text.startsWith(QStringLiteral("无法新建数据库 ") + path));
        QCOMPARE(shown.at(1).icon, platform::Icon::Warning);
    } else {
        QCOMPARE(shown.size(), 1);
    }
}

void TestMainWindow::radioButtonsStayExclusive()
{
    const QString path = makeDatabase();
    QVERIFY(platform::writeDatabaseFileName(path));
    CSorvikDlg dlg;
    const testsupport::MainWindowControls ui(&dlg);
    dlg.OnInitDialog();
    dlg.show();
    QTest::mouseClick(ui.radioCardNO, Qt::LeftButton);
    QVERIFY(ui.radioCardNO->isChecked());
    QVERIFY(!ui.radioStuNO->isChecked());
    QTest::mouseClick(ui.radioStuNO, Qt::LeftButton);
    QVERIFY(ui.radioStuNO->isChecked());
    QVERIFY(!ui.radioCardNO->isChecked());
    // Clicking the checked one again leaves it checked.
    QTest::mouseClick(ui.radioStuNO, Qt::LeftButton);
    QVERIFY(ui.radioStuNO->isChecked());
    QVERIFY(!ui.radioCardNO->isChecked());
}

void TestMainWindow::counterFollowsTheList()
{
    const QString path = makeDatabase();
    QVERIFY(platform::writeDatabaseFileName(path));
    CSorvikDlg dlg;
    const testsupport::MainWindowControls ui(&dlg);
    dlg.OnInitDialog();
    for (int i = 0; i < 3; ++i)
        ui.list->insertRow(0, QString::number(i));
    QCOMPARE(ui.count->text(), QStringLiteral("3"));
    QCOMPARE(ui.list->cell(0, 0), QStringLiteral("2"));
}

void TestMainWindow::exitClosesTheDatabaseEscapeDoesNot()
{
    const QString path = makeDatabase();
    QVERIFY(platform::writeDatabaseFileName(path));
    {
        CSorvikDlg dlg;
        dlg.OnInitDialog();
        dlg.show();
        QTest::keyClick(&dlg, Qt::Key_Escape);
        QVERIFY(!dlg.isVisible());
        QVERIFY(theDB.isOpen());
    }
    {
        CSorvikDlg dlg;
        dlg.OnInitDialog();
        dlg.show();
        button(&dlg, CSorvikDlg::IdExit)->click();
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(!theDB.isOpen());
    }
}

void TestMainWindow::aboutBoxIsReachable()
{
    const QString path = makeDatabase();
    QVERIFY(platform::writeDatabaseFileName(path));
    CSorvikDlg dlg;
    dlg.OnInitDialog();
    QAction* about = dlg.findChild<QAction*>(QStringLiteral("aboutAction"));
    QVERIFY(about);
    QCOMPARE(about->text(), QStringLiteral("关于 Sorvik(&A)..."));
    QVERIFY(dlg.actions().contains(about));
    QString caption;
    testsupport::whenModalShown<CAboutDlg>([&](CAboutDlg* box) {
        caption = box->windowTitle();
        button(box, CAboutDlg::IdOk)->click();
    });
    about->trigger();
    QCOMPARE(caption, QStringLiteral("关于 Sorvik"));
    QVERIFY(!dlg.windowIcon().isNull());
}

void TestMainWindow::syncButtonOpensTheHub()
{
    const QString path = makeDatabase();
    QVERIFY(platform::writeDatabaseFileName(path));
    RecordingMessageService recorder;
    CSorvikDlg dlg;
    dlg.OnInitDialog();
    dlg.show();
    QString caption;
    bool modal = false;
    QWidget* parent = &dlg;
    testsupport::whenModalShown<CDlgSync>([&](CDlgSync* hub) {
        caption = hub->windowTitle();
        modal = hub->isModal();
        parent = hub->parentWidget();
        button(hub, CDlgSync::IdReturn)->click();
    });
    button(&dlg, CSorvikDlg::IdSync)->click();
    QCOMPARE(caption, QStringLiteral("同步数据"));
    QVERIFY(modal);
    QVERIFY(parent == nullptr);
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    QVERIFY(dlg.isVisible());
    QCOMPARE(recorder.count(), 0);
}

void TestMainWindow::databaseMenuImportsStudents()
{
    using namespace importtest;
    using namespace Qt::StringLiterals;
    QVERIFY(platform::writeDatabaseFileName(makeDatabase()));
    RecordingMessageService recorder;
    CSorvikDlg dlg;
    dlg.OnInitDialog();
    dlg.show();
    QStringList listed, counts;
    testsupport::whenModalShown<CDlgDataBase>([&](CDlgDataBase* menu) {
        testsupport::whenModalShown<CDlgImportStu>([&](CDlgImportStu* import) {
            // Five pupils, then a workbook whose second row repeats its first.
            for (const QString& name : {u"students.xls"_s, u"students_duplicate.xls"_s}) {
                platform::setNextOpenFileName(workbook(name));
                button(import, CDlgImportStu::IdBrowse)->click();
                button(import, CDlgImportStu::IdStart)->click();
                counts << testsupport::child<QLabel>(import, CDlgImportStu::IdCount)->text();
            }
            auto* list = testsupport::child<platform::ReportList>(import, CDlgImportStu::IdList);
            for (const QStringList& row : testsupport::rowsOf(list, 10))
                listed << row.at(3) + row.at(5) + row.at(6);
            button(import, CDlgImportStu::IdReturn)->click();
        });
        button(menu, CDlgDataBase::IdImportStu)->click();
        button(menu, CDlgDataBase::IdReturn)->click();
    });
    button(&dlg, CSorvikDlg::IdDataBase)->click();
    QVERIFY(QApplication::activeModalWidget() == nullptr);

    const QString title = u"导入学生"_s;
    QCOMPARE(boxes(recorder),
             (QStringList{box(title, platform::Icon::Information, u"总共导入学生:5人"_s),
                          appBox(u"存在相同的记录,学号:2101041"_s),
                          box(title, platform::Icon::Stop, u"导入学生:乙二失败!"_s),
                          box(title, platform::Icon::Information, u"总共导入学生:1人"_s)}));
    QCOMPARE(counts, (QStringList{u"5"_s, u"6"_s}));
    // The second run's pupil on top; the list as stored.
    QCOMPARE(listed,
             (QStringList{u"2101041甲一男"_s, u"2101001王小明男"_s, u"2101002李\"小\"红女"_s,
                          u"2102001赵云男"_s, u"2201001钱多多"_s, u"2201002孙悟空X"_s}));
    QStringList stored;
    for (const QStringList& p : pupils(theDB))
        stored << p.at(0) + p.at(1) + p.at(6);
    QCOMPARE(stored, listed.mid(1) << listed.at(0));
}

QTEST_MAIN(TestMainWindow)
#include "testmainwindow.moc"
