#include "CExcel.h"
#include "MessageService.h"
#include "RecordingMessageService.h"
#include "XlsFrameFormat.h"
#include "XlsReaderProcess.h"
#include "XlsSheet.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <sys/stat.h>

#include <cstring>
#include <memory>

using namespace Qt::StringLiterals;

namespace
{

QString workbook(const QString& name)
{
    return QStringLiteral(SORVIK_TEST_WORKBOOKS_DIR "/") + name;
}

QString malformedDir()
{
    return QStringLiteral(SORVIK_FIXTURES_DIR "/external/xls-malformed");
}

const QString kOpenSignature = u"Excel::Open(CString\tstrFile)"_s;
const QString kGetRecSignature = u"int CExcel::GetRec(CStringArray saCol)"_s;

// The description of a data-access report for signature, or a null text when the box is not
// one (caption, icon, button and frame of the text all checked).
QString reported(const platform::RecordingMessageService::Shown& shown, const QString& signature)
{
    const QString head = u"在"_s + signature + u"处发生异常:\r\n"_s;
    if (shown.caption != platform::applicationTitle() || shown.icon != platform::Icon::Warning ||
        shown.buttons != platform::Buttons::Ok || !shown.text.startsWith(head) ||
        !shown.text.endsWith(u'\n'))
        return {};
    return shown.text.mid(head.size(), shown.text.size() - head.size() - 1);
}

// Builds reader streams by hand, to feed the station what a broken reader might write.
class Stream
{
public:
    Stream() { m_data.append(xlsframes::kMagic, sizeof xlsframes::kMagic); }

    Stream& sheet(quint32 records, quint32 fields)
    {
        QByteArray p;
        u32(p, records);
        u32(p, fields);
        return frame(xlsframes::FrameSheet, p);
    }
    // Text cells.
    Stream& row(const QList<QByteArray>& cells)
    {
        QByteArray p;
        for (const QByteArray& c : cells) {
            p.append(char(xlsframes::CellText));
            u32(p, quint32(c.size()));
            p.append(c);
        }
        return frame(xlsframes::FrameRow, p);
    }
    Stream& rowError(qint32 reason, quint32 row, quint32 column)
    {
        QByteArray p;
        u32(p, quint32(reason));
        u32(p, row);
        u32(p, column);
        return frame(xlsframes::FrameRowError, p);
    }
    Stream& end(quint32 rows)
    {
        QByteArray p;
        u32(p, rows);
        return frame(xlsframes::FrameEnd, p);
    }
    Stream& frame(quint8 kind, const QByteArray& payload)
    {
        m_data.append(char(kind));
        u32(m_data, quint32(payload.size()));
        m_data.append(payload);
        return *this;
    }
    Stream& raw(const QByteArray& bytes)
    {
        m_data.append(bytes);
        return *this;
    }
    QByteArray bytes() const { return m_data; }

private:
    static void u32(QByteArray& to, quint32 v)
    {
        char b[4];
        qToLittleEndian(v, b);
        to.append(b, 4);
    }
    QByteArray m_data;
};

QByteArray validStream()
{
    return Stream().sheet(2, 2).row({"a", "b"}).row({"c", "d"}).end(2).bytes();
}

} // namespace

class TestCExcel : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void readerBesideTheProgram();
    void readsSheet1_data();
    void readsSheet1();
    void cannotBeRead_data();
    void cannotBeRead();
    void damagedWorkbooks_data();
    void damagedWorkbooks();
    void largestSheetFitsTheLimits();
    void secondOpenClosesTheFirst();
    void misbehavingReader_data();
    void misbehavingReader();
    void brokenStreams_data();
    void brokenStreams();
    void everyTruncationIsRefused();
    void unreadableRowEndsTheReading();

private:
    // Opens path and checks that it failed with the one "cannot be read" report; returns its
    // description.
    QString openFails(CExcel& excel, const QString& path);
    QString writeFile(const QString& name, const QByteArray& bytes);

    std::unique_ptr<platform::RecordingMessageService> m_boxes;
    QTemporaryDir m_dir;
};

void TestCExcel::init()
{
    m_boxes = std::make_unique<platform::RecordingMessageService>();
}

void TestCExcel::cleanup()
{
    m_boxes.reset();
}

QString TestCExcel::writeFile(const QString& name, const QByteArray& bytes)
{
    QFile f(m_dir.filePath(name));
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qUtf8Printable(f.fileName()));
    return f.fileName();
}

