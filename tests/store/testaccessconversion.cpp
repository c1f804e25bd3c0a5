// CDB::open given an Access file: asks once, converts with the real sorvik-dbtool as a child
// process, keeps the original, and survives damaged files and a converter that dies.
#include "AccessConversion.h"
#include "CDB.h"
#include "CStudent.h"
#include "ConversionProgress.h"
#include "DatabaseSetting.h"
#include "MdbFixtures.h"
#include "RecordingMessageService.h"
#include "SqlConnection.h"
#include "TestSupport.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>

using namespace mdbfixtures;
using platform::Answer;
using platform::RecordingMessageService;

namespace
{

const QString kOpenSignature = QStringLiteral("void CDB::open(CString\tstrDBFile)");

// Keeps what the conversion showed; can kill the converter as soon as it has started.
class RecordingProgress final : public store::ConversionProgress
{
public:
    bool killConverter = false;
    int begun = 0;
    int ended = 0;
    QString text;
    QList<QPair<qint64, qint64>> steps;

    void begin(const QString& t) override
    {
        ++begun;
        text = t;
        if (killConverter)
            killChildren();
    }
    void advance(qint64 done, qint64 total) override { steps.append({done, total}); }
    void end() override { ++ended; }

private:
    // The converter is this process's child: killed by its process id, as a crash would end it.
    static void killChildren()
    {
        QDirIterator tasks(QStringLiteral("/proc/self/task"), QDir::Dirs | QDir::NoDotAndDotDot);
        while (tasks.hasNext()) {
            QFile children(tasks.next() + QStringLiteral("/children"));
            if (!children.open(QIODevice::ReadOnly))
                continue;
            for (const QByteArray& pid : children.readAll().split(' ')) {
                QFile comm(QStringLiteral("/proc/%1/comm").arg(QString::fromLatin1(pid)));
                if (!pid.trimmed().isEmpty() && comm.open(QIODevice::ReadOnly) &&
                    comm.readAll().trimmed() == "sorvik-dbtool")
                    ::kill(pid.toInt(), SIGKILL);
            }
        }
    }
};

} // namespace

class TestAccessConversion : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void yesConvertsAndKeepsTheOriginal();
    void noLeavesTheFileAsItWas();
    void failedConversionLeavesEverythingAsItWas_data();
    void failedConversionLeavesEverythingAsItWas();

private:
    std::unique_ptr<testsupport::IsolatedConfig> m_config;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestAccessConversion::init()
{
    m_config = std::make_unique<testsupport::IsolatedConfig>();
    m_dir = std::make_unique<QTemporaryDir>();
}

void TestAccessConversion::cleanup()
{
    m_dir.reset();
    m_config.reset();
}

void TestAccessConversion::yesConvertsAndKeepsTheOriginal()
{
    const QString path = m_dir->filePath(QStringLiteral("school.mdb"));
    QVERIFY(writeStation(path, 5000, {QStringLiteral("--card")}).isEmpty());
    QCOMPARE(mdbTables(path).size(), 5);
    QVERIFY(platform::writeDatabaseFileName(path));
    // An earlier conversion's original is not overwritten.
    const QString earlier = m_dir->filePath(QStringLiteral("school.access-original.mdb"));
    QFile e(earlier);
    QVERIFY(e.open(QIODevice::WriteOnly));
    e.write("an older original");
    e.close();
    const QString kept = m_dir->filePath(QStringLiteral("school (2).access-original.mdb"));
    QCOMPARE(store::AccessConversion::keptOriginalPath(path), kept);
    const QByteArray original = fileDigest(path);

    RecordingMessageService boxes;
    boxes.queueAnswer(Answer::Yes);
    RecordingProgress progress;
    CDB db;
    db.setConversionProgress(&progress);
    QCOMPARE(db.open(path), 1);

    const auto shown = boxes.shown();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown.at(0).caption, QStringLiteral("转换数据库"));
    QCOMPARE(shown.at(0).icon, platform::Icon::Question);
    QCOMPARE(shown.at(0).buttons, platform::Buttons::YesNo);
    QVERIFY2(shown.at(0).text.contains(path) && shown.at(0).text.contains(kept),
             qPrintable(shown.at(0).text));
    QCOMPARE(shown.at(1).icon, platform::Icon::Information);
    for (const QString& part :
         {kept, QStringLiteral("STU_Main: 5000 行"), QStringLiteral("STU_ObjectData: 15000 行"),
          QStringLiteral("STU_Card: 5000 行")})
        QVERIFY2(shown.at(1).text.contains(part), qPrintable(shown.at(1).text));

    // The wait was shown as it went, and came to its end.
    QCOMPARE(progress.begun, 1);
    QCOMPARE(progress.ended, 1);
    QVERIFY(progress.text.contains(path));
    QVERIFY2(progress.steps.size() >= 5, qPrintable(QString::number(progress.steps.size())));
    for (int i = 1; i < progress.steps.size(); ++i)
        QVERIFY(progress.steps.at(i).first >= progress.steps.at(i - 1).first);
    QCOMPARE(progress.steps.last(), (QPair<qint64, qint64>{25012, 25012}));

    // The station works on the converted database at the old name; the original is beside it,
    // unchanged; the configuration names the converted database.
    {
        CStudent student(db);
        long id = -1;
        QString name;
        QCOMPARE(student.GetIDByStuNO(QStringLiteral("2015004999"), id, name), 1L);
        QCOMPARE(id, 4999L);
    }
    db.close();
    QCOMPARE(fileDigest(kept), original);
    QCOMPARE(mdbTables(kept).size(), 5);
    QFile olderOriginal(earlier);
    QVERIFY(olderOriginal.open(QIODevice::ReadOnly));
    QCOMPARE(olderOriginal.readAll(), QByteArray("an older original"));
    QCOMPARE(platform::readDatabaseFileName(), QFileInfo(path).absoluteFilePath());
    QCOMPARE(filesIn(m_dir->path()), (QStringList{QStringLiteral("school (2).access-original.mdb"),
                                                  QStringLiteral("school.access-original.mdb"),
                                                  QStringLiteral("school.mdb")}));
    QVERIFY(store::SqlConnection::tableNamesOf(path).contains(QStringLiteral("STU_Card")));

    // Once converted, the file opens without a question.
    boxes.clear();
    CDB again;
    QCOMPARE(again.open(path), 1);
    again.close();
    QCOMPARE(boxes.count(), 0);
}

