// The rules of the class download and the result import that need no instrument: the class
// lists, reading an instrument's values and times, the backup file, and what one imported value
// does to the database.

#include "BackupFile.h"
#include "CCard.h"
#include "CItemInfo.h"
#include "CStudent.h"
#include "CValue.h"
#include "ClassLists.h"
#include "ListView.h"
#include "RecordingMessageService.h"
#include "ResultHandler.h"
#include "ResultText.h"
#include "StoreTestSupport.h"
#include "transfersupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using platform::MemoryListView;
using transfertest::gbk;

Q_DECLARE_METATYPE(NumberType)
Q_DECLARE_METATYPE(ChosenClass)

namespace
{

void fill(MemoryListView& list, const QList<ChosenClass>& rows)
{
    for (const ChosenClass& row : rows)
        ClassLists::appendRow(list, row);
}

QList<QStringList> rowsOf(const MemoryListView& list)
{
    QList<QStringList> rows;
    for (int r = 0; r < list.rowCount(); ++r)
        rows << list.row(r);
    return rows;
}

} // namespace

class TestTransferRules : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    // Class lists of both dialogs
    void databaseClassesAreNumberedFromZero();
    void addingTheSameClassTwiceKeepsOneRow();
    void removingTakesTheSelectedRows();
    void totals_data();
    void totals();

    // Values and times read from the instrument
    void hundredths_data();
    void hundredths();
    void recordTime_data();
    void recordTime();

    // Backup file
    void backupLine_data();
    void backupLine();
    void backupFileName();
    void backupFileIsWrittenLineByLine();
    void backupFileReplacesOneOfTheSameName();
    void backupFolderThatCannotBeMade();

    // One imported value
    void valueWithDatabase_data();
    void valueWithDatabase();
    void valueWithoutDatabase();

private:
    storetest::FreshDatabase m_fresh;
    std::unique_ptr<platform::RecordingMessageService> m_boxes;
    QList<long> m_ids;
};

void TestTransferRules::init()
{
    QVERIFY(m_fresh.make());
    m_boxes = std::make_unique<platform::RecordingMessageService>();
    QList<transfertest::Pupil> pupils = transfertest::numberedPupils(QStringLiteral("2024"), 2);
    m_ids = transfertest::addClass(m_fresh.db(), 1, QStringLiteral("一(1)班"), pupils);
    QCOMPARE(m_ids.size(), 2);
}

void TestTransferRules::cleanup()
{
    BackupFile::setExecutableFolder(QString());
    qunsetenv("XDG_DATA_HOME");
    m_boxes.reset();
    m_fresh.close();
}

void TestTransferRules::databaseClassesAreNumberedFromZero()
{
    QVERIFY(!transfertest::addClass(m_fresh.db(), 3, QStringLiteral("一(3)班"),
                                    transfertest::numberedPupils(QStringLiteral("2025"), 3))
                 .isEmpty());
    QVERIFY(!transfertest::addClass(m_fresh.db(), 2, QStringLiteral("一(2)班"),
                                    transfertest::numberedPupils(QStringLiteral("2026"), 1))
                 .isEmpty());
    CStudent students(m_fresh.db());
    MemoryListView list;
    QVERIFY(ClassLists::fillFromDatabase(students, list));
    // In class-number order; the class numbers themselves are not shown.
    const QList<QStringList> expected = {{u"0"_s, u"一(1)班"_s, u"2"_s},
                                         {u"1"_s, u"一(2)班"_s, u"1"_s},
                                         {u"2"_s, u"一(3)班"_s, u"3"_s}};
    QCOMPARE(rowsOf(list), expected);
}

