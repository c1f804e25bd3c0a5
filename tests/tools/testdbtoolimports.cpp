#include "CDB.h"
#include "CardImport.h"
#include "ImportTestSupport.h"
#include "ScoreImport.h"
#include "StudentImport.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace importtest;

namespace
{

QString dbtool()
{
    return QStringLiteral(SORVIK_BIN_DIR "/sorvik-dbtool");
}

struct Run {
    int exitCode = -1;
    QStringList lines;
};

Run runTool(const QStringList& args)
{
    QProcess p;
    p.start(dbtool(), args);
    Run run;
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = p.exitCode();
    run.lines = QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    return run;
}

// Pupils and value rows of a database, without the moment each pupil was made.
QList<QStringList> content(const QString& path, bool withCards)
{
    CDB db;
    if (!db.open(path))
        return {};
    QList<QStringList> rows = pupils(db);
    rows << QStringList{u"--"_s};
    rows += tableRows(db, u"STU_ObjectData"_s,
                      {u"STU_ID"_s, u"Object_ID"_s, u"ObjectValue"_s, u"ObjectType"_s});
    if (withCards)
        rows += tableRows(db, u"STU_Card"_s, {u"StuID"_s, u"CardNO"_s});
    db.close();
    return rows;
}

} // namespace

// sorvik-dbtool's imports: the same messages, the same database content and an exit status
// that says whether the run was broken off, compared with the logic classes run here.
class TestDbtoolImports : public QObject
{
    Q_OBJECT

private slots:
    void sameAsTheDialogs_data();
    void sameAsTheDialogs();
    void usage();

private:
    QString freshDatabase(const QString& name)
    {
        const QString path = m_dir.filePath(name);
        QFile::remove(path);
        if (runTool({u"create"_s, path}).exitCode != 0)
            qFatal("cannot create %s", qUtf8Printable(path));
        return path;
    }

    QTemporaryDir m_dir;
};

void TestDbtoolImports::sameAsTheDialogs_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("exitCode");

    const QString students = u"import-students"_s;
    const QString scores = u"import-scores"_s;
    QTest::newRow("sample students") << students << sample(u"students.xls"_s) << 0;
    QTest::newRow("students") << students << workbook(u"students.xls"_s) << 0;
    QTest::newRow("repeated number") << students << workbook(u"students_duplicate.xls"_s) << 1;
    QTest::newRow("nine columns") << students << workbook(u"students_nine_columns.xls"_s) << 1;
    QTest::newRow("upper-case XLS") << students << workbook(u"STUDENTS.XLS"_s) << 1;
    QTest::newRow("no such file") << students << workbook(u"missing.xls"_s) << 1;
    QTest::newRow("sample scores") << scores << sample(u"scores.xls"_s) << 0;
    QTest::newRow("scores") << scores << workbook(u"scores.xls"_s) << 0;
    QTest::newRow("three columns") << scores << workbook(u"scores_three_columns.xls"_s) << 1;
    QTest::newRow("scores, no Sheet1") << scores << workbook(u"other_name.xls"_s) << 1;
    const QString cards = u"import-cards"_s;
    QTest::newRow("sample cards") << cards << sample(u"cards.xls"_s) << 0;
    QTest::newRow("cards") << cards << workbook(u"cards.xls"_s) << 0;
    QTest::newRow("cards, two columns") << cards << workbook(u"cards_two_columns.xls"_s) << 1;
    for (const QString& path : importtest::damagedWorkbooks()) {
        const QString name = QFileInfo(path).fileName();
        QTest::newRow(qPrintable(u"students, "_s + name)) << students << path << 1;
        QTest::newRow(qPrintable(u"scores, "_s + name)) << scores << path << 1;
    }
}

void TestDbtoolImports::sameAsTheDialogs()
{
    QFETCH(QString, command);
    QFETCH(QString, path);
    QFETCH(int, exitCode);

    // Scores and cards need pupils: both databases get the sample pupils first, the same way.
    const QString byTool = freshDatabase(u"tool.mdb"_s);
    const QString here = freshDatabase(u"here.mdb"_s);
    const bool scores = command == u"import-scores"_s;
    const bool cards = command == u"import-cards"_s;
    if (scores || cards) {
        QCOMPARE(runTool({u"import-students"_s, byTool, sample(u"students.xls"_s)}).exitCode, 0);
        QCOMPARE(runTool({u"import-students"_s, here, sample(u"students.xls"_s)}).exitCode, 0);
    }

    const Run run = runTool({command, byTool, path});

    platform::RecordingMessageService boxes;
    CDB db;
    QCOMPARE(db.open(here), 1);
    platform::MemoryListView list;
    bool finished;
    if (scores)
        finished = ScoreImport(db, &list).run(path) == ScoreImport::Outcome::Finished;
    else if (cards)
        finished = db.CreateCardTable() == 1 &&
                   CardImport(db, &list).run(path) == CardImport::Outcome::Finished;
    else
        finished = StudentImport(db, &list).run(path) == StudentImport::Outcome::Finished;
    db.close();
    QStringList expected;
    for (const auto& s : boxes.shown()) {
        const QString caption =
            s.caption == platform::applicationTitle() ? u"sorvik-dbtool"_s : s.caption;
        QString text = s.text;
        text.replace(u"\r\n"_s, u" "_s).replace(u'\n', u' ');
        expected << caption + u": "_s + text.trimmed();
    }

    QCOMPARE(run.lines, expected);
    QCOMPARE(run.exitCode, finished ? 0 : 1);
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(content(byTool, cards), content(here, cards));
}

void TestDbtoolImports::usage()
{
    const QString db = freshDatabase(u"usage.mdb"_s);
    QCOMPARE(runTool({u"import-students"_s, db}).exitCode, 2);
    QCOMPARE(runTool({u"import-scores"_s, db, sample(u"scores.xls"_s), u"more"_s}).exitCode, 2);
    // A database that cannot be opened is said, and nothing is read.
    const Run run =
        runTool({u"import-students"_s, m_dir.filePath(u"none.mdb"_s), sample(u"students.xls"_s)});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.lines, QStringList{u"FindFirstFile: 没有找到数据库"_s});
    // So is a file that is no station database.
    const Run notDb =
        runTool({u"import-scores"_s, sample(u"scores.xls"_s), sample(u"scores.xls"_s)});
    QCOMPARE(notDb.exitCode, 1);
    QCOMPARE(notDb.lines.size(), 1);
    QVERIFY2(notDb.lines.at(0).startsWith(u"sorvik-dbtool: 在void CDB::open(CString\tstrDBFile)"_s),
             qUtf8Printable(notDb.lines.at(0)));
}

QTEST_GUILESS_MAIN(TestDbtoolImports)
#include "testdbtoolimports.moc"
