// Card numbers: the card dialog's import, view and delete, and the card editing dialog with its
// card reader, on real databases and xlwt workbooks; the simulated reader reads a named pipe,
// the serial reader one end of a socat pseudo-terminal pair.

#include "CCard.h"
#include "CDlgCard.h"
#include "CDlgCardUpdate.h"
#include "CPelkanRFCard.h"
#include "CStudent.h"
#include "CardImport.h"
#include "CardManagement.h"
#include "CardReaderProfile.h"
#include "GuiTestSupport.h"
#include "ImportTestSupport.h"
#include "ProfileSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace importtest;
using platform::Icon;
using testsupport::child;

namespace
{

const QString kTitle = u"卡号"_s;

QString summary(int stored, int errors)
{
    return box(kTitle, Icon::Information,
               u"导入卡号数量:%1,错误卡号数量:%2"_s.arg(stored).arg(errors));
}

// The rows with the pupil each stands for ("-" when the row keeps none).
QList<QStringList> rowsWithPupils(const platform::ListView& list)
{
    QList<QStringList> rows;
    for (int r = 0; r < list.rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < 4; ++c)
            row << list.cell(r, c);
        const std::optional<qint64> key = list.rowKey(r);
        row << (key ? QString::number(*key) : u"-"_s);
        rows << row;
    }
    return rows;
}

void writeTo(const QString& path, const QByteArray& bytes)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK);
    QVERIFY2(fd >= 0, qPrintable(path));
    QCOMPARE(::write(fd, bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size()));
    ::close(fd);
}

void setReader(const QMap<QString, QString>& values)
{
    for (auto it = values.begin(); it != values.end(); ++it)
        QVERIFY(
            platform::writeProfileString(maintenance::cardReaderSection(), it.key(), it.value()));
}

} // namespace

class TestCards : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void import_data();
    void import();
    void viewAndImportThroughTheDialog();
    void deleteSelected_data();
    void deleteSelected();
    void modifyWithTheSimulatedReader();
    void serialReader();

private:
    // Card table rows as "pupil: card", in pupil order.
    QStringList cards()
    {
        QStringList out;
        for (const QStringList& r :
             tableRows(m_fresh.db(), u"STU_Card"_s, {u"StuID"_s, u"CardNO"_s}))
            out << r.at(0) + u": "_s + r.at(1);
        out.sort();
        return out;
    }

    storetest::FreshDatabase m_fresh;
    std::unique_ptr<testsupport::IsolatedConfig> m_config;
    std::unique_ptr<platform::RecordingMessageService> m_boxes;
    QTemporaryDir m_dir;
};

void TestCards::init()
{
    QVERIFY(m_fresh.make());
    theDB = m_fresh.db();
    bDBOpen = true;
    m_config = std::make_unique<testsupport::IsolatedConfig>();
    m_boxes = std::make_unique<platform::RecordingMessageService>();
    // Pupils 0-2 in class 2101, pupil 3 in class 2102; pupils 0 and 2 have cards.
    CStudent student(m_fresh.db());
    const QStringList names{u"王小明"_s, u"李小红"_s, u"张伟"_s, u"陈杰"_s};
    for (int i = 0; i < 4; ++i)
        QCOMPARE(student.InsertStu(
                     names.at(i), 21, i < 3 ? 2101 : 2102,
                     i < 3 ? u"一年级一班"_s : u"一年级二班"_s, u"男"_s, QDate(1997, 9, 14), 1,
                     i < 3 ? u"210100%1"_s.arg(i + 1) : u"2102001"_s, QString(), QString()),
                 1);
    CCard card(m_fresh.db());
    QCOMPARE(card.InsertUpdateCard(0, u"OLD0"_s), 1);
    QCOMPARE(card.InsertUpdateCard(2, u"OLD2"_s), 1);
    QCOMPARE(m_boxes->count(), 0);
}

void TestCards::cleanup()
{
    m_boxes.reset();
    m_config.reset();
    bDBOpen = false;
    theDB = CDB();
    m_fresh.close();
}

