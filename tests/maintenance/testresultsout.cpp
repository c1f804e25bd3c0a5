// Results out on real databases: the value history written and rolled back with the values
// (live tick, journal import, score import), the completion overview of a class, putting an
// earlier value back, and the export read back by openpyxl.

#include "Batch.h"
#include "CCard.h"
#include "CItemInfo.h"
#include "CStudent.h"
#include "CValue.h"
#include "Clock.h"
#include "CollectTick.h"
#include "CompletionOverview.h"
#include "Database.h"
#include "Gbk.h"
#include "ImportFileThread.h"
#include "ImportTestSupport.h"
#include "MemoryProgressView.h"
#include "PupilHistory.h"
#include "ResultHandler.h"
#include "ResultLine.h"
#include "ScoreImport.h"
#include "SqlConnection.h"
#include "TestSupport.h"

#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace importtest;

namespace
{

QByteArray liveRecord(const QByteArray& number, const QByteArray& code, const QByteArray& value)
{
    return number.leftJustified(20, ' ') + code + value.rightJustified(5, ' ');
}

} // namespace

class TestResultsOut : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void historyGoesWithItsValues_data();
    void historyGoesWithItsValues();
    void overviewOfAClass();
    void earlierValuePutBack();
    void exportReadByOpenpyxl();

private:
    void addPupil(const QString& name, long grade, long classNo, const QString& className,
                  const QString& sex, const QString& number);

    testsupport::IsolatedConfig m_config;
    storetest::FreshDatabase m_fresh;
    std::unique_ptr<platform::RecordingMessageService> m_boxes;
    QTemporaryDir m_dir;
    QObject m_owner;
};

void TestResultsOut::init()
{
    QVERIFY(m_fresh.make());
    m_boxes = std::make_unique<platform::RecordingMessageService>();
    platform::setClock([] { return QDateTime(QDate(2026, 5, 12), QTime(9, 30)); });
    // Grade 21: a boy is tested in items 1, 2, 4, 6, 7 and 12, a girl in 13 instead of 12.
    addPupil(u"王小明"_s, 21, 2101, u"一年级一班"_s, u"男"_s, u"2101001"_s);
    addPupil(u"李小红"_s, 21, 2101, u"一年级一班"_s, u"女"_s, u"2101002"_s);
}

void TestResultsOut::cleanup()
{
    platform::setClock({});
    m_boxes.reset();
    m_fresh.close();
}

void TestResultsOut::addPupil(const QString& name, long grade, long classNo,
                              const QString& className, const QString& sex, const QString& number)
{
    CStudent student(m_fresh.db());
    QCOMPARE(student.InsertStu(name, grade, classNo, className, sex, QDate(2010, 3, 1), 1, number,
                               QString(), QString()),
             1);
}

void TestResultsOut::historyGoesWithItsValues_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("kept");
    QTest::addColumn<QStringList>("entries");
    const QStringList live{u"0 7 215 0 live "_s, u"1 1 165.5 0 live "_s};
    const QStringList journal{u"0 2 55.50 0 journal journal.txt"_s,
                              u"0 2 56.00 55.50 journal journal.txt"_s};
    // The item the pupil has no row for is not stored and not entered.
    const QStringList workbook{u"0 1 69.5 0 workbook scores.xls"_s,
                               u"0 2 31 0 workbook scores.xls"_s, u"1 7 0 0 workbook scores.xls"_s};
    for (bool kept : {true, false}) {
        const char* how = kept ? "kept" : "rolled back";
        QTest::addRow("live tick, %s", how) << u"live"_s << kept << (kept ? live : QStringList());
        QTest::addRow("journal, %s", how)
            << u"journal"_s << kept << (kept ? journal : QStringList());
        QTest::addRow("scores, %s", how)
            << u"workbook"_s << kept << (kept ? workbook : QStringList());
    }
}

