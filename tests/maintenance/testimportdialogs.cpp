#include "CDlgDataBase.h"
#include "CDlgExcelFormatStu.h"
#include "CDlgExcelFormatValue.h"
#include "CDlgImportStu.h"
#include "CDlgImportValue.h"
#include "CStudent.h"
#include "Clock.h"
#include "ExcelFormatTable.h"
#include "FileDialogs.h"
#include "GuiTestSupport.h"
#include "ImportTestSupport.h"
#include "ScoreImport.h"
#include "StudentImport.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace importtest;
using platform::Icon;
using testsupport::child;

namespace
{

// Runs once the next modal dialog is up (or at once when none opens): notes its class and
// closes it.
void closeNextModal(QString& opened)
{
    QTimer::singleShot(0, [&opened] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            opened = QString::fromLatin1(w->metaObject()->className());
            qobject_cast<QDialog*>(w)->reject();
        }
    });
}

} // namespace

// The database menu and the import windows over their logic classes, on real databases and
// xlwt workbooks.
class TestImportDialogs : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void menuOpensOrRefuses_data();
    void menuOpensOrRefuses();
    void importWindows_data();
    void importWindows();
    void longRunShowsProgressAndKeepsOrder();

private:
    testsupport::IsolatedConfig m_config;
    storetest::FreshDatabase m_fresh;
    std::unique_ptr<platform::RecordingMessageService> m_boxes;
};

void TestImportDialogs::init()
{
    QVERIFY(m_fresh.make());
    theDB = m_fresh.db();
    bDBOpen = true;
    m_boxes = std::make_unique<platform::RecordingMessageService>();
}

void TestImportDialogs::cleanup()
{
    platform::setClock({});
    m_boxes.reset();
    bDBOpen = false;
    theDB = CDB();
    m_fresh.close();
}

void TestImportDialogs::menuOpensOrRefuses_data()
{
    QTest::addColumn<bool>("database");
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("opened");
    QTest::addColumn<QStringList>("shown");
    const QStringList refusal{appBox(u"请先选择数据库!"_s)};
    for (int id : {CDlgDataBase::IdImportValue, CDlgDataBase::IdImportStu, CDlgDataBase::IdCard})
        QTest::addRow("%d without database", id) << false << id << QString() << refusal;
    QTest::newRow("1012 without database")
        << false << int(CDlgDataBase::IdSelectDBFile) << u"CDlgSelectDBFile"_s << QStringList();
    QTest::newRow("1009") << true << int(CDlgDataBase::IdImportValue) << u"CDlgImportValue"_s
                          << QStringList();
    QTest::newRow("1010") << true << int(CDlgDataBase::IdImportStu) << u"CDlgImportStu"_s
                          << QStringList();
    // The card management is not there yet: nothing opens, nothing is said.
    QTest::newRow("1011") << true << int(CDlgDataBase::IdCard) << QString() << QStringList();
    QTest::newRow("1012") << true << int(CDlgDataBase::IdSelectDBFile) << u"CDlgSelectDBFile"_s
                          << QStringList();
}

void TestImportDialogs::menuOpensOrRefuses()
{
    QFETCH(bool, database);
    QFETCH(int, button);
    QFETCH(QString, opened);
    QFETCH(QStringList, shown);
    bDBOpen = database;
    CDlgDataBase menu;
    QCOMPARE(menu.windowTitle(), u"数据库操作"_s);
    menu.show();
    QString seen;
    closeNextModal(seen);
    child<QPushButton>(&menu, button)->click();
    QCoreApplication::processEvents();
    QCOMPARE(seen, opened);
    QCOMPARE(boxes(*m_boxes), shown);
    QVERIFY(menu.isVisible());
    child<QPushButton>(&menu, CDlgDataBase::IdReturn)->click();
    QVERIFY(!menu.isVisible());
}

void TestImportDialogs::importWindows_data()
{
    QTest::addColumn<bool>("students");
    QTest::addColumn<QStringList>("runs"); // workbooks, in turn
    QTest::addColumn<QStringList>("counts");
    QTest::addColumn<QStringList>(
        "listed"); // the list's student numbers (pupils) or outcomes (scores)
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QStringList>("help");
    const QString stu = u"导入学生"_s;
    QTest::newRow("students") << true
                              << QStringList{workbook(u"students_stop_at_empty_name.xls"_s),
                                             workbook(u"students.xls"_s)}
                              << QStringList{u"1"_s, u"6"_s}
                              << QStringList{u"2101001"_s, u"2101002"_s, u"2102001"_s,
                                             u"2201001"_s, u"2201002"_s, u"2101011"_s}
                              << QStringList{box(stu, Icon::Information, u"总共导入学生:1人"_s),
                                             box(stu, Icon::Information, u"总共导入学生:5人"_s)}
                              << QStringList{u"导入学生文件格式"_s, u"年级编号"_s, u"学生来源"_s,
                                             u"1997-9-14"_s};
    const QString val = u"导入单项成绩"_s;
    QTest::newRow("scores")
        << false
        << QStringList{workbook(u"scores_stop_at_empty_number.xls"_s), workbook(u"scores.xls"_s)}
        << QStringList{u"1"_s, u"6"_s}
        << QStringList{u"成功"_s, u"成功"_s, u"没有此学生"_s, u"失败"_s, u"成功"_s, u"成功"_s}
        << QStringList{box(val, Icon::Information, u"总共导入成绩:1条"_s),
                       box(val, Icon::Information, u"总共导入成绩:5条"_s)}
        << QStringList{u"导入单项成绩文件格式"_s, u"学号"_s, u"成绩"_s, u"69"_s};
}