void TestTransferRules::addingTheSameClassTwiceKeepsOneRow()
{
    MemoryListView from;
    fill(from, {{u"0"_s, u"甲"_s, 30}, {u"1"_s, u"乙"_s, 20}, {u"2"_s, u"丙"_s, 10}});
    MemoryListView to;
    from.setSelectedRows({2, 0});
    ClassLists::copySelected(from, to);
    ClassLists::copySelected(from, to);
    // In list order, each once.
    QCOMPARE(rowsOf(to),
             (QList<QStringList>{{u"0"_s, u"甲"_s, u"30"_s}, {u"2"_s, u"丙"_s, u"10"_s}}));
    from.setSelectedRows({0, 1});
    ClassLists::copySelected(from, to);
    QCOMPARE(to.rowCount(), 3);
    QCOMPARE(to.row(2), (QStringList{u"1"_s, u"乙"_s, u"20"_s}));
    // Rows that only share a name are different classes.
    MemoryListView again;
    fill(again, {{u"5"_s, u"甲"_s, 1}});
    again.setSelectedRows({0});
    ClassLists::copySelected(again, to);
    QCOMPARE(to.rowCount(), 4);
}

void TestTransferRules::removingTakesTheSelectedRows()
{
    MemoryListView list;
    fill(list,
         {{u"0"_s, u"甲"_s, 1}, {u"1"_s, u"乙"_s, 2}, {u"2"_s, u"丙"_s, 3}, {u"3"_s, u"丁"_s, 4}});
    list.setSelectedRows({1, 3});
    ClassLists::removeSelected(list);
    QCOMPARE(rowsOf(list),
             (QList<QStringList>{{u"0"_s, u"甲"_s, u"1"_s}, {u"2"_s, u"丙"_s, u"3"_s}}));
}

void TestTransferRules::totals_data()
{
    QTest::addColumn<QList<ChosenClass>>("rows");
    QTest::addColumn<int>("classes");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QList<ChosenClass>{} << 0 << 0 << u"班级:0,学生:0"_s;
    QTest::newRow("30 and 20") << QList<ChosenClass>{{u"0"_s, u"甲"_s, 30}, {u"1"_s, u"乙"_s, 20}}
                               << 2 << 50 << u"班级:2,学生:50"_s;
    QTest::newRow("a class without records")
        << QList<ChosenClass>{{u"0"_s, u"甲"_s, 0}} << 1 << 0 << u"班级:1,学生:0"_s;
    // No 16-bit wrap: two full classes of an instrument pass 65535.
    QTest::newRow("past 65535") << QList<ChosenClass>{{u"0"_s, u"甲"_s, 65535},
                                                      {u"1"_s, u"乙"_s, 2}}
                                << 2 << 65537 << u"班级:2,学生:65537"_s;
}

void TestTransferRules::totals()
{
    QFETCH(QList<ChosenClass>, rows);
    QFETCH(int, classes);
    QFETCH(int, count);
    QFETCH(QString, text);
    MemoryListView list;
    fill(list, rows);
    const ClassTotals t = ClassLists::totals(list);
    QCOMPARE(t.classes, classes);
    QCOMPARE(t.count, count);
    QCOMPARE(ClassLists::totalsText(t), text);
    const QList<ChosenClass> read = ClassLists::rows(list);
    QCOMPARE(read.size(), rows.size());
    for (int i = 0; i < rows.size(); ++i) {
        QCOMPARE(read.at(i).number, rows.at(i).number);
        QCOMPARE(read.at(i).name, rows.at(i).name);
        QCOMPARE(read.at(i).count, rows.at(i).count);
    }
}

void TestTransferRules::hundredths_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("shown");
    QTest::newRow("0") << u"0"_s << u"0"_s;
    QTest::newRow("000") << u"000"_s << u"0"_s;
    QTest::newRow("5") << u"5"_s << u"0.05"_s;
    QTest::newRow("7") << u"7"_s << u"0.07"_s;
    QTest::newRow("50") << u"50"_s << u"0.50"_s;
    QTest::newRow("100") << u"100"_s << u"1.00"_s;
    QTest::newRow("250") << u"250"_s << u"2.50"_s;
    QTest::newRow("745") << u"745"_s << u"7.45"_s;
    QTest::newRow("1234") << u"1234"_s << u"12.34"_s;
    QTest::newRow("12345") << u"12345"_s << u"123.45"_s;
    QTest::newRow("empty") << QString() << u"0"_s;
    QTest::newRow("no digits") << u"abc"_s << u"0"_s;
    QTest::newRow("blank then 0") << u" 0"_s << u"0"_s;
}

void TestTransferRules::hundredths()
{
    QFETCH(QString, value);
    QFETCH(QString, shown);
    QCOMPARE(ResultText::hundredths(value), shown);
}