void TestAccessConversion::noLeavesTheFileAsItWas()
{
    const QString path = m_dir->filePath(QStringLiteral("school.mdb"));
    QVERIFY(writeStation(path, 20).isEmpty());
    QVERIFY(platform::writeDatabaseFileName(path));
    const QByteArray original = fileDigest(path);
    RecordingMessageService boxes;
    boxes.queueAnswer(Answer::No);
    RecordingProgress progress;
    CDB db;
    db.setConversionProgress(&progress);
    QCOMPARE(db.open(path), 0);
    QVERIFY(!db.isOpen());
    const QStringList texts = boxes.texts();
    QCOMPARE(texts.size(), 2);
    // Reported as before the conversion existed.
    QCOMPARE(texts.at(1), QStringLiteral("在") + kOpenSignature +
                              QStringLiteral("处发生异常:\r\n这是Access (Jet)数据库文件, "
                                             "本程序不能直接打开; 请用 sorvik-dbtool create "
                                             "建立的数据库\n"));
    QCOMPARE(progress.begun, 0);
    QCOMPARE(fileDigest(path), original);
    QCOMPARE(filesIn(m_dir->path()), QStringList{QStringLiteral("school.mdb")});
    QCOMPARE(platform::readDatabaseFileName(), path);
}

void TestAccessConversion::failedConversionLeavesEverythingAsItWas_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("killConverter");
    QTest::addColumn<QString>("reason");
    QTest::newRow("damaged file") << QStringLiteral("crash_seed_station_2c05b8be6f4b.mdb") << false
                                  << QStringLiteral("读取程序崩溃 (SIGSEGV)");
    QTest::newRow("converter dies") << QString() << true << QStringLiteral("转换程序意外终止");
    QTest::newRow("missing tables")
        << QStringLiteral("nwind") << false << QStringLiteral("Access文件中缺少表: STU_Main");
}

void TestAccessConversion::failedConversionLeavesEverythingAsItWas()
{
    QFETCH(QString, file);
    QFETCH(bool, killConverter);
    QFETCH(QString, reason);
    const QString path = m_dir->filePath(QStringLiteral("school.mdb"));
    if (file.isEmpty())
        QVERIFY(writeStation(path, 5000, {QStringLiteral("--card")}).isEmpty());
    else if (file == QLatin1String("nwind"))
        QVERIFY(QFile::copy(QStringLiteral(SORVIK_FIXTURES_DIR "/external/mdb/nwind.mdb"), path));
    else
        QVERIFY(QFile::copy(QStringLiteral(SORVIK_FIXTURES_DIR "/external/mdb-malformed/") + file,
                            path));
    QVERIFY(platform::writeDatabaseFileName(path));
    const QByteArray original = fileDigest(path);

    RecordingMessageService boxes;
    boxes.queueAnswer(Answer::Yes);
    RecordingProgress progress;
    progress.killConverter = killConverter;
    CDB db;
    db.setConversionProgress(&progress);
    QCOMPARE(db.open(path), 0);
    QVERIFY(!db.isOpen());
    const auto shown = boxes.shown();
    QCOMPARE(shown.size(), 2);
    const QString head = QStringLiteral("在") + kOpenSignature +
                         QStringLiteral("处发生异常:\r\nAccess数据库转换失败, 原文件没有改动: ");
    QVERIFY2(shown.at(1).text.startsWith(head) && shown.at(1).text.contains(reason),
             qPrintable(shown.at(1).text));
    QCOMPARE(shown.at(1).icon, platform::Icon::Warning);
    QCOMPARE(progress.begun, progress.ended);
    // Nothing was changed, renamed or left behind, and the station can go on.
    QCOMPARE(fileDigest(path), original);
    QCOMPARE(filesIn(m_dir->path()), QStringList{QStringLiteral("school.mdb")});
    QCOMPARE(platform::readDatabaseFileName(), path);
}

QTEST_GUILESS_MAIN(TestAccessConversion)
#include "testaccessconversion.moc"
