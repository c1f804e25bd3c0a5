// The results windows clicked on the offscreen platform over a real database: "数据库" →
// "成绩完成情况" with a class picked, a pupil's history opened from its row with an earlier
// value put back, and the export with the save dialog answered, read back by openpyxl.

#include "CDlgCompletion.h"
#include "CDlgDataBase.h"
#include "CDlgValueHistory.h"
#include "CStudent.h"
#include "CValue.h"
#include "Clock.h"
#include "Database.h"
#include "FileDialogs.h"
#include "GuiTestSupport.h"
#include "ImportTestSupport.h"
#include "SqlConnection.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;
using namespace importtest;
using testsupport::child;

namespace
{

QPushButton* button(const QWidget* w, const QString& text)
{
    for (QPushButton* b : w->findChildren<QPushButton*>(QString(), Qt::FindDirectChildrenOnly))
        if (b->text() == text)
            return b;
    return nullptr;
}

// The window's own table (not the one of a history window opened over it).
QTableWidget* table(const QWidget* w)
{
    return w->findChild<QTableWidget*>(QString(), Qt::FindDirectChildrenOnly);
}

// The headings, then one line per row, cells joined by " | ".
QStringList shown(const QTableWidget* t)
{
    QStringList heads;
    for (int c = 0; c < t->columnCount(); ++c)
        heads << t->horizontalHeaderItem(c)->text();
    QStringList lines{heads.join(u" | "_s)};
    for (int r = 0; r < t->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < t->columnCount(); ++c)
            cells << (t->item(r, c) ? t->item(r, c)->text() : QString());
        lines << cells.join(u" | "_s);
    }
    return lines;
}

QPoint cellCentre(const QTableWidget* t, int row)
{
    return t->visualRect(t->model()->index(row, 1)).center();
}

QString stored(const CDB& db, long stuId, long item)
{
    for (const QStringList& r :
         tableRows(db, u"STU_ObjectData"_s, {u"STU_ID"_s, u"Object_ID"_s, u"ObjectValue"_s}))
        if (r.at(0) == QString::number(stuId) && r.at(1) == QString::number(item))
            return r.at(2);
    return u"none"_s;
}

const QString kTitle = u"成绩完成情况"_s;
const QString kBoyHeads =
    u"学号 | 姓名 | 性别 | 身高 | 体重 | 肺活量 | 50米跑 | 立定跳远 | 1000米跑"_s;
const QString kClassHeads = kBoyHeads + u" | 800米跑"_s;
const QString kGirl = u"2102001 | 李小红 | 女 | 160  05-12 09:30 | 45  05-12 09:30 | 2500  05-12 "
                      "09:30 | 9.5  05-12 09:30 | 180  05-12 09:30 |  | 3'50  05-12 09:30"_s;

} // namespace

class TestResultsWindows : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void classPickedIsShown_data();
    void classPickedIsShown();
    void earlierValuePutBackFromTheRow();
    void exportWithTheSaveDialog_data();
    void exportWithTheSaveDialog();

private:
    void addPupil(const QString& name, long classNo, const QString& className, const QString& sex,
                  const QString& number);
    // Opens the database menu, clicks "成绩完成情况", runs look on the window and closes it
    // with "返回".
    void inWindow(const std::function<void(CDlgCompletion*)>& look);

    testsupport::IsolatedConfig m_config;
    storetest::FreshDatabase m_fresh;
    std::unique_ptr<platform::RecordingMessageService> m_boxes;
    QDateTime m_now{QDate(2026, 5, 12), QTime(9, 30)};
};