void TestResultsOut::historyGoesWithItsValues()
{
    QFETCH(QString, path);
    QFETCH(bool, kept);
    QFETCH(QStringList, entries);
    const QStringList columns{u"STU_ID"_s, u"Object_ID"_s, u"ObjectValue"_s};
    const QList<QStringList> before = tableRows(m_fresh.db(), u"STU_ObjectData"_s, columns);
    CDB db = m_fresh.db();
    CStudent students(db);
    CValue values(db);
    CItemInfo items(db);
    CCard cards(db);
    {
        // The path's own batches nest in this one, which the test keeps or drops.
        store::Batch outer(db);
        QVERIFY(outer.isOpen());
        if (path == u"live") {
            platform::MemoryListView list;
            CollectTick tick(list, [] { return true; });
            tick.setStores(db, {&students, &values, &items, &cards});
            const QByteArray feed =
                liveRecord("2101001", "07", "215") + liveRecord("2101002", "01", "165.5");
            tick.OnTimer([&feed] { return feed; }, true);
        } else if (path == u"journal") {
            const QString file = m_dir.filePath(u"journal.txt"_s);
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(platform::resultFileHeader() + platform::resultLine("2101001", 2, "55.50") +
                      platform::resultLine("2101001", 2, "56.00"));
            out.close();
            MemoryProgressView view;
            ImportFileThread(file, view, ResultHandler(db, items, students, values, cards),
                             NumberType::StudentNumber)
                .run();
        } else {
            platform::MemoryListView list;
            ScoreImport(db, &list, &m_owner).run(workbook(u"scores.xls"_s));
        }
        if (kept)
            QVERIFY(outer.commit());
        else
            outer.rollback();
    }
    QCOMPARE(history(m_fresh.db()), entries);
    const QList<QStringList> after = tableRows(m_fresh.db(), u"STU_ObjectData"_s, columns);
    if (!kept)
        QCOMPARE(after, before);
    // Every value stored is the last one entered for its pupil and item.
    QMap<QString, QString> last;
    for (const QString& e : entries) {
        const QStringList f = e.split(u' ');
        last[f.at(0) + u' ' + f.at(1)] = f.at(2);
    }
    int changed = 0;
    for (qsizetype r = 0; r < after.size(); ++r) {
        const QString key = after.at(r).at(0) + u' ' + after.at(r).at(1);
        QCOMPARE(after.at(r).at(2), last.value(key, before.at(r).at(2)));
        changed += last.contains(key);
    }
    QCOMPARE(changed, int(last.size()));
}

void TestResultsOut::overviewOfAClass()
{
    // The boy: height measured live, weight carried over from before the history, the rest
    // still at the zero a new pupil gets. The girl: everything measured but the 800 m run.
    CDB db = m_fresh.db();
    store::SqlConnection& conn = db.database()->connection();
    conn.execute(u"UPDATE STU_ObjectData SET ObjectValue = 42.5 WHERE STU_ID = 0 AND "
                 "Object_ID = 2"_s);
    CValue live(db);
    live.setHistorySource({store::ValueSource::Live, {}});
    QCOMPARE(live.InsertValue(0, 1, 171.5), 1);
    for (long item : {1, 2, 4, 6, 7})
        QCOMPARE(live.InsertValue(1, item, 10.0 + double(item)), 1);
    addPupil(u"别班"_s, 21, 2102, u"一年级二班"_s, u"男"_s, u"2102001"_s);

    CompletionOverview overview(db, &m_owner);
    QVERIFY(overview.loadClasses());
    QCOMPARE(overview.classCaptions(), (QStringList{u"2101 一年级一班"_s, u"2102 一年级二班"_s}));
    QVERIFY(overview.show(u"2101"_s));
    QCOMPARE(overview.headings(),
             (QStringList{u"学号"_s, u"姓名"_s, u"性别"_s, u"身高"_s, u"体重"_s, u"肺活量"_s,
                          u"50米跑"_s, u"立定跳远"_s, u"1000米跑"_s, u"800米跑"_s}));
    // Both miss something; the boy comes first by identifier.
    QCOMPARE(overview.rowCells(0),
             (QStringList{u"2101001"_s, u"王小明"_s, u"男"_s, u"171.5  05-12 09:30"_s,
                          u"42.5  （历史前）"_s, u"未测"_s, u"未测"_s, u"未测"_s, u"未测"_s,
                          QString()}));
    QCOMPARE(overview.rowCells(1),
             (QStringList{u"2101002"_s, u"李小红"_s, u"女"_s, u"11  05-12 09:30"_s,
                          u"12  05-12 09:30"_s, u"14  05-12 09:30"_s, u"16  05-12 09:30"_s,
                          u"17  05-12 09:30"_s, QString(), u"未测"_s}));
    QCOMPARE(overview.counts(),
             (QStringList{u"身高: 已测 2 / 未测 0"_s, u"体重: 已测 2 / 未测 0"_s,
                          u"肺活量: 已测 1 / 未测 1"_s, u"50米跑: 已测 1 / 未测 1"_s,
                          u"立定跳远: 已测 1 / 未测 1"_s, u"1000米跑: 已测 0 / 未测 1"_s,
                          u"800米跑: 已测 0 / 未测 1"_s}));
    // A pupil with nothing missing comes after those with something missing.
    for (long item : {12})
        QCOMPARE(live.InsertValue(0, item, 3.5), 1);
    for (long item : {4, 6, 7})
        QCOMPARE(live.InsertValue(0, item, 1.0), 1);
    QVERIFY(overview.show(u"2101"_s));
    QCOMPARE(overview.rowCells(0).at(0), u"2101002"_s);
    QCOMPARE(overview.rowCells(1).at(0), u"2101001"_s);
    QCOMPARE(m_boxes->count(), 0);
}

