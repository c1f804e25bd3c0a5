#include "CDlgDataBase.h"
#include "CDlgImportStu.h"
#include "CDlgImportValue.h"
#include "Clock.h"
#include "ExcelFormatDialog.h"
#include "ExcelFormatTable.h"
#include "FileDialogs.h"
#include "GuiTestSupport.h"
#include "ImportTestSupport.h"
#include "StudentImport.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace importtest;
using testsupport::child;

// The database menu and the import windows over their logic classes, on real databases and
// xlwt workbooks.
class TestImportDialogs : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        QVERIFY(m_fresh.make());
        theDB = m_fresh.db();
        m_boxes = std::make_unique<platform::RecordingMessageService>();
    }
    void cleanup()
    {
        platform::setClock({});
        m_boxes.reset();
        bDBOpen = false;
        theDB = CDB();
        m_fresh.close();
    }
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

void TestImportDialogs::menuOpensOrRefuses_data()
{
    QTest::addColumn<bool>("database");
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("opened"); // the class of the dialog opened, empty for none
    for (bool db : {false, true}) {
        // Without a database the first three refuse.
        QTest::addRow("1009, db %d", db) << db << 1009 << (db ? u"CDlgImportValue"_s : QString());
        QTest::addRow("1010, db %d", db) << db << 1010 << (db ? u"CDlgImportStu"_s : QString());
        QTest::addRow("1011, db %d", db) << db << 1011 << (db ? u"CDlgCard"_s : QString());
        QTest::addRow("1012, db %d", db) << db << 1012 << u"CDlgSelectDBFile"_s;
    }
}

void TestImportDialogs::menuOpensOrRefuses()
{
    QFETCH(bool, database);
    QFETCH(int, button);
    QFETCH(QString, opened);
    bDBOpen = database;
    CDlgDataBase menu;
    menu.show();
    QString seen; // noted and closed in the dialog's own loop, or after the click if none
    QTimer::singleShot(0, [&seen] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            seen = QString::fromLatin1(w->metaObject()->className());
            qobject_cast<QDialog*>(w)->reject();
        }
    });
    child<QPushButton>(&menu, button)->click();
    QCoreApplication::processEvents();
    QCOMPARE(seen, opened);
    const bool refused = !database && button != CDlgDataBase::IdSelectDBFile;
    QCOMPARE(boxes(*m_boxes), refused ? QStringList{appBox(u"请先选择数据库!"_s)} : QStringList());
    QVERIFY(menu.isVisible());
    child<QPushButton>(&menu, CDlgDataBase::IdReturn)->click();
}

void TestImportDialogs::importWindows_data()
{
    QTest::addColumn<bool>("students");
    QTest::addColumn<QStringList>("columns"); // "title width"
    QTest::addColumn<QStringList>("runs");    // workbooks, in turn
    QTest::addColumn<QStringList>("listed");  // the student numbers, or the outcomes
    QTest::addColumn<QStringList>("summaries");
    QTest::addColumn<QStringList>("help"); // title, first and last heading, a sample cell
    QTest::newRow("students")
        << true
        << QStringList{u"年级编号 60"_s,  u"班号 100"_s,    u"班名 100"_s, u"学号 100"_s,
                       u"民族 40"_s,      u"姓名 100"_s,    u"性别 40"_s,  u"出生日期 100"_s,
                       u"家庭住址 140"_s, u"学生来源 100"_s}
        << QStringList{workbook(u"students_stop_at_empty_name.xls"_s), workbook(u"students.xls"_s)}
        << QStringList{u"2101001"_s, u"2101002"_s, u"2102001"_s,
                       u"2201001"_s, u"2201002"_s, u"2101011"_s}
        << QStringList{u"总共导入学生:1人"_s, u"总共导入学生:5人"_s}
        << QStringList{u"导入学生文件格式"_s, u"年级编号"_s, u"学生来源"_s, u"1997-9-14"_s};
    QTest::newRow("scores")
        << false
        << QStringList{u"学号 120"_s, u"姓名 120"_s, u"项目 100"_s, u"成绩 100"_s, u"状态 100"_s}
        << QStringList{workbook(u"scores_stop_at_empty_number.xls"_s), workbook(u"scores.xls"_s)}
        << QStringList{u"成功"_s, u"成功"_s, u"没有此学生"_s, u"失败"_s, u"成功"_s, u"成功"_s}
        << QStringList{u"总共导入成绩:1条"_s, u"总共导入成绩:5条"_s}
        << QStringList{u"导入单项成绩文件格式"_s, u"学号"_s, u"成绩"_s, u"69"_s};
}