QString TestCExcel::openFails(CExcel& excel, const QString& path)
{
    m_boxes->clear();
    const int opened = excel.Open(path);
    if (opened != 0 || excel.m_lFieldCount != 0 || excel.m_lRecordCount != 0 ||
        m_boxes->count() != 1 || !excel.failed()) {
        qWarning("Open gave %d, counts %ld/%ld, boxes %s", opened, excel.m_lFieldCount,
                 excel.m_lRecordCount, qUtf8Printable(m_boxes->texts().join(u" | "_s)));
        return {};
    }
    const QString description = reported(m_boxes->shown().constFirst(), kOpenSignature);
    const QString head = u"无法读取Excel文件“"_s + path + u"”:"_s;
    if (!description.startsWith(head) || description.size() == head.size()) {
        qWarning("not the cannot-be-read report: %s", qUtf8Printable(description));
        return {};
    }
    // Without a workbook, reading a row is an error of its own, and nothing is handed out.
    m_boxes->clear();
    QStringList row{u"untouched"_s};
    if (excel.GetRec(row) != 0 || m_boxes->count() != 1 ||
        reported(m_boxes->shown().constFirst(), kGetRecSignature).isEmpty() ||
        row != QStringList{u"untouched"_s}) {
        qWarning("GetRec after a failed Open misbehaved");
        return {};
    }
    return description.mid(head.size());
}

void TestCExcel::readerBesideTheProgram()
{
    QCOMPARE(store::xlsReaderProgram(),
             QDir(QCoreApplication::applicationDirPath()).filePath(u"sorvik-xlsreader"_s));
}

void TestCExcel::readsSheet1_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<long>("fields");
    QTest::addColumn<QList<QStringList>>("rows");

    QTest::newRow("every kind of cell")
        << u"cells.xls"_s << 6L
        << QList<QStringList>{
               // Blanks go, inner blanks stay; whole numbers have no point; dates read
               // year-month-day.
               {u"2101001"_s, u"2103001"_s, u"69.5"_s, u"1997-09-14"_s, QString(), u"张 三"_s},
               // Tabs are no blanks; an empty text cell is empty.
               {u"\t制表符\t"_s, u"-7"_s, u"3"_s, u"2001-02-03 04:05:06"_s, QString(),
                u"他说\"好\",'行'"_s},
               // A fully empty row inside the used range.
               {QString(), QString(), QString(), QString(), QString(), QString()},
               {u"末行"_s, u"123456789012345"_s, u"0.1"_s, u"07:08:09"_s, QString(), u"中文"_s},
               {QString(), QString(), QString(), QString(), QString(), u"只有最后一列"_s},
           };
    QTest::newRow("headings only") << u"headings_only.xls"_s << 4L << QList<QStringList>{};
    QTest::newRow("empty Sheet1") << u"empty_sheet1.xls"_s << 0L << QList<QStringList>{};
    QTest::newRow("Sheet1 second of three")
        << u"second_sheet1.xls"_s << 2L << QList<QStringList>{{u"2101001"_s, u"王小明"_s}};
    QTest::newRow("sheet1 in lower case")
        << u"lower_sheet1.xls"_s << 1L << QList<QStringList>{{u"2101009"_s}};
    // The reader does not look at the name; the imports' file check does.
    QTest::newRow("upper-case XLS") << u"UPPER.XLS"_s << 1L << QList<QStringList>{{u"2101001"_s}};
}

void TestCExcel::readsSheet1()
{
    QFETCH(QString, file);
    QFETCH(long, fields);
    QFETCH(QList<QStringList>, rows);

    CExcel excel;
    QCOMPARE(excel.Open(workbook(file)), 1);
    QCOMPARE(excel.m_lFieldCount, fields);
    QCOMPARE(excel.m_lRecordCount, long(rows.size()));
    QList<QStringList> read;
    QStringList row;
    while (excel.GetRec(row) == 1) {
        QCOMPARE(row.size(), qsizetype(fields));
        read << row;
        if (read.size() > rows.size())
            break;
    }
    QCOMPARE(read, rows);
    // At the end the array is left as it is, and it stays at the end.
    row = QStringList{u"kept"_s};
    QCOMPARE(excel.GetRec(row), 0);
    QCOMPARE(excel.GetRec(row), 0);
    QCOMPARE(row, QStringList{u"kept"_s});
    QCOMPARE(m_boxes->texts(), QStringList());
    QVERIFY(!excel.failed());
}