void TestTransferRules::recordTime_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QDateTime>("time");
    QTest::addColumn<QString>("cell");
    QTest::newRow("2024-05-06 09:30")
        << QByteArray("\x0e\x05\x06\x09\x1e", 5) << QDateTime(QDate(2024, 5, 6), QTime(9, 30))
        << u"05-06 09:30"_s;
    QTest::newRow("2010-12-31 23:59")
        << QByteArray("\x00\x0c\x1f\x17\x3b", 5) << QDateTime(QDate(2010, 12, 31), QTime(23, 59))
        << u"12-31 23:59"_s;
    QTest::newRow("all zero") << QByteArray(5, '\0') << QDateTime() << QString();
    QTest::newRow("30 February") << QByteArray("\x0e\x02\x1e\x08\x00", 5) << QDateTime()
                                 << QString();
    QTest::newRow("hour 24") << QByteArray("\x0e\x02\x01\x18\x00", 5) << QDateTime() << QString();
    QTest::newRow("minute 60") << QByteArray("\x0e\x02\x01\x08\x3c", 5) << QDateTime() << QString();
}

void TestTransferRules::recordTime()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QDateTime, time);
    QFETCH(QString, cell);
    std::array<unsigned char, 5> raw{};
    std::copy(bytes.begin(), bytes.end(), raw.begin());
    const QDateTime read = ResultText::recordTime(raw);
    QCOMPARE(read.isValid(), time.isValid());
    if (time.isValid())
        QCOMPARE(read, time);
    QCOMPARE(ResultText::timeCell(read), cell);
}

void TestTransferRules::backupLine_data()
{
    QTest::addColumn<QByteArray>("number");
    QTest::addColumn<int>("item");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("7-character number") << QByteArray("2024001") << 6 << QByteArray("745")
                                        << QByteArray("             202400106  745\r\n");
    QTest::newRow("first of a double") << QByteArray("2024001") << 1 << QByteArray("150.5")
                                       << QByteArray("             202400101150.5\r\n");
    QTest::newRow("second of a double") << QByteArray("2024001") << 2 << QByteArray("45.2")
                                        << QByteArray("             202400102 45.2\r\n");
    QTest::newRow("20 characters") << QByteArray("12345678901234567890") << 3 << QByteArray("1")
                                   << QByteArray("1234567890123456789003    1\r\n");
    QTest::newRow("longer numbers whole")
        << QByteArray("1234567890123456789012") << 3 << QByteArray("1")
        << QByteArray("123456789012345678901203    1\r\n");
    QTest::newRow("three-digit item") << QByteArray("7") << 101 << QByteArray("")
                                      << QByteArray("                   7101     \r\n");
    QTest::newRow("GBK number") << gbk(u"张三"_s) << 12 << QByteArray("4'05")
                                << QByteArray("                ") + gbk(u"张三"_s) +
                                       QByteArray("12 4'05\r\n");
}

void TestTransferRules::backupLine()
{
    QFETCH(QByteArray, number);
    QFETCH(int, item);
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, line);
    QCOMPARE(BackupFile::line(number, item, value), line);
}

void TestTransferRules::backupFileName()
{
    QCOMPARE(BackupFile::fileName(QDateTime(QDate(2024, 5, 6), QTime(9, 3, 7))),
             u"2024-05-06 09-03-07.bak"_s);
    BackupFile::setExecutableFolder(QString());
    qputenv("XDG_DATA_HOME", "/srv/data");
    QCOMPARE(BackupFile::folders(u"bak"_s),
             (QStringList{QCoreApplication::applicationDirPath() + u"/bak"_s,
                          u"/srv/data/sorvik/bak"_s}));
}

