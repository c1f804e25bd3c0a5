#include "CStudent.h"
#include "Database.h"
#include "ImportTestSupport.h"
#include "StudentImport.h"
#include "WorkbookFile.h"

#include <QCoreApplication>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace importtest;
using platform::Icon;
using Outcome = StudentImport::Outcome;

namespace
{

QString summary(int n)
{
    return box(u"导入学生"_s, Icon::Information, u"总共导入学生:%1人"_s.arg(n));
}

} // namespace

// The student import without its window, on real databases and workbooks written by xlwt.
class TestStudentImport : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void storesAndLists();
    void cellsNotFormattedAsText();
    void runEnds_data();
    void runEnds();
    void damagedWorkbooks_data();
    void damagedWorkbooks();
    void laterRunsGoOnTop();
    void databaseErrorRowIsNeitherListedNorCounted();
    void storesInShortBatches();
    void samplesAreInstalledAndImport();

private:
    Outcome runImport(const QString& path);

    storetest::FreshDatabase m_fresh;
    std::unique_ptr<platform::RecordingMessageService> m_boxes;
    platform::MemoryListView m_list;
    QObject m_owner;
};

void TestStudentImport::init()
{
    QVERIFY(m_fresh.make());
    m_boxes = std::make_unique<platform::RecordingMessageService>();
    m_list.deleteAll();
}

void TestStudentImport::cleanup()
{
    // Every box of the import's own is owned by its dialog.
    for (const auto& s : m_boxes->shown())
        if (s.caption == StudentImport::title())
            QCOMPARE(s.owner, &m_owner);
    m_boxes.reset();
    m_fresh.close();
}

Outcome TestStudentImport::runImport(const QString& path)
{
    StudentImport import(m_fresh.db(), &m_list, &m_owner);
    return import.run(path);
}

void TestStudentImport::storesAndLists()
{
    QCOMPARE(runImport(workbook(u"students.xls"_s)), Outcome::Finished);
    QCOMPARE(boxes(*m_boxes), QStringList{summary(5)});
    const QString zero = u"1899-12-30"_s;
    // Grade, class and nationality by atol rules; sex 1/2 converted after trimming; dates
    // year-month-day, anything else the zero date; texts as the reader trimmed them.
    QCOMPARE(pupils(m_fresh.db()),
             (QList<QStringList>{
                 {u"2101001"_s, u"王小明"_s, u"21"_s, u"2101"_s, u"一年级一班"_s, u"1"_s, u"男"_s,
                  u"1997-09-14"_s, u"青石街5号"_s, QString()},
                 {u"2101002"_s, u"李\"小\"红"_s, u"21"_s, u"2101"_s, u"一年级一班"_s, u"1"_s,
                  u"女"_s, u"1997-09-04"_s, u"北京路 1 号"_s, u"外地"_s},
                 {u"2102001"_s, u"赵云"_s, u"0"_s, u"2102"_s, u"一年级二班"_s, u"0"_s, u"男"_s,
                  zero, u"青石街5号"_s, QString()},
                 {u"2201001"_s, u"钱多多"_s, u"22"_s, u"2201"_s, u"二年级一班"_s, u"1"_s, QString(),
                  zero, u"青石街5号"_s, QString()},
                 {u"2201002"_s, u"孙悟空"_s, u"22"_s, u"2201"_s, u"二年级一班"_s, u"1"_s, u"X"_s,
                  zero, u"青石街5号"_s, QString()},
             }));
    // The list shows the cells as read, only the sex converted.
    QCOMPARE(listRows(m_list),
             (QList<QStringList>{
                 {u"21"_s, u"2101"_s, u"一年级一班"_s, u"2101001"_s, u"01"_s, u"王小明"_s, u"男"_s,
                  u"1997-9-14"_s, u"青石街5号"_s, QString()},
                 {u"21x"_s, u"2101"_s, u"一年级一班"_s, u"2101002"_s, u"01"_s, u"李\"小\"红"_s,
                  u"女"_s, u"1997/09/04"_s, u"北京路 1 号"_s, u"外地"_s},
                 {u"abc"_s, u"2102"_s, u"一年级二班"_s, u"2102001"_s, u"汉"_s, u"赵云"_s, u"男"_s,
                  QString(), u"青石街5号"_s, QString()},
                 {u"22"_s, u"2201"_s, u"二年级一班"_s, u"2201001"_s, u"01"_s, u"钱多多"_s,
                  QString(), u"1996-13-40"_s, u"青石街5号"_s, QString()},
                 {u"22"_s, u"2201"_s, u"二年级一班"_s, u"2201002"_s, u"01"_s, u"孙悟空"_s, u"X"_s,
                  u"明天"_s, u"青石街5号"_s, QString()},
             }));
    // Each pupil got the value rows of a new pupil: the store's own rule, through InsertStu.
    CStudent student(m_fresh.db());
    long id = -1;
    QString name;
    QCOMPARE(student.GetIDByStuNO(u"2101002"_s, id, name), 1L);
    QCOMPARE(storetest::rowsOf(m_fresh.db(), u"STU_ObjectData"_s, {u"Object_ID"_s},
                               {{u"STU_ID"_s, qlonglong(id)}})
                 .size(),
             7);
}