void TestCards::import_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("refuse0708002"); // the database refuses that card
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QList<QStringList>>("rows");
    QTest::addColumn<QStringList>("stored");

    const QStringList first{u"1"_s, u"2101001"_s, u"王小明"_s, u"0708001"_s, u"0"_s};
    QTest::newRow("two found, one unknown, an empty number ends it")
        << workbook(u"cards.xls"_s) << false << QStringList{summary(2, 1)}
        << QList<QStringList>{first, {u"2"_s, u"2101002"_s, u"李小红"_s, u"0708002"_s, u"1"_s}}
        << QStringList{u"0: 0708001"_s, u"1: 0708002"_s, u"2: OLD2"_s};
    QTest::newRow("a card the database refuses is an error")
        << workbook(u"cards.xls"_s) << true
        << QStringList{reportHead(u"int  CCard::InsertUpdateCard(long lStuID,CString strStuNO)"_s),
                       summary(1, 2)}
        << QList<QStringList>{first} << QStringList{u"0: 0708001"_s, u"2: OLD2"_s};
    const QString fifty(50, u'C');
    QTest::newRow("a card longer than the table holds")
        << workbook(u"cards_too_long.xls"_s) << false
        << QStringList{box(kTitle, Icon::Stop, u"1个卡号超过50个字符,没有导入:\n2101002"_s),
                       summary(1, 1)}
        << QList<QStringList>{{u"1"_s, u"2101001"_s, u"王小明"_s, fifty, u"0"_s}}
        << QStringList{u"0: "_s + fifty, u"2: OLD2"_s};
    QTest::newRow("a found pupil's row without a card cell")
        << workbook(u"cards_two_columns.xls"_s) << false
        << QStringList{box(kTitle, Icon::Stop, u"Excel文件只有2列,卡号文件需要3列,导入已停止"_s)}
        << QList<QStringList>{} << QStringList{u"0: OLD0"_s, u"2: OLD2"_s};
}

void TestCards::import()
{
    QFETCH(QString, path);
    QFETCH(bool, refuse0708002);
    QFETCH(QStringList, shown);
    QFETCH(QList<QStringList>, rows);
    QFETCH(QStringList, stored);
    if (refuse0708002)
        m_fresh.executeElsewhere(
            u"CREATE TRIGGER refuse BEFORE INSERT ON STU_Card "
            "WHEN NEW.CardNO = '0708002' BEGIN SELECT RAISE(ABORT, 'no'); END"_s);
    platform::MemoryListView list;
    CardImport(m_fresh.db(), &list).run(path);
    QCOMPARE(withReportsCut(boxes(*m_boxes)), shown);
    QCOMPARE(rowsWithPupils(list), rows);
    QCOMPARE(cards(), stored); // a pupil keeps one card row, replaced
}

void TestCards::viewAndImportThroughTheDialog()
{
    CDlgCard dlg;
    dlg.show();
    auto* combo = child<QComboBox>(&dlg, CDlgCard::IdClass);
    auto* count = child<QLabel>(&dlg, CDlgCard::IdCount);
    auto* view = child<QPushButton>(&dlg, CDlgCard::IdView);
    QStringList entries;
    for (int i = 0; i < combo->count(); ++i)
        entries << combo->itemText(i);
    QCOMPARE(entries, (QStringList{u"2101--一年级一班"_s, u"2102--一年级二班"_s}));
    QCOMPARE(combo->currentIndex(), -1);

    combo->setCurrentIndex(0);
    view->click();
    const QList<QStringList> class2101{{u"0"_s, u"2101001"_s, u"王小明"_s, u"OLD0"_s, u"-"_s},
                                       {u"1"_s, u"2101002"_s, u"李小红"_s, QString(), u"-"_s},
                                       {u"2"_s, u"2101003"_s, u"张伟"_s, u"OLD2"_s, u"-"_s}};
    QCOMPARE(rowsWithPupils(*dlg.list()), class2101);
    QCOMPARE(count->text(), u"3"_s);

    // An import lists its cards above the rows already there.
    child<QLineEdit>(&dlg, CDlgCard::IdPath)->setText(workbook(u"cards.xls"_s));
    child<QPushButton>(&dlg, CDlgCard::IdImport)->click();
    QCOMPARE(boxes(*m_boxes), QStringList{summary(2, 1)});
    QCOMPARE(m_boxes->shown().constFirst().owner, &dlg);
    QCOMPARE(rowsWithPupils(*dlg.list()).mid(2), class2101);
    QCOMPARE(count->text(), u"5"_s);

    // No class chosen: an empty list.
    combo->setCurrentIndex(-1);
    view->click();
    QCOMPARE(dlg.list()->rowCount(), 0);
    QCOMPARE(count->text(), u"0"_s);
}