void TestTransferRules::backupFileIsWrittenLineByLine()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(u"nested/bak"_s);
    BackupFile::setExecutableFolder(dir.filePath(u"nested"_s));
    BackupFile file;
    QVERIFY(file.create(QDateTime(QDate(2024, 5, 6), QTime(9, 30, 15))));
    QCOMPARE(file.path(), folder + u"/2024-05-06 09-30-15.bak"_s);
    const auto onDisk = [&] {
        QFile f(file.path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("unreadable");
    };
    QCOMPARE(onDisk(), QByteArray("Pelkan Collect Data\r\n"));
    QCOMPARE(onDisk().size(), 21);
    file.write("2024001", 6, "745");
    // Each line is in the file before the next value is read.
    QCOMPARE(onDisk(), QByteArray("Pelkan Collect Data\r\n             202400106  745\r\n"));
    file.write("2024002", 1, "150.5");
    file.close();
    QCOMPARE(onDisk(), QByteArray("Pelkan Collect Data\r\n             202400106  745\r\n"
                                  "             202400201150.5\r\n"));
    // Closed: nothing more is written.
    file.write("2024003", 1, "1");
    QCOMPARE(onDisk().count('\n'), 3);
}

void TestTransferRules::backupFileReplacesOneOfTheSameName()
{
    QTemporaryDir dir;
    BackupFile::setExecutableFolder(dir.path());
    const QDateTime started(QDate(2024, 5, 6), QTime(9, 30, 15));
    const QString path = dir.filePath(u"bak/"_s) + BackupFile::fileName(started);
    QVERIFY(QDir(dir.path()).mkdir(u"bak"_s));
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("an older import with more text than the new one\r\n");
    }
    BackupFile file;
    QVERIFY(file.create(started));
    file.close();
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), BackupFile::header());
}

void TestTransferRules::backupFolderThatCannotBeMade()
{
    QTemporaryDir dir;
    const QString blocked = dir.filePath(u"bak"_s);
    {
        QFile plain(blocked);
        QVERIFY(plain.open(QIODevice::WriteOnly));
    }
    // Nor in the data folder.
    QVERIFY(QFile(dir.filePath(u"sorvik"_s)).open(QIODevice::WriteOnly));
    qputenv("XDG_DATA_HOME", dir.path().toUtf8());
    BackupFile::setExecutableFolder(dir.path());
    BackupFile file;
    QVERIFY(!file.create(QDateTime(QDate(2024, 5, 6), QTime(9, 30))));
    QVERIFY(!file.isOpen());
    file.write("2024001", 6, "745"); // the import goes on without a file
    QVERIFY(QFileInfo(blocked).isFile());
}

void TestTransferRules::valueWithDatabase_data()
{
    QTest::addColumn<NumberType>("type");
    QTest::addColumn<QByteArray>("number");
    QTest::addColumn<int>("item");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<int>("pupil"); // index in m_ids whose value changes, -1 none
    QTest::addColumn<QString>("stored");
    const QString time = u"05-06 09:30"_s;
    QTest::newRow("item 6 by student number")
        << NumberType::StudentNumber << QByteArray("2024001") << 6 << QByteArray("745")
        << QStringList{u"2024001"_s, u"学生4001"_s, u"50米跑(6)"_s, u"7.45"_s, u"秒"_s, time} << 0
        << u"7.45"_s;
    QTest::newRow("item 6 zero") << NumberType::StudentNumber << QByteArray("2024002") << 6
                                 << QByteArray("0")
                                 << QStringList{u"2024002"_s, u"学生4002"_s, u"50米跑(6)"_s,
                                                u"0"_s,       u"秒"_s,       time}
                                 << 1 << u"0"_s;
    QTest::newRow("height as text")
        << NumberType::StudentNumber << QByteArray("2024002") << 1 << QByteArray("150.5")
        << QStringList{u"2024002"_s, u"学生4002"_s, u"身高(1)"_s, u"150.5"_s, u"厘米"_s, time} << 1
        << u"150.5"_s;
    QTest::newRow("no value row for the item")
        << NumberType::StudentNumber << QByteArray("2024001") << 3 << QByteArray("80.5")
        << QStringList{u"2024001"_s, u"学生4001"_s, u"坐高  未设置(3)"_s,
                       u"80.5"_s,    u"厘米"_s,     time}
        << -1 << QString();
    QTest::newRow("no such pupil")
        << NumberType::StudentNumber << QByteArray("2099999") << 6 << QByteArray("5")
        << QStringList{u"2099999"_s, u"没有此学生"_s, u"50米跑(6)"_s, u"0.05"_s, u"秒"_s, time}
        << -1 << QString();
    QTest::newRow("unknown item") << NumberType::StudentNumber << QByteArray("2024001") << 99
                                  << QByteArray("12")
                                  << QStringList{u"2024001"_s, u"学生4001"_s, u"  未设置(99)"_s,
                                                 u"12"_s,      QString(),     time}
                                  << -1 << QString();
    QTest::newRow("by card number")
        << NumberType::CardNumber << QByteArray("C2024002") << 14 << QByteArray("120")
        << QStringList{u"2024002"_s, u"学生4002"_s, u"一分钟跳绳(14)"_s, u"120"_s, u"次"_s, time}
        << 1 << u"120"_s;
    QTest::newRow("card number read as student number")
        << NumberType::StudentNumber << QByteArray("C2024002") << 14 << QByteArray("120")
        << QStringList{u"C2024002"_s, u"没有此学生"_s, u"一分钟跳绳(14)"_s, u"120"_s, u"次"_s, time}
        << -1 << QString();
    QTest::newRow("unknown card") << NumberType::CardNumber << QByteArray("C9") << 14
                                  << QByteArray("120")
                                  << QStringList{u"C9"_s,  u"没有此学生"_s, u"一分钟跳绳(14)"_s,
                                                 u"120"_s, u"次"_s,         time}
                                  << -1 << QString();
}