void TestStudentImport::cellsNotFormattedAsText()
{
    QCOMPARE(runImport(workbook(u"students_numeric.xls"_s)), Outcome::Finished);
    QCOMPARE(boxes(*m_boxes), QStringList{summary(2)});
    // Number cells give their digits, a date cell and a date-and-time cell their day.
    QCOMPARE(pupils(m_fresh.db()),
             (QList<QStringList>{
                 {u"2103001"_s, u"周杰"_s, u"21"_s, u"2101"_s, u"一年级一班"_s, u"1"_s, u"男"_s,
                  u"1997-09-14"_s, u"青石街5号"_s, QString()},
                 {u"2103002"_s, u"吴娟"_s, u"21"_s, u"2101"_s, u"一年级一班"_s, u"1"_s, u"女"_s,
                  u"1998-01-02"_s, QString(), QString()},
             }));
    QCOMPARE(m_list.row(0).at(7), u"1997-09-14"_s);
}

void TestStudentImport::runEnds_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QStringList>("shown"); // data-access reports cut after their head

    const QString title = u"导入学生"_s;
    QTest::newRow("empty name ends the data")
        << workbook(u"students_stop_at_empty_name.xls"_s) << int(Outcome::Finished)
        << QStringList{u"2101011"_s} << QStringList{summary(1)};
    QTest::newRow("only row without a name")
        << workbook(u"students_only_empty_name.xls"_s) << int(Outcome::Finished) << QStringList{}
        << QStringList{summary(0)};
    QTest::newRow("empty row inside the range")
        << workbook(u"students_empty_row.xls"_s) << int(Outcome::Finished)
        << QStringList{u"2101031"_s} << QStringList{summary(1)};
    QTest::newRow("columns beyond the tenth")
        << workbook(u"students_wide.xls"_s) << int(Outcome::Finished) << QStringList{u"2101061"_s}
        << QStringList{summary(1)};
    QTest::newRow("repeated student number")
        << workbook(u"students_duplicate.xls"_s) << int(Outcome::BrokenOff)
        << QStringList{u"2101041"_s}
        << QStringList{appBox(u"存在相同的记录,学号:2101041"_s),
                       box(title, Icon::Stop, u"导入学生:乙二失败!"_s), summary(1)};
    QTest::newRow("nine columns: no pupil, no total")
        << workbook(u"students_nine_columns.xls"_s) << int(Outcome::BrokenOff) << QStringList{}
        << QStringList{box(title, Icon::Stop, u"Excel文件只有9列,学生文件需要10列,导入已停止"_s)};
    QTest::newRow("no sheet named Sheet1")
        << workbook(u"students_other_sheet.xls"_s) << int(Outcome::BrokenOff) << QStringList{}
        << QStringList{reportHead(u"Excel::Open(CString\tstrFile)"_s),
                       reportHead(u"int CExcel::GetRec(CStringArray saCol)"_s), summary(0)};
    QTest::newRow("not a workbook")
        << workbook(u"not_a_workbook.xls"_s) << int(Outcome::BrokenOff) << QStringList{}
        << QStringList{reportHead(u"Excel::Open(CString\tstrFile)"_s),
                       reportHead(u"int CExcel::GetRec(CStringArray saCol)"_s), summary(0)};
    QTest::newRow("upper-case XLS")
        << workbook(u"STUDENTS.XLS"_s) << int(Outcome::Refused) << QStringList{}
        << QStringList{box(title, Icon::Stop, u"所选文件不是Excel文件"_s)};
    QTest::newRow("no such file") << workbook(u"missing.xls"_s) << int(Outcome::Refused)
                                  << QStringList{}
                                  << QStringList{box(title, Icon::Stop, u"文件不存在"_s)};
    QTest::newRow("empty path") << QString() << int(Outcome::Refused) << QStringList{}
                                << QStringList{box(title, Icon::Stop, u"文件不存在"_s)};
    QTest::newRow("a folder") << QStringLiteral(SORVIK_TEST_WORKBOOKS_DIR) << int(Outcome::Refused)
                              << QStringList{}
                              << QStringList{box(title, Icon::Stop, u"文件不存在"_s)};
}

void TestStudentImport::runEnds()
{
    QFETCH(QString, path);
    QFETCH(int, outcome);
    QFETCH(QStringList, stored);
    QFETCH(QStringList, shown);
    QCOMPARE(int(runImport(path)), outcome);
    QCOMPARE(withReportsCut(boxes(*m_boxes)), shown);
    QCOMPARE(studentNumbers(m_fresh.db()), stored);
    QCOMPARE(m_list.rowCount(), int(stored.size()));
}

void TestStudentImport::damagedWorkbooks_data()
{
    QTest::addColumn<QString>("path");
    for (const QString& path : importtest::damagedWorkbooks())
        QTest::newRow(qPrintable(QFileInfo(path).fileName())) << path;
}

