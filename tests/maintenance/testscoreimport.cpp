#include "CStudent.h"
#include "ImportTestSupport.h"
#include "ScoreImport.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace importtest;
using platform::Icon;
using Outcome = ScoreImport::Outcome;

namespace
{

QString summary(int n)
{
    return box(u"导入单项成绩"_s, Icon::Information, u"总共导入成绩:%1条"_s.arg(n));
}

} // namespace

// The score import without its window, on real databases and workbooks written by xlwt.
class TestScoreImport : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void outcomesOfEachRow();
    void cellsNotFormattedAsText();
    void runEnds_data();
    void runEnds();
    void damagedWorkbooks_data();
    void damagedWorkbooks();
    void databaseErrorIsListedAsFailed();

private:
    Outcome runImport(const QString& path)
    {
        ScoreImport import(m_fresh.db(), &m_list, &m_owner);
        return import.run(path);
    }
    // item -> value of the pupil's value rows
    QMap<QString, QString> values(const QString& stuNo)
    {
        CStudent student(m_fresh.db());
        long id = -1;
        QString name;
        if (student.GetIDByStuNO(stuNo, id, name) != 1)
            return {};
        QMap<QString, QString> out;
        for (const QStringList& row : tableRows(m_fresh.db(), u"STU_ObjectData"_s,
                                                {u"STU_ID"_s, u"Object_ID"_s, u"ObjectValue"_s}))
            if (row.at(0) == QString::number(id))
                out.insert(row.at(1), row.at(2));
        return out;
    }

    storetest::FreshDatabase m_fresh;
    std::unique_ptr<platform::RecordingMessageService> m_boxes;
    platform::MemoryListView m_list;
    QObject m_owner;
};

void TestScoreImport::init()
{
    QVERIFY(m_fresh.make());
    m_boxes = std::make_unique<platform::RecordingMessageService>();
    m_list.deleteAll();
    // Grade 21: a boy has entries for items 1, 2, 4, 6, 7, 12 and 61, a girl 13 for 12.
    CStudent student(m_fresh.db());
    QCOMPARE(student.InsertStu(u"王小明"_s, 21, 2101, u"一年级一班"_s, u"男"_s, QDate(1997, 9, 14),
                               1, u"2101001"_s, QString(), QString()),
             1);
    QCOMPARE(student.InsertStu(u"李小红"_s, 21, 2101, u"一年级一班"_s, u"女"_s, QDate(1997, 9, 4),
                               1, u"2101002"_s, QString(), QString()),
             1);
    QCOMPARE(m_boxes->count(), 0);
}

void TestScoreImport::cleanup()
{
    for (const auto& s : m_boxes->shown())
        if (s.caption == ScoreImport::title())
            QCOMPARE(s.owner, &m_owner);
    m_boxes.reset();
    m_fresh.close();
}

void TestScoreImport::outcomesOfEachRow()
{
    const QMap<QString, QString> girlBefore = values(u"2101002"_s);
    QCOMPARE(runImport(workbook(u"scores.xls"_s)), Outcome::Finished);
    // Every row listed and counted, whatever its outcome; the sheet's texts as read.
    QCOMPARE(boxes(*m_boxes), QStringList{summary(5)});
    const QList<QStringList> rows{
        {u"2101001"_s, u"王小明"_s, u"01"_s, u"69.5"_s, u"成功"_s},
        {u"2101001"_s, u"不是库里的名字"_s, u"2"_s, u"31"_s, u"成功"_s},
        {u"9999999"_s, u"无此人"_s, u"01"_s, u"50"_s, u"没有此学生"_s},
        {u"2101001"_s, u"王小明"_s, u"03"_s, u"88"_s, u"失败"_s},
        {u"2101002"_s, u"李小红"_s, u"7"_s, u"abc"_s, u"成功"_s},
    };
    QCOMPARE(listRows(m_list), rows);
    const QMap<QString, QString> boy = values(u"2101001"_s);
    QCOMPARE(boy.value(u"1"_s), u"69.5"_s);
    QCOMPARE(boy.value(u"2"_s), u"31"_s);
    QVERIFY(!boy.contains(u"3"_s)); // no entry is made for an item the pupil lacks
    QMap<QString, QString> girl = girlBefore;
    girl[u"7"_s] = u"0"_s; // letters only: 0
    QCOMPARE(values(u"2101002"_s), girl);

    // Again: the values are replaced, and the new rows go on top of the old ones.
    QCOMPARE(runImport(workbook(u"scores.xls"_s)), Outcome::Finished);
    QCOMPARE(listRows(m_list), rows + rows);
    QCOMPARE(values(u"2101001"_s), boy);
}