void TestCExcel::cannotBeRead_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("reason");

    QTest::newRow("only sheet named otherwise")
        << workbook(u"other_name.xls"_s) << u"工作簿中没有名为Sheet1的工作表"_s;
    QTest::newRow("text file named .xls")
        << workbook(u"not_a_workbook.xls"_s)
        << u"不是Excel工作簿,复合文档签名无效(FreeXL FREEXL_CFBF_INVALID_SIGNATURE)"_s;
    QTest::newRow("no such file") << workbook(u"missing.xls"_s)
                                  << u"文件不存在或无法打开(FreeXL FREEXL_FILE_NOT_FOUND)"_s;
    QTest::newRow("a folder") << QStringLiteral(SORVIK_TEST_WORKBOOKS_DIR) << u"不是普通文件"_s;
    // A named pipe would block a reader that opened it; it is refused instead.
    const QString fifo = m_dir.filePath(u"pipe.xls"_s);
    QFile::remove(fifo);
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QTest::newRow("a named pipe") << fifo << u"不是普通文件"_s;
    QTest::newRow("empty file") << writeFile(u"empty.xls"_s, {})
                                << u"文件读取出错,文件可能已损坏或不完整"_s;
}

void TestCExcel::cannotBeRead()
{
    QFETCH(QString, path);
    QFETCH(QString, reason);
    CExcel excel;
    const QString description = openFails(excel, path);
    QVERIFY2(description.contains(reason), qUtf8Printable(description));
}

void TestCExcel::damagedWorkbooks_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("reason");
    // What stops each file in the reader; none may come to the station's wall clock.
    const QHash<QString, QString> reasons{
        {u"A"_s, u"读取程序异常终止(信号11)"_s},
        {u"B"_s, u"读取程序异常终止(信号11)"_s},
        {u"C"_s, u"FREEXL_OK, NULL"_s},
        {u"D1"_s, u"FREEXL_OK, NULL"_s},
        {u"D2"_s, u"FREEXL_OK, NULL"_s},
        {u"E"_s, u"FREEXL_INVALID_CHARACTER"_s},
        {u"F"_s, u"FREEXL_CFBF_READ_ERROR"_s},
        {u"G"_s, u"工作簿中没有名为Sheet1的工作表"_s},
        {u"H"_s, u"FREEXL_OK, NULL"_s},
        // The memory bombs end at the reader's address-space limit.
        {u"I"_s, u"FREEXL_INSUFFICIENT_MEMORY"_s},
        {u"J"_s, u"FREEXL_CFBF_READ_ERROR"_s},
        {u"K"_s, u"FREEXL_OK, NULL"_s},
    };
    const QStringList files = QDir(malformedDir()).entryList({u"*.xls"_s}, QDir::Files);
    QCOMPARE(files.size(), reasons.size());
    for (const QString& f : files) {
        const QString key = f.section(u'_', 0, 0);
        QVERIFY2(reasons.contains(key), qUtf8Printable(f));
        QTest::newRow(qPrintable(f)) << QDir(malformedDir()).filePath(f) << reasons.value(key);
    }
}

void TestCExcel::damagedWorkbooks()
{
    QFETCH(QString, path);
    QFETCH(QString, reason);
    CExcel excel;
    const QString description = openFails(excel, path);
    QVERIFY2(description.contains(reason), qUtf8Printable(description));
    // The same object still reads a good workbook afterwards.
    m_boxes->clear();
    QCOMPARE(excel.Open(workbook(u"second_sheet1.xls"_s)), 1);
    QStringList row;
    QCOMPARE(excel.GetRec(row), 1);
    QCOMPARE(row, (QStringList{u"2101001"_s, u"王小明"_s}));
    QCOMPARE(m_boxes->count(), 0);
}

void TestCExcel::largestSheetFitsTheLimits()
{
    CExcel excel;
    QCOMPARE(excel.Open(workbook(u"largest_sheet.xls"_s)), 1);
    QCOMPARE(excel.m_lFieldCount, 256L);
    QCOMPARE(excel.m_lRecordCount, 65535L);
    QStringList row;
    long rows = 0;
    int filled = 0;
    while (excel.GetRec(row) == 1) {
        ++rows;
        QCOMPARE(row.size(), 256);
        // Sheet row r (the headings are row 0) has its one text in column r % 256.
        if (rows % 97 == 1) {
            QCOMPARE(row.at(int(rows % 256)), u"第%1行"_s.arg(rows));
            ++filled;
        }
    }
    QCOMPARE(rows, 65535L);
    QCOMPARE(filled, 676);
    QCOMPARE(row.at(255), u"最后"_s);
    QCOMPARE(m_boxes->count(), 0);
}