void TestResultsWindows::init()
{
    QVERIFY(m_fresh.make());
    theDB = m_fresh.db();
    bDBOpen = true;
    m_boxes = std::make_unique<platform::RecordingMessageService>();
    m_now = QDateTime(QDate(2026, 5, 12), QTime(9, 30));
    platform::setClock([this] { return m_now; });
    // Grade 21: a boy is tested in items 1, 2, 4, 6, 7 and 12, a girl in 13 instead of 12.
    addPupil(u"张三"_s, 2101, u"一年级一班"_s, u"男"_s, u"2101001"_s);   // 0: nothing yet
    addPupil(u"李小红"_s, 2102, u"一年级二班"_s, u"女"_s, u"2102001"_s); // 1: everything
    addPupil(u"王小明"_s, 2102, u"一年级二班"_s, u"男"_s, u"2102002"_s); // 2: some
    CDB db = m_fresh.db();
    // The boy's weight is from before the history, the rest measured live.
    db.database()->connection().execute(
        u"UPDATE STU_ObjectData SET ObjectValue = 42.5 WHERE STU_ID = 2 AND Object_ID = 2"_s);
    CValue live(db);
    live.setHistorySource({store::ValueSource::Live, {}});
    QCOMPARE(live.InsertValue(2, 1, 171.5), 1);
    QCOMPARE(live.InsertValue(2, 7, 205.0), 1);
    const QList<std::pair<long, double>> girl{{1, 160}, {2, 45}, {4, 2500}, {6, 9.5}, {7, 180}};
    for (const auto& [item, value] : girl)
        QCOMPARE(live.InsertValue(1, item, value), 1);
    QCOMPARE(live.InsertValue(1, 13, u"3'50"_s), 1);
    m_now = m_now.addSecs(5 * 60);
    QCOMPARE(live.InsertValue(2, 7, 20.5), 1); // a wrong reading over the right one
}

void TestResultsWindows::cleanup()
{
    platform::setClock({});
    m_boxes.reset();
    bDBOpen = false;
    theDB = CDB();
    m_fresh.close();
}

void TestResultsWindows::addPupil(const QString& name, long classNo, const QString& className,
                                  const QString& sex, const QString& number)
{
    CStudent student(m_fresh.db());
    QCOMPARE(student.InsertStu(name, 21, classNo, className, sex, QDate(2010, 3, 1), 1, number,
                               QString(), QString()),
             1);
}

void TestResultsWindows::inWindow(const std::function<void(CDlgCompletion*)>& look)
{
    CDlgDataBase menu;
    menu.show();
    bool opened = false;
    testsupport::whenModalShown<CDlgCompletion>([&](CDlgCompletion* dlg) {
        opened = true;
        look(dlg);
        button(dlg, u"返回"_s)->click();
    });
    child<QPushButton>(&menu, CDlgDataBase::IdCompletion)->click();
    QVERIFY(opened);
}

void TestResultsWindows::classPickedIsShown_data()
{
    QTest::addColumn<int>("downs"); // arrow-down presses on the class box
    QTest::addColumn<QStringList>("grid");
    QTest::addColumn<QStringList>("counts");
    // The first class is there as the window opens: a placeholder weight of 0 is missing.
    QTest::newRow("first, on opening")
        << 0
        << QStringList{kBoyHeads,
                       u"2101001 | 张三 | 男 | 未测 | 未测 | 未测 | 未测 | 未测 | 未测"_s}
        << QStringList{u"身高: 已测 0 / 未测 1"_s,     u"体重: 已测 0 / 未测 1"_s,
                       u"肺活量: 已测 0 / 未测 1"_s,   u"50米跑: 已测 0 / 未测 1"_s,
                       u"立定跳远: 已测 0 / 未测 1"_s, u"1000米跑: 已测 0 / 未测 1"_s};
    // The boy misses something and comes before the girl who came first; his weight is from
    // before the history.
    QTest::newRow("second, picked")
        << 1
        << QStringList{kClassHeads,
                       u"2102002 | 王小明 | 男 | 171.5  05-12 09:30 | 42.5  （历史前） | 未测 | "
                       u"未测 "
                       "| 20.5  05-12 09:35 | 未测 | "_s,
                       kGirl}
        << QStringList{u"身高: 已测 2 / 未测 0"_s,     u"体重: 已测 2 / 未测 0"_s,
                       u"肺活量: 已测 1 / 未测 1"_s,   u"50米跑: 已测 1 / 未测 1"_s,
                       u"立定跳远: 已测 2 / 未测 0"_s, u"1000米跑: 已测 0 / 未测 1"_s,
                       u"800米跑: 已测 1 / 未测 0"_s};
}