void TestStudentImport::damagedWorkbooks()
{
    QFETCH(QString, path);
    QCOMPARE(runImport(path), Outcome::BrokenOff);
    const QStringList shown = boxes(*m_boxes);
    QCOMPARE(withReportsCut(shown),
             (QStringList{reportHead(u"Excel::Open(CString\tstrFile)"_s),
                          reportHead(u"int CExcel::GetRec(CStringArray saCol)"_s), summary(0)}));
    QVERIFY2(shown.at(0).contains(u"无法读取Excel文件“"_s + path + u"”:"_s),
             qUtf8Printable(shown.at(0)));
    QCOMPARE(studentNumbers(m_fresh.db()), QStringList());
}

void TestStudentImport::laterRunsGoOnTop()
{
    QCOMPARE(runImport(workbook(u"students_stop_at_empty_name.xls"_s)), Outcome::Finished);
    QCOMPARE(runImport(workbook(u"students.xls"_s)), Outcome::Finished);
    // The same workbook again: its first row is refused as a duplicate, nothing is stored.
    QCOMPARE(runImport(workbook(u"students.xls"_s)), Outcome::BrokenOff);
    QCOMPARE(boxes(*m_boxes).mid(2),
             (QStringList{appBox(u"存在相同的记录,学号:2101001"_s),
                          box(u"导入学生"_s, Icon::Stop, u"导入学生:王小明失败!"_s), summary(0)}));
    QStringList listed;
    for (const QStringList& row : listRows(m_list))
        listed << row.at(3);
    QCOMPARE(listed, (QStringList{u"2101001"_s, u"2101002"_s, u"2102001"_s, u"2201001"_s,
                                  u"2201002"_s, u"2101011"_s}));
    QCOMPARE(studentNumbers(m_fresh.db()).size(), 6);
}

void TestStudentImport::databaseErrorRowIsNeitherListedNorCounted()
{
    // A real engine error for one pupil: the file refuses that row.
    m_fresh.executeElsewhere(
        u"CREATE TRIGGER refuse BEFORE INSERT ON STU_Main WHEN NEW.StuNo = '2102001' "
        "BEGIN SELECT RAISE(ABORT, 'disk refused the row'); END"_s);
    QCOMPARE(runImport(workbook(u"students.xls"_s)), Outcome::Finished);
    const QStringList shown = boxes(*m_boxes);
    QCOMPARE(withReportsCut(shown),
             (QStringList{reportHead(u"int CStudent::InsertStu"_s), summary(4)}));
    QVERIFY(shown.at(0).contains(u"disk refused the row"_s));
    QCOMPARE(studentNumbers(m_fresh.db()),
             (QStringList{u"2101001"_s, u"2101002"_s, u"2201001"_s, u"2201002"_s}));
    QStringList listed;
    for (const QStringList& row : listRows(m_list))
        listed << row.at(3);
    QCOMPARE(listed, studentNumbers(m_fresh.db()));
}

void TestStudentImport::storesInShortBatches()
{
    StudentImport import(m_fresh.db(), &m_list, &m_owner);
    QList<long> reported;
    import.setProgress([&](long done, long total) {
        QCOMPARE(total, 600L);
    reported << done;
    // Between batches everything handled is stored for any other connection to see, and
    // listed; nothing more.
    store::Database other(m_fresh.path());
    const auto rows =
        other.connection().query(u"SELECT COUNT(*) FROM STU_Main"_s).at(0, 0).toLongLong();
    QCOMPARE(rows, qlonglong(done));
    QCOMPARE(m_list.rowCount(), int(done));
});
QCOMPARE(import.run(workbook(u"students_600.xls"_s)), Outcome::Finished);
QCOMPARE(reported, (QList<long>{250, 500}));
QCOMPARE(import.count(), 600);
QCOMPARE(m_list.rowCount(), 600);
QCOMPARE(m_list.row(599).at(3), u"2105599"_s);
QCOMPARE(boxes(*m_boxes), QStringList{summary(600)});
QCOMPARE(studentNumbers(m_fresh.db()).size(), 600);
}

void TestStudentImport::samplesAreInstalledAndImport()
{
    // The folder the browse step starts in, beside the program, holds the samples the help
    // dialogs point to.
    QCOMPARE(WorkbookFile::samplesFolder(), QFileInfo(sample(QString())).canonicalFilePath());
    for (const QString& f : {u"students.xls"_s, u"scores.xls"_s, u"cards.xls"_s, u"names.xls"_s})
        QVERIFY2(QFileInfo::exists(sample(f)), qUtf8Printable(f));
    QCOMPARE(runImport(sample(u"students.xls"_s)), Outcome::Finished);
    QCOMPARE(boxes(*m_boxes), QStringList{summary(8)});
    QCOMPARE(m_list.row(0),
             (QStringList{u"21"_s, u"2101"_s, u"一年级一班"_s, u"2101001"_s, u"01"_s, u"王小明"_s,
                          u"男"_s, u"1997-9-14"_s, u"青石街5号"_s, QString()}));
}

QTEST_GUILESS_MAIN(TestStudentImport)
#include "teststudentimport.moc"