void TestScoreImport::cellsNotFormattedAsText()
{
    QCOMPARE(runImport(workbook(u"scores_numeric.xls"_s)), Outcome::Finished);
    QCOMPARE(listRows(m_list),
             (QList<QStringList>{{u"2101001"_s, u"王小明"_s, u"1"_s, u"69.5"_s, u"成功"_s},
                                 {u"2101001"_s, u"王小明"_s, u"2"_s, u"40"_s, u"成功"_s}}));
    QCOMPARE(values(u"2101001"_s).value(u"1"_s), u"69.5"_s);
    QCOMPARE(values(u"2101001"_s).value(u"2"_s), u"40"_s);
}

void TestScoreImport::runEnds_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<int>("listed");
    QTest::addColumn<QStringList>("shown");

    const QString title = u"导入单项成绩"_s;
    QTest::newRow("empty student number ends the data")
        << workbook(u"scores_stop_at_empty_number.xls"_s) << int(Outcome::Finished) << 1
        << QStringList{summary(1)};
    QTest::newRow("columns beyond the fourth")
        << workbook(u"scores_wide.xls"_s) << int(Outcome::Finished) << 1 << QStringList{summary(1)};
    QTest::newRow("headings only") << workbook(u"headings_only.xls"_s) << int(Outcome::Finished)
                                   << 0 << QStringList{summary(0)};
    QTest::newRow("three columns: nothing listed, no total")
        << workbook(u"scores_three_columns.xls"_s) << int(Outcome::BrokenOff) << 0
        << QStringList{box(title, Icon::Stop, u"Excel文件只有3列,成绩文件需要4列,导入已停止"_s)};
    QTest::newRow("no sheet named Sheet1")
        << workbook(u"other_name.xls"_s) << int(Outcome::BrokenOff) << 0
        << QStringList{reportHead(u"Excel::Open(CString\tstrFile)"_s),
                       reportHead(u"int CExcel::GetRec(CStringArray saCol)"_s), summary(0)};
    QTest::newRow("upper-case XLS")
        << workbook(u"UPPER.XLS"_s) << int(Outcome::Refused) << 0
        << QStringList{box(title, Icon::Stop, u"所选文件不是Excel文件"_s)};
    QTest::newRow("no such file") << workbook(u"missing.xls"_s) << int(Outcome::Refused) << 0
                                  << QStringList{box(title, Icon::Stop, u"文件不存在"_s)};
}

void TestScoreImport::runEnds()
{
    QFETCH(QString, path);
    QFETCH(int, outcome);
    QFETCH(int, listed);
    QFETCH(QStringList, shown);
    const QMap<QString, QString> before = values(u"2101001"_s);
    QCOMPARE(int(runImport(path)), outcome);
    QCOMPARE(withReportsCut(boxes(*m_boxes)), shown);
    QCOMPARE(m_list.rowCount(), listed);
    if (listed == 0)
        QCOMPARE(values(u"2101001"_s), before);
    else
        QVERIFY(values(u"2101001"_s) != before);
}

void TestScoreImport::damagedWorkbooks_data()
{
    QTest::addColumn<QString>("path");
    for (const QString& path : importtest::damagedWorkbooks())
        QTest::newRow(qPrintable(QFileInfo(path).fileName())) << path;
}

void TestScoreImport::damagedWorkbooks()
{
    QFETCH(QString, path);
    QCOMPARE(runImport(path), Outcome::BrokenOff);
    QCOMPARE(withReportsCut(boxes(*m_boxes)),
             (QStringList{reportHead(u"Excel::Open(CString\tstrFile)"_s),
                          reportHead(u"int CExcel::GetRec(CStringArray saCol)"_s), summary(0)}));
    QCOMPARE(m_list.rowCount(), 0);
}

void TestScoreImport::databaseErrorIsListedAsFailed()
{
    m_fresh.executeElsewhere(
        u"CREATE TRIGGER refuse BEFORE UPDATE ON STU_ObjectData WHEN NEW.Object_ID = 2 "
        "BEGIN SELECT RAISE(ABORT, 'disk refused the value'); END"_s);
    QCOMPARE(runImport(workbook(u"scores.xls"_s)), Outcome::Finished);
    const QStringList shown = boxes(*m_boxes);
    QCOMPARE(shown.size(), 2);
    QVERIFY2(shown.at(0).startsWith(u"APP | warning | 在"_s) &&
                 shown.at(0).contains(u"disk refused the value"_s),
             qUtf8Printable(shown.at(0)));
    QCOMPARE(shown.at(1), summary(5));
    QStringList outcomes;
    for (const QStringList& row : listRows(m_list))
        outcomes << row.at(4);
    QCOMPARE(outcomes, (QStringList{u"成功"_s, u"失败"_s, u"没有此学生"_s, u"失败"_s, u"成功"_s}));
    QCOMPARE(values(u"2101001"_s).value(u"1"_s), u"69.5"_s);
    QCOMPARE(values(u"2101001"_s).value(u"2"_s), u"0"_s);
}

QTEST_GUILESS_MAIN(TestScoreImport)
#include "testscoreimport.moc"