void TestTransferRules::valueWithDatabase()
{
    QFETCH(NumberType, type);
    QFETCH(QByteArray, number);
    QFETCH(int, item);
    QFETCH(QByteArray, value);
    QFETCH(QStringList, cells);
    QFETCH(int, pupil);
    QFETCH(QString, stored);

    const auto values = [&] {
        return storetest::rowsOf(m_fresh.db(), u"STU_ObjectData"_s,
                                 {u"STU_ID"_s, u"Object_ID"_s, u"ObjectValue"_s});
    };
    const QList<QVariantList> before = values();

    CItemInfo items(m_fresh.db());
    CStudent students(m_fresh.db());
    CValue valueStore(m_fresh.db());
    CCard cards(m_fresh.db());
    ResultHandler handler(m_fresh.db(), items, students, valueStore, cards);
    QVERIFY(handler.hasDatabase());
    const QDateTime time(QDate(2024, 5, 6), QTime(9, 30));
    QCOMPARE(handler.handle(number, item, value, time, type), cells);
    QCOMPARE(m_boxes->count(), 0);

    QList<QVariantList> expected = before;
    if (pupil >= 0) {
        bool changed = false;
        for (QVariantList& row : expected) {
            if (row.at(0).toLongLong() == m_ids.at(pupil) && row.at(1).toLongLong() == item) {
                row[2] = stored;
                changed = true;
            }
        }
        QVERIFY(changed);
    }
    const QList<QVariantList> after = values();
    QCOMPARE(after, expected);
    // Stored as the text shown, not as a number.
    for (const QVariantList& row : after)
        if (pupil >= 0 && row.at(0).toLongLong() == m_ids.at(pupil) &&
            row.at(1).toLongLong() == item)
            QCOMPARE(row.at(2).typeId(), int(QMetaType::QString));
}

void TestTransferRules::valueWithoutDatabase()
{
    const auto before = storetest::rowsOf(m_fresh.db(), u"STU_ObjectData"_s, {u"ObjectValue"_s});
    ResultHandler handler;
    QVERIFY(!handler.hasDatabase());
    const QDateTime time(QDate(2024, 5, 6), QTime(9, 30));
    // Only listed: no look-up, no rewrite of item 6, nothing stored.
    QCOMPARE(handler.handle("2024001", 6, "745", time, NumberType::StudentNumber),
             (QStringList{u"2024001"_s, QString(), u"6"_s, u"745"_s}));
    QCOMPARE(handler.handle("2024001", 101, "1", time, NumberType::CardNumber),
             (QStringList{u"2024001"_s, QString(), u"101"_s, u"1"_s}));
    QCOMPARE(storetest::rowsOf(m_fresh.db(), u"STU_ObjectData"_s, {u"ObjectValue"_s}), before);
    QCOMPARE(m_boxes->count(), 0);
}

QTEST_MAIN(TestTransferRules)
#include "testtransferrules.moc"