void TestCExcel::secondOpenClosesTheFirst()
{
    CExcel excel;
    QCOMPARE(excel.Open(workbook(u"cells.xls"_s)), 1);
    QStringList row;
    QCOMPARE(excel.GetRec(row), 1);
    QCOMPARE(excel.GetRec(row), 1);

    QCOMPARE(excel.Open(workbook(u"second_sheet1.xls"_s)), 1);
    QCOMPARE(excel.m_lFieldCount, 2L);
    QCOMPARE(excel.m_lRecordCount, 1L);
    QCOMPARE(excel.GetRec(row), 1);
    QCOMPARE(row, (QStringList{u"2101001"_s, u"王小明"_s}));
    QCOMPARE(excel.GetRec(row), 0);

    // A failed Open leaves nothing of the workbook before it.
    QVERIFY(!openFails(excel, workbook(u"other_name.xls"_s)).isEmpty());
    QCOMPARE(m_boxes->count(), 1); // only the GetRec report of openFails
}

void TestCExcel::misbehavingReader_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("timeoutMs");
    QTest::addColumn<QString>("reason");

    const QString crasher = writeFile(u"crash.sh"_s, "#!/bin/sh\nkill -SEGV $$\n");
    QFile::setPermissions(crasher, QFile::ReadOwner | QFile::ExeOwner);
    const QString silentHang = writeFile(u"hang.sh"_s, "#!/bin/sh\nexec 1>&-\nexec sleep 30\n");
    QFile::setPermissions(silentHang, QFile::ReadOwner | QFile::ExeOwner);
    const QString garbage = writeFile(u"garbage"_s, "this is not what the reader writes\n");
    const QString flood = writeFile(u"flood.sh"_s, "#!/bin/sh\nexec cat /dev/zero\n");
    QFile::setPermissions(flood, QFile::ReadOwner | QFile::ExeOwner);

    // "cat" stands for a reader that writes the file given as its stream.
    QTest::newRow("hangs") << u"/bin/sleep"_s << u"30"_s << 300
                           << u"读取超过0.3秒仍未完成,已终止"_s;
    QTest::newRow("hangs with its output closed")
        << silentHang << u"x"_s << 300 << u"读取超过0.3秒仍未完成,已终止"_s;
    QTest::newRow("crashes") << crasher << u"x"_s << 5000 << u"读取程序异常终止(信号11)"_s;
    QTest::newRow("fails") << u"/bin/false"_s << u"x"_s << 5000 << u"读取程序出错退出(退出码1)"_s;
    QTest::newRow("writes garbage") << u"/bin/cat"_s << garbage << 5000 << u"读取程序的输出无效"_s;
    QTest::newRow("writes without end")
        << flood << u"x"_s << 20000 << u"读取程序的输出超过256 MB,已终止"_s;
    QTest::newRow("not there") << m_dir.filePath(u"nothing"_s) << u"x"_s << 5000
                               << u"无法启动Excel读取程序"_s;
    QTest::newRow("not found") << QString() << u"x"_s << 5000
                               << u"找不到Excel读取程序sorvik-xlsreader"_s;
}

void TestCExcel::misbehavingReader()
{
    QFETCH(QString, program);
    QFETCH(QString, file);
    QFETCH(int, timeoutMs);
    QFETCH(QString, reason);
    CExcel excel(store::XlsReaderProcess(program, timeoutMs));
    const QString description = openFails(excel, file);
    QVERIFY2(description.startsWith(reason), qUtf8Printable(description));
}