void TestResultsWindows::classPickedIsShown()
{
    QFETCH(int, downs);
    QFETCH(QStringList, grid);
    QFETCH(QStringList, counts);
    QStringList classes;
    QStringList rules;
    QStringList seen;
    QStringList listed;
    inWindow([&](CDlgCompletion* dlg) {
        auto* box = dlg->findChild<QComboBox*>();
        for (int i = 0; i < box->count(); ++i)
            classes << box->itemText(i);
        for (const QLabel* l : dlg->findChildren<QLabel*>())
            rules << l->text();
        for (int i = 0; i < downs; ++i)
            QTest::keyClick(box, Qt::Key_Down);
        seen = shown(table(dlg));
        const auto* list = dlg->findChild<QListWidget*>();
        for (int i = 0; i < list->count(); ++i)
            listed << list->item(i)->text();
    });
    QCOMPARE(classes, (QStringList{u"2101 一年级一班"_s, u"2102 一年级二班"_s}));
    QCOMPARE(rules, (QStringList{u"班级"_s,
                                 u"没有历史记录的成绩(建立历史记录之前存入的): 非0的成绩算已测, "
                                 "时间显示为“（历史前）”; 0或空算未测. "
                                 "双击一格查看该学生的成绩历史."_s}));
    QCOMPARE(seen, grid);
    QCOMPARE(listed, counts);
    QCOMPARE(boxes(*m_boxes), QStringList());
}

void TestResultsWindows::earlierValuePutBackFromTheRow()
{
    const QString heads = u"项目 | 成绩 | 原成绩 | 来源 | 时间"_s;
    const QStringList entries{heads, u"身高 | 171.5 | 0 | 实时采集 | 2026-05-12 09:30:00"_s,
                              u"立定跳远 | 205 | 0 | 实时采集 | 2026-05-12 09:30:00"_s,
                              u"立定跳远 | 20.5 | 205 | 实时采集 | 2026-05-12 09:35:00"_s};
    const QStringList before = history(m_fresh.db());
    QString title;
    QStringList untouched;
    QStringList after;
    QList<bool> enabled;
    bool currentWithoutSelection = false;
    QString boyAfter;
    m_now = QDateTime(QDate(2026, 5, 12), QTime(10, 0));
    inWindow([&](CDlgCompletion* dlg) {
        QTest::keyClick(dlg->findChild<QComboBox*>(), Qt::Key_Down);
        QTableWidget* grid = table(dlg);
        testsupport::whenModalShown<CDlgValueHistory>([&](CDlgValueHistory* h) {
            title = h->windowTitle();
            QTableWidget* list = table(h);
            // A current row but nothing selected, as focus alone leaves the table: "恢复" puts
            // nothing back.
            QPushButton* putBack = button(h, u"恢复"_s);
            list->selectionModel()->setCurrentIndex(list->model()->index(0, 0),
                                                    QItemSelectionModel::NoUpdate);
            currentWithoutSelection = list->currentRow() == 0 && list->selectedItems().isEmpty();
            enabled << putBack->isEnabled();
            QTest::mouseClick(putBack, Qt::LeftButton);
            untouched = shown(list);
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cellCentre(list, 1));
            enabled << putBack->isEnabled();
            QTest::mouseClick(putBack, Qt::LeftButton);
            after = shown(list);
            enabled << putBack->isEnabled(); // the new list has nothing selected
            button(h, u"返回"_s)->click();
        });
        // A double click as the platform delivers it: press and release, then the second press
        // as a double click.
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cellCentre(grid, 0));
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cellCentre(grid, 0));
        boyAfter = shown(grid).value(1);
    });
    QCOMPARE(title, u"成绩历史 - 2102002 王小明"_s);
    QVERIFY(currentWithoutSelection);
    QCOMPARE(enabled, (QList<bool>{false, true, false}));
    QCOMPARE(untouched, entries);
    QCOMPARE(after, entries + QStringList{u"立定跳远 | 205 | 20.5 | 恢复 2026-05-12 09:30:00 | "
                                          "2026-05-12 10:00:00"_s});
    QCOMPARE(boyAfter, u"2102002 | 王小明 | 男 | 171.5  05-12 09:30 | 42.5  （历史前） | 未测 | "
                       "未测 | 205  05-12 10:00 | 未测 | "_s);
    QCOMPARE(stored(m_fresh.db(), 2, 7), u"205"_s);
    QCOMPARE(history(m_fresh.db()),
             before + QStringList{u"2 7 205 20.5 putback 2026-05-12 09:30:00"_s});
    QCOMPARE(boxes(*m_boxes), QStringList());
}