void TestCards::deleteSelected_data()
{
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QStringList>("stored");

    const QString ask = box(u"删除卡号"_s, Icon::Question, u"确认删除所选卡号吗?"_s);
    const QStringList imported{u"0: 0708001"_s, u"1: 0708002"_s, u"2: OLD2"_s};
    // Rows 0 and 1 from the import (pupils 0 and 1, numbered 1 and 2), row 4 from the view.
    QTest::newRow("three rows, Yes")
        << QList<int>{0, 1, 4} << int(platform::Answer::Yes) << QStringList{ask}
        << QStringList{u"0: "_s, u"1: "_s, u"2: "_s};
    QTest::newRow("No") << QList<int>{0, 1, 4} << int(platform::Answer::No) << QStringList{ask}
                        << imported;
    QTest::newRow("nothing selected")
        << QList<int>{} << int(platform::Answer::Yes)
        << QStringList{box(kTitle, Icon::Information, u"没有选择要删除的记录"_s)} << imported;
}

void TestCards::deleteSelected()
{
    QFETCH(QList<int>, selected);
    QFETCH(int, answer);
    QFETCH(QStringList, shown);
    QFETCH(QStringList, stored);
    platform::MemoryListView list;
    CardManagement cards(m_fresh.db(), &list);
    cards.view(u"2101--一年级一班"_s);
    CardImport(m_fresh.db(), &list).run(workbook(u"cards.xls"_s));
    const QList<QStringList> before = rowsWithPupils(list);
    m_boxes->clear();
    list.setSelectedRows(selected);
    m_boxes->queueAnswer(platform::Answer(answer));

    cards.deleteSelected();
    QCOMPARE(boxes(*m_boxes), shown);
    QCOMPARE(this->cards(), stored);
    QList<QStringList> after = before;
    if (answer == int(platform::Answer::Yes))
        for (int r : selected)
            after[r][3].clear();
    QCOMPARE(rowsWithPupils(list), after);
}