void TestImportDialogs::importWindows()
{
    QFETCH(bool, students);
    QFETCH(QStringList, columns);
    QFETCH(QStringList, runs);
    QFETCH(QStringList, listed);
    QFETCH(QStringList, summaries);
    QFETCH(QStringList, help);
    platform::MemoryListView setUp;
    if (!students) // the pupils the score workbooks name
        StudentImport(m_fresh.db(), &setUp).run(workbook(u"students.xls"_s));
    m_boxes->clear();
    const std::unique_ptr<WorkbookImportDialog> dlg(
        students ? static_cast<WorkbookImportDialog*>(new CDlgImportStu) : new CDlgImportValue);
    const int pathId = students ? int(CDlgImportStu::IdPath) : int(CDlgImportValue::IdPath);
    auto* list = child<platform::ReportList>(dlg.get(), WorkbookImportDialog::IdList);
    auto* count = child<QLabel>(dlg.get(), WorkbookImportDialog::IdCount);
    dlg->show();
    QStringList shownColumns;
    for (int c = 0; c < list->model()->columnCount(); ++c)
        shownColumns << testsupport::headers(list).at(c) + u" "_s +
                            QString::number(list->columnWidth(c));
    QCOMPARE(shownColumns, columns);

    QStringList counts;
    for (const QString& run : runs) {
        // Browsing starts among the samples; a cancelled browse keeps the path.
        platform::setNextOpenFileName(run);
        child<QPushButton>(dlg.get(), WorkbookImportDialog::IdBrowse)->click();
        QCOMPARE(platform::lastOpenFileRequest().folder,
                 QFileInfo(sample(QString())).canonicalFilePath());
        QCOMPARE(platform::lastOpenFileRequest().filter, u"Microsoft Excel文件(*.xls)"_s);
        platform::setNextOpenFileName(QString());
        child<QPushButton>(dlg.get(), WorkbookImportDialog::IdBrowse)->click();
        QCOMPARE(child<QLineEdit>(dlg.get(), pathId)->text(), run);
        child<QPushButton>(dlg.get(), WorkbookImportDialog::IdStart)->click();
        counts << count->text();
    }
    QCOMPARE(counts, (QStringList{u"1"_s, u"6"_s}));
    // Each run's rows from position 0, above the earlier ones.
    QStringList column;
    for (const QStringList& row : testsupport::rowsOf(list, 5))
        column << row.at(students ? 3 : 4);
    QCOMPARE(column, listed);
    QCOMPARE(m_boxes->texts(), summaries);
    for (const auto& s : m_boxes->shown())
        QCOMPARE(s.owner, dlg.get());

    QStringList seen;
    testsupport::whenModalShown<ExcelFormatDialog>([&](ExcelFormatDialog* h) {
        const QList<QStringList> rows = h->table()->rows();
        seen << h->windowTitle() << rows.at(0).constFirst() << rows.at(0).constLast()
             << rows.at(1).at(students ? 7 : 3);
        for (const QLabel* l : h->findChildren<QLabel*>())
            seen << l->text();
        child<QPushButton>(h, ExcelFormatDialog::IdCancel)->click();
    });
    child<QPushButton>(dlg.get(), WorkbookImportDialog::IdFormat)->click();
    QCOMPARE(seen,
             help << u"备注:单元格格式全部为文本类型,"_s << u"亦可参阅安装目录下的示例文件."_s);
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
    // Served by the event loop only while the run lets the window paint.
    QList<int> shownAt;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] {
        auto* w = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (w && w->objectName() == u"importProgress"_s) {
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
    // No window is left over, and the rows are in the workbook's order.
    QCOMPARE(m_boxes->texts(), QStringList{u"总共导入学生:600人"_s});
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QStringList numbers;
    for (const QStringList& row : testsupport::rowsOf(list, 4))
        numbers << row.at(3);
    QCOMPARE(numbers, studentNumbers(m_fresh.db()));
    QCOMPARE(numbers.size(), 600);
}

QTEST_MAIN(TestImportDialogs)
#include "testimportdialogs.moc"