void TestResultsWindows::exportWithTheSaveDialog_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("answer"); // the file name chosen, empty: cancelled
    QTest::addColumn<QString>("offered");
    QTest::addColumn<QStringList>("sheets");
    QTest::addColumn<QString>("told");
    const QStringList second{
        u"[一年级二班]"_s,
        u"s:班级\ts:学号\ts:姓名\ts:性别\ts:卡号\ts:身高(厘米)\ts:体重(千克)\ts:肺活量(毫升)"
        "\ts:50米跑(秒)\ts:立定跳远(厘米)\ts:1000米跑(分.秒)\ts:800米跑(分.秒)"_s,
        u"s:一年级二班\ts:2102001\ts:李小红\ts:女\t-\tn:160\tn:45\tn:2500\tn:9.5\tn:180\t-"
        "\ts:3'50"_s,
        u"s:一年级二班\ts:2102002\ts:王小明\ts:男\t-\tn:171.5\tn:42.5\t-\t-\tn:20.5\t-\t-"_s};
    const QStringList first{
        u"[一年级一班]"_s,
        u"s:班级\ts:学号\ts:姓名\ts:性别\ts:卡号\ts:身高(厘米)\ts:体重(千克)\ts:肺活量(毫升)"
        "\ts:50米跑(秒)\ts:立定跳远(厘米)\ts:1000米跑(分.秒)"_s,
        u"s:一年级一班\ts:2101001\ts:张三\ts:男\t-\t-\t-\t-\t-\t-\t-"_s};
    QTest::newRow("this class") << u"导出本班"_s << u"本班.xlsx"_s << u"2102.xlsx"_s << second
                                << u"已导出1个班级, 2名学生到\n%1"_s;
    QTest::newRow("every class") << u"导出全部"_s << u"全部.xlsx"_s << u"成绩.xlsx"_s
                                 << first + second << u"已导出2个班级, 3名学生到\n%1"_s;
    QTest::newRow("cancelled") << u"导出全部"_s << QString() << u"成绩.xlsx"_s << QStringList()
                               << QString();
}

void TestResultsWindows::exportWithTheSaveDialog()
{
    QFETCH(QString, control);
    QFETCH(QString, answer);
    QFETCH(QString, offered);
    QFETCH(QStringList, sheets);
    QFETCH(QString, told);
    QTemporaryDir dir;
    const QString path = answer.isEmpty() ? QString() : dir.filePath(answer);
    QObject* owner = nullptr;
    inWindow([&](CDlgCompletion* dlg) {
        owner = dlg;
        QTest::keyClick(dlg->findChild<QComboBox*>(), Qt::Key_Down);
        platform::setNextSaveFileName(path);
        button(dlg, control)->click();
    });
    const platform::FileRequest asked = platform::lastSaveFileRequest();
    QCOMPARE(asked.caption, kTitle);
    QCOMPARE(asked.initialName, offered);
    QCOMPARE(asked.filter, u"Excel (*.xlsx)"_s);
    QCOMPARE(asked.defaultSuffix, u"xlsx"_s);
    if (path.isEmpty()) {
        QCOMPARE(m_boxes->count(), 0);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
        return;
    }
    QCOMPARE(boxes(*m_boxes),
             QStringList{box(kTitle, platform::Icon::Information, told.arg(path))});
    QCOMPARE(m_boxes->shown().constFirst().owner, owner);
    QProcess reader;
    reader.start(QStringLiteral(SORVIK_PYTHON), {QStringLiteral(SORVIK_READ_XLSX), path});
    QVERIFY(reader.waitForFinished(60000));
    QCOMPARE(reader.readAllStandardError(), QByteArray());
    QCOMPARE(QString::fromUtf8(reader.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts),
             sheets);
}

QTEST_MAIN(TestResultsWindows)
#include "testresultswindows.moc"