void TestCExcel::brokenStreams_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QString>("reason");

    const QString invalid = u"读取程序的输出无效"_s;
    QTest::newRow("nothing") << QByteArray() << invalid;
    QTest::newRow("wrong magic") << QByteArray("SVXLSR2\n") + validStream().mid(8) << invalid;
    QTest::newRow("no sheet frame") << Stream().row({"a"}).end(1).bytes() << invalid;
    QTest::newRow("two sheet frames") << Stream().sheet(0, 1).sheet(0, 1).end(0).bytes() << invalid;
    QTest::newRow("fewer cells than fields")
        << Stream().sheet(1, 2).row({"a"}).end(1).bytes() << invalid;
    QTest::newRow("more cells than fields")
        << Stream().sheet(1, 1).row({"a", "b"}).end(1).bytes() << invalid;
    QTest::newRow("fewer rows than records")
        << Stream().sheet(2, 1).row({"a"}).end(1).bytes() << invalid;
    QTest::newRow("more rows than records")
        << Stream().sheet(1, 1).row({"a"}).row({"b"}).end(2).bytes() << invalid;
    QTest::newRow("end miscounts") << Stream().sheet(1, 1).row({"a"}).end(7).bytes() << invalid;
    QTest::newRow("no end") << Stream().sheet(1, 1).row({"a"}).bytes() << invalid;
    QTest::newRow("bytes after the end") << validStream() + "x" << invalid;
    QTest::newRow("unknown frame") << Stream().sheet(0, 1).frame('Q', "").end(0).bytes() << invalid;
    QTest::newRow("text not UTF-8")
        << Stream().sheet(1, 1).row({"\xff\xfe"}).end(1).bytes() << invalid;
    QTest::newRow("cell type unknown")
        << Stream().sheet(1, 1).frame(xlsframes::FrameRow, "\x09").end(1).bytes() << invalid;
    QTest::newRow("length beyond the data")
        << Stream().sheet(1, 1).raw("R\xff\xff\x00\x00").bytes() << invalid;
    QTest::newRow("impossible size") << Stream().sheet(70000, 1).end(0).bytes() << invalid;
    QTest::newRow("too many columns") << Stream().sheet(0, 300).end(0).bytes() << invalid;
    // The reader's own report of a workbook it cannot read, in words.
    QByteArray failure;
    failure.append("\xf3\xff\xff\xff", 4).append(8, '\0');
    QTest::newRow("reader's failure")
        << Stream().frame(xlsframes::FrameFailure, failure).bytes()
        << u"复合文档含有无效的FAT项,文件已损坏(FreeXL FREEXL_CFBF_ILLEGAL_FAT_ENTRY)"_s;
    QByteArray absurd;
    absurd.append("\x03\0\0\0", 4).append("\0\0\x10\0", 4).append("\x00\x01\0\0", 4);
    QTest::newRow("absurd declared size")
        << Stream().frame(xlsframes::FrameFailure, absurd).bytes()
        << u"工作表声明的大小(1048576行×256列)超出了Excel文件所能容纳的范围,文件已损坏"_s;
}

void TestCExcel::brokenStreams()
{
    QFETCH(QByteArray, stream);
    QFETCH(QString, reason);
    // Through a real process: cat hands the station the stream as a reader would.
    CExcel excel(store::XlsReaderProcess(u"/bin/cat"_s, 5000));
    const QString description = openFails(excel, writeFile(u"stream"_s, stream));
    QVERIFY2(description.startsWith(reason), qUtf8Printable(description));
}

void TestCExcel::everyTruncationIsRefused()
{
    const QByteArray whole = validStream();
    QString error;
    store::XlsSheet sheet;
    QVERIFY2(sheet.parse(whole, error), qUtf8Printable(error));
    QCOMPARE(sheet.row(1), (QStringList{u"c"_s, u"d"_s}));
    for (qsizetype n = 0; n < whole.size(); ++n) {
        error.clear();
        QVERIFY2(!sheet.parse(whole.left(n), error), qPrintable(QString::number(n)));
        QVERIFY(error.startsWith(u"读取程序的输出无效"_s));
        QCOMPARE(sheet.readableRows(), 0);
        QCOMPARE(sheet.recordCount(), 0L);
    }
}

void TestCExcel::unreadableRowEndsTheReading()
{
    // The rows before a cell FreeXL cannot give are read; that row is reported once.
    const QByteArray stream =
        Stream().sheet(3, 2).row({"  2101001 ", "王小明"}).rowError(-16, 2, 1).end(1).bytes();
    CExcel excel(store::XlsReaderProcess(u"/bin/cat"_s, 5000));
    QCOMPARE(excel.Open(writeFile(u"rowerror"_s, stream)), 1);
    QCOMPARE(excel.m_lRecordCount, 3L);
    QStringList row;
    QCOMPARE(excel.GetRec(row), 1);
    QCOMPARE(row, (QStringList{u"2101001"_s, u"王小明"_s}));
    QCOMPARE(m_boxes->count(), 0);
    QVERIFY(!excel.failed());
    QCOMPARE(excel.GetRec(row), 0);
    QVERIFY(excel.failed());
    QCOMPARE(m_boxes->count(), 1);
    QCOMPARE(reported(m_boxes->shown().constFirst(), kGetRecSignature),
             u"第3行第2列的单元格无法读取:单元格引用了不存在的共享字符串,文件已损坏"
             u"(FreeXL FREEXL_BIFF_ILLEGAL_SST_INDEX)"_s);
    QCOMPARE(excel.GetRec(row), 0);
    QCOMPARE(m_boxes->count(), 1);
}

QTEST_GUILESS_MAIN(TestCExcel)
#include "testcexcel.moc"