void TestImportDialogs::importWindows()
{
    QFETCH(bool, students);
    QFETCH(QStringList, runs);
    QFETCH(QStringList, counts);
    QFETCH(QStringList, listed);
    QFETCH(QStringList, shown);
    QFETCH(QStringList, help);
    platform::MemoryListView setUp;
    if (!students) // the pupils the score workbooks name
        QCOMPARE(StudentImport(m_fresh.db(), &setUp).run(workbook(u"students.xls"_s)),
                 StudentImport::Outcome::Finished);
    m_boxes->clear();
    std::unique_ptr<WorkbookImportDialog> dlg;
    if (students)
        dlg = std::make_unique<CDlgImportStu>();
    else
        dlg = std::make_unique<CDlgImportValue>();
    const auto columns = students ? StudentImport::listColumns() : ScoreImport::listColumns();
    const int keyColumn = students ? 3 : 4;
    auto* path = child<QLineEdit>(dlg.get(), students ? int(CDlgImportStu::IdPath)
                                                      : int(CDlgImportValue::IdPath));
    auto* list = child<platform::ReportList>(dlg.get(), WorkbookImportDialog::IdList);
    auto* count = child<QLabel>(dlg.get(), WorkbookImportDialog::IdCount);
    dlg->show();
    QStringList headers;
    for (int c = 0; c < columns.size(); ++c) {
        headers << columns.at(c).first;
        QCOMPARE(list->columnWidth(c), columns.at(c).second);
    }
    QCOMPARE(testsupport::headers(list), headers);
    QCOMPARE(count->text(), QString());

    for (int i = 0; i < runs.size(); ++i) {
        // Browsing starts among the samples; a cancelled browse keeps the path.
        platform::setNextOpenFileName(runs.at(i));
        child<QPushButton>(dlg.get(), WorkbookImportDialog::IdBrowse)->click();
        const platform::OpenFileRequest asked = platform::lastOpenFileRequest();
        QCOMPARE(asked.folder, QFileInfo(sample(QString())).canonicalFilePath());
        QCOMPARE(asked.filter, u"Microsoft Excel文件(*.xls)"_s);
        QCOMPARE(asked.initialName, u"*.xls"_s);
        platform::setNextOpenFileName(QString());
        child<QPushButton>(dlg.get(), WorkbookImportDialog::IdBrowse)->click();
        QCOMPARE(path->text(), runs.at(i));
        child<QPushButton>(dlg.get(), WorkbookImportDialog::IdStart)->click();
        QCOMPARE(count->text(), counts.at(i));
    }
    QStringList column;
    for (const QStringList& row : testsupport::rowsOf(list, int(columns.size())))
        column << row.at(keyColumn);
    QCOMPARE(column, listed);
    QCOMPARE(boxes(*m_boxes), shown);
    for (const auto& s : m_boxes->shown())
        QCOMPARE(s.owner, dlg.get());

    // The format help: its table and notes, closed by "取消".
    QStringList seen;
    testsupport::whenModalShown<ExcelFormatDialog>([&](ExcelFormatDialog* h) {
        const QList<QStringList> rows = h->table()->rows();
        seen << h->windowTitle() << rows.at(0).constFirst() << rows.at(0).constLast()
             << rows.at(1).at(rows.at(0).size() > 4 ? 7 : 3);
        for (const QLabel* l : h->findChildren<QLabel*>())
            seen << l->text();
        child<QPushButton>(h, ExcelFormatDialog::IdCancel)->click();
    });
    child<QPushButton>(dlg.get(), WorkbookImportDialog::IdFormat)->click();
    help << u"备注:单元格格式全部为文本类型,"_s << u"亦可参阅安装目录下的示例文件."_s;
    QCOMPARE(seen, help);
}

void TestImportDialogs::longRunShowsProgressAndKeepsOrder()
{
    // Each look at the clock is a second later: every batch ends after the first second.
    QDateTime now = QDateTime::currentDateTime();
    platform::setClock([&now] { return now = now.addSecs(1); });
    CDlgImportStu dlg;
    dlg.show();
    child<QLineEdit>(&dlg, CDlgImportStu::IdPath)->setText(workbook(u"students_600.xls"_s));
    auto* list = child<platform::ReportList>(&dlg, CDlgImportStu::IdList);
    // Served by the window's event loop only while the run lets it paint.
    QList<int> shownAt;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == u"importProgress"_s && w->isVisible()) {
                QCOMPARE(QApplication::activeModalWidget(), w);
                const int value = w->findChild<QProgressBar*>()->value();
                QCOMPARE(list->rowCount(), value); // each batch is listed before it is shown
                if (shownAt.isEmpty() || shownAt.constLast() != value)
                    shownAt << value;
            }
    });
    watch.start(0);
    child<QPushButton>(&dlg, CDlgImportStu::IdStart)->click();
    watch.stop();
    QCOMPARE(shownAt, (QList<int>{250, 500}));
    // The window went before the summary and the rows are in the workbook's order.
    QCOMPARE(m_boxes->texts(), QStringList{u"总共导入学生:600人"_s});
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QCOMPARE(list->rowCount(), 600);
    for (int r = 0; r < 600; r += 149)
        QCOMPARE(list->cell(r, 3), u"2105%1"_s.arg(r, 3, 10, QLatin1Char('0')));
    QCOMPARE(studentNumbers(m_fresh.db()).size(), 600);
}

QTEST_MAIN(TestImportDialogs)
#include "testimportdialogs.moc"