void TestCards::modifyWithTheSimulatedReader()
{
    const QString pipe = m_dir.filePath(u"reader.pipe"_s);
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    setReader({{u"source"_s, u"simulated"_s}, {u"feed"_s, pipe}});
    CDlgCard dlg;
    child<QLineEdit>(&dlg, CDlgCard::IdPath)->setText(workbook(u"cards.xls"_s));
    child<QPushButton>(&dlg, CDlgCard::IdImport)->click();
    m_boxes->clear();
    dlg.list()->selectRows({0}); // numbered 1, pupil 0

    QStringList opened;
    bool read = false;
    testsupport::whenModalShown<CDlgCardUpdate>([&](CDlgCardUpdate* edit) {
        for (int id : {CDlgCardUpdate::IdStuID, CDlgCardUpdate::IdStuNO, CDlgCardUpdate::IdName,
                       CDlgCardUpdate::IdCardNO})
            opened << child<QLineEdit>(edit, id)->text();
        auto* cardBox = child<QLineEdit>(edit, CDlgCardUpdate::IdCardNO);
        auto* save = child<QPushButton>(edit, CDlgCardUpdate::IdSave);
        for (const QString& refused : {u"   "_s, QString(51, u'9')}) {
            cardBox->setText(refused);
            save->click();
        }
        cardBox->setText(u"typed by hand"_s);
        child<QCheckBox>(edit, CDlgCardUpdate::IdReaderOn)->click();
        writeTo(pipe, "0708999   \n");
        // A reading replaces what was typed, without its trailing blanks.
        read = QTest::qWaitFor([&] { return cardBox->text() == u"0708999"_s; }, 10000);
        save->click();
        if (edit->isVisible())
            edit->reject();
    });
    child<QPushButton>(&dlg, CDlgCard::IdModify)->click();

    QCOMPARE(opened, (QStringList{u"1"_s, u"2101001"_s, u"王小明"_s, u"0708001"_s}));
    QVERIFY(read);
    QCOMPARE(boxes(*m_boxes),
             (QStringList{
                 box(u"修改卡号"_s, Icon::Information, u"卡号不能为空,请输入卡号!"_s),
                 box(u"修改卡号"_s, Icon::Information, u"卡号不能超过50个字符,请重新输入!"_s)}));
    QCOMPARE(dlg.list()->cell(0, 3), u"0708999"_s);
    QCOMPARE(cards(), (QStringList{u"0: 0708999"_s, u"1: 0708002"_s, u"2: OLD2"_s}));
}

void TestCards::serialReader()
{
    const QString device = m_dir.filePath(u"reader"_s);
    const QString cable = m_dir.filePath(u"cable"_s);
    setReader({{u"source"_s, u"serial"_s}, {u"device"_s, device}, {u"baud"_s, u"19200"_s}});
    platform::MemoryListView list;
    CardManagement(m_fresh.db(), &list).view(u"2101--一年级一班"_s);
    CDlgCardUpdate edit(0, &list);
    edit.show();
    auto* on = child<QCheckBox>(&edit, CDlgCardUpdate::IdReaderOn);
    auto* cardBox = child<QLineEdit>(&edit, CDlgCardUpdate::IdCardNO);
    const auto said = [&](const QString& head) {
        const QStringList shown = boxes(*m_boxes);
        m_boxes->clear();
        return shown.size() == 1 && shown.at(0).startsWith(u"修改卡号 | stop | "_s + head);
    };

    // No device: said with why; the box stays ticked and polling runs until it is cleared.
    on->click();
    QVERIFY(said(u"打开读卡器失败!\n"_s + device + u" 19200: "_s));
    QVERIFY(on->isChecked() && edit.isPolling());
    on->click();
    QVERIFY(!on->isChecked() && !edit.isPolling() && m_boxes->count() == 0);

    QProcess socat;
    socat.start(u"socat"_s,
                {u"pty,raw,echo=0,link="_s + device, u"pty,raw,echo=0,link="_s + cable});
    QVERIFY(socat.waitForStarted());
    QTRY_VERIFY(QFile::exists(device) && QFile::exists(cable));
    on->click();
    QCOMPARE(m_boxes->count(), 0);
    // A card number is taken once; half a line waits for its end.
    writeTo(cable, "CARD-1\r\nCARD-2  \r\nCARD-");
    QTRY_COMPARE(cardBox->text(), u"CARD-2"_s);
    QCOMPARE(child<CPelkanRFCard>(&edit, CDlgCardUpdate::IdReader)->CardNumber(), QString());
    writeTo(cable, "3\n");
    QTRY_COMPARE(cardBox->text(), u"CARD-3"_s);

    // Pulling the reader off: it says so, and the box and the polling are off.
    socat.terminate();
    QVERIFY(socat.waitForFinished());
    QTRY_VERIFY_WITH_TIMEOUT(!on->isChecked(), 10000);
    QVERIFY(!edit.isPolling());
    QVERIFY(said(u"读卡器已断开!\n"_s + device));
}

QTEST_MAIN(TestCards)
#include "testcards.moc"