void TestResultsOut::earlierValuePutBack()
{
    CDB db = m_fresh.db();
    CValue live(db);
    live.setHistorySource({store::ValueSource::Live, {}});
    QCOMPARE(live.InsertValue(0, 7, 205.0), 1);
    QCOMPARE(live.InsertValue(0, 7, 20.5), 1); // a wrong reading
    QCOMPARE(live.InsertValue(0, 1, 170.0), 1);

    PupilHistory pupil(db, 0);
    QVERIFY(pupil.load());
    QCOMPARE(pupil.entries().size(), size_t(3));
    QCOMPARE(
        pupil.cells(pupil.entries().at(1)),
        (QStringList{u"立定跳远"_s, u"20.5"_s, u"205"_s, u"实时采集"_s, u"2026-05-12 09:30:00"_s}));
    QVERIFY(pupil.putBack(0));
    QCOMPARE(pupil.entries().size(), size_t(4));
    QCOMPARE(pupil.cells(pupil.entries().back()),
             (QStringList{u"立定跳远"_s, u"205"_s, u"20.5"_s, u"恢复 2026-05-12 09:30:00"_s,
                          u"2026-05-12 09:30:00"_s}));
    QCOMPARE(tableRows(db, u"STU_ObjectData"_s, {u"ObjectValue"_s})
                 .at(5), // the boy's rows: 1, 2, 4, 61, then 6, 7 and 12 of the grade items
             QStringList{u"205"_s});
    QCOMPARE(m_boxes->count(), 0);
}

void TestResultsOut::exportReadByOpenpyxl()
{
    // Class names Excel refuses as sheet names, one too long, and two the same.
    addPupil(u"张三"_s, 11, 1101, u"一[1]班:A/B*?\\"_s, u"男"_s, u"1101001"_s);
    addPupil(u"李四"_s, 11, 1102, u"一年级一班"_s, u"女"_s, u"1102001"_s);
    addPupil(u"王五"_s, 11, 1103,
             u"这是一个非常非常非常长的班级名称已经超过了三十一个字符的限制啊啊啊"_s, u"男"_s,
             u"1103001"_s);
    CDB db = m_fresh.db();
    CValue values(db);
    values.setHistorySource({store::ValueSource::Live, {}});
    QCOMPARE(values.InsertValue(0, 1, 171.5), 1);
    QCOMPARE(values.InsertValue(0, 7, u"2.05"_s), 1);
    QCOMPARE(values.InsertValue(0, 12, u"3'45"_s), 1);
    CCard cards(db);
    QCOMPARE(cards.InsertUpdateCard(0, u"C0001"_s), 1);
    m_fresh.close();

    const QString file = m_dir.filePath(u"成绩.xlsx"_s);
    QProcess tool;
    tool.start(QStringLiteral(SORVIK_BIN_DIR "/sorvik-dbtool"),
               {u"export-results"_s, m_fresh.path(), file});
    QVERIFY(tool.waitForFinished(60000));
    QCOMPARE(tool.exitCode(), 0);
    QProcess reader;
    reader.start(QStringLiteral(SORVIK_PYTHON), {QStringLiteral(SORVIK_READ_XLSX), file});
    QVERIFY(reader.waitForFinished(60000));
    QCOMPARE(reader.readAllStandardError(), QByteArray());
    const QStringList lines =
        QString::fromUtf8(reader.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    const QString grade11Heads =
        u"s:班级\ts:学号\ts:姓名\ts:性别\ts:卡号\ts:身高(厘米)\ts:体重(千克)\ts:50米跑(秒)"
        "\ts:坐位体前屈(厘米)\ts:一分钟跳绳(次)"_s;
    const QStringList expected{
        u"[一_1_班_A_B___]"_s,
        grade11Heads,
        u"s:一[1]班:A/B*?\\\ts:1101001\ts:张三\ts:男\t-\t-\t-\t-\t-\t-"_s,
        u"[一年级一班]"_s,
        grade11Heads,
        u"s:一年级一班\ts:1102001\ts:李四\ts:女\t-\t-\t-\t-\t-\t-"_s,
        u"[这是一个非常非常非常长的班级名称已经超过了三十一个字符的限制啊]"_s,
        grade11Heads,
        u"s:这是一个非常非常非常长的班级名称已经超过了三十一个字符的限制啊啊啊\ts:1103001\ts:"
        u"王五\ts:男"
        "\t-\t-\t-\t-\t-\t-"_s,
        u"[一年级一班(2)]"_s,
        u"s:班级\ts:学号\ts:姓名\ts:性别\ts:卡号\ts:身高(厘米)\ts:体重(千克)\ts:肺活量(毫升)"
        "\ts:50米跑(秒)\ts:立定跳远(厘米)\ts:1000米跑(分.秒)\ts:800米跑(分.秒)"_s,
        u"s:一年级一班\ts:2101001\ts:王小明\ts:男\ts:C0001\tn:171.5\t-\t-\t-\tn:2.05\ts:3'45\t-"_s,
        u"s:一年级一班\ts:2101002\ts:李小红\ts:女\t-\t-\t-\t-\t-\t-\t-\t-"_s,
    };
    QCOMPARE(lines, expected);
}

QTEST_GUILESS_MAIN(TestResultsOut)
#include "testresultsout.moc"
