#include "CDlgSelectDBFile.h"
#include "DatabaseSetting.h"
#include "DbFileSelection.h"
#include "FileDialogs.h"
#include "GuiTestSupport.h"
#include "RecordingMessageService.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using platform::Icon;
using platform::RecordingMessageService;

namespace
{

QString touch(const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    return path;
}

} // namespace

class TestDlgSelectDBFile : public QObject
{
    Q_OBJECT
private slots:
    void saveChecks_data();
    void saveChecks();
    void unwritableProfileKeepsDialogOpen();
    void dialogShowsBrowsesAndSaves();
    void returnLeavesSettingUnchanged();
};

void TestDlgSelectDBFile::saveChecks_data()
{
    QTest::addColumn<QString>("name");  // file made in a temporary folder; empty = none made
    QTest::addColumn<QString>("typed"); // what the user typed, relative to that folder
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("icon");
    QTest::addColumn<bool>("saved");
    QTest::newRow("good") << "school.mdb"
                          << "school.mdb"
                          << "保存成功,请重新启动程序!" << int(Icon::Information) << true;
    QTest::newRow("no such file") << ""
                                  << "none.mdb"
                                  << "文件不存在" << int(Icon::Stop) << false;
    QTest::newRow("empty path") << ""
                                << ""
                                << "文件不存在" << int(Icon::Stop) << false;
    QTest::newRow("upper-case extension")
        << "SCHOOL.MDB"
        << "SCHOOL.MDB"
        << "所选文件不是Access数据库文件!" << int(Icon::Stop) << false;
    QTest::newRow("other extension") << "scores.xls"
                                     << "scores.xls"
                                     << "所选文件不是Access数据库文件!" << int(Icon::Stop) << false;
    QTest::newRow("longer than 255 bytes")
        << QString(120, QLatin1Char('d')) + QStringLiteral("/") + QString(120, QLatin1Char('e')) +
               QStringLiteral("/学校.mdb")
        << QString(120, QLatin1Char('d')) + QStringLiteral("/") + QString(120, QLatin1Char('e')) +
               QStringLiteral("/学校.mdb")
        << "保存成功,请重新启动程序!" << int(Icon::Information) << true;
}

void TestDlgSelectDBFile::saveChecks()
{
    QFETCH(QString, name);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    QFETCH(int, icon);
    QFETCH(bool, saved);
    testsupport::IsolatedConfig config;
    QTemporaryDir dir;
    if (!name.isEmpty())
        touch(dir.filePath(name));
    const QString path = typed.isEmpty() ? QString() : dir.filePath(typed);

    RecordingMessageService recorder;
    QCOMPARE(DbFileSelection().save(path), saved);
    const auto shown = recorder.shown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.at(0).text, message);
    QCOMPARE(shown.at(0).caption, QStringLiteral("选择数据库文件"));
    QCOMPARE(int(shown.at(0).icon), icon);
    QCOMPARE(platform::readDatabaseFileName(), saved ? path : QString());
}

void TestDlgSelectDBFile::unwritableProfileKeepsDialogOpen()
{
    testsupport::IsolatedConfig config;
    touch(config.path() + QStringLiteral("/sorvik")); // a file where the folder should be
    QTemporaryDir dir;
    const QString path = touch(dir.filePath(QStringLiteral("school.mdb")));
    RecordingMessageService recorder;
    CDlgSelectDBFile dlg;
    testsupport::child<QLineEdit>(&dlg, CDlgSelectDBFile::IdPath)->setText(path);
    dlg.show();
    testsupport::child<QPushButton>(&dlg, CDlgSelectDBFile::IdSave)->click();
    QCOMPARE(recorder.texts(), QStringList{QStringLiteral("保存失败")});
    QCOMPARE(recorder.shown().at(0).icon, Icon::Stop);
    QVERIFY(dlg.isVisible());
    QCOMPARE(dlg.result(), int(QDialog::Rejected));
}

void TestDlgSelectDBFile::dialogShowsBrowsesAndSaves()
{
    testsupport::IsolatedConfig config;
    QTemporaryDir dir;
    const QString first = touch(dir.filePath(QStringLiteral("first.mdb")));
    const QString second = touch(dir.filePath(QStringLiteral("second.mdb")));
    QVERIFY(platform::writeDatabaseFileName(first));

    RecordingMessageService recorder;
    CDlgSelectDBFile dlg;
    QCOMPARE(dlg.windowTitle(), QStringLiteral("选择数据库文件"));
    auto* edit = testsupport::child<QLineEdit>(&dlg, CDlgSelectDBFile::IdPath);
    QCOMPARE(edit->text(), first);

    platform::setNextOpenFileName(QString()); // browsing cancelled keeps the box
    testsupport::child<QPushButton>(&dlg, CDlgSelectDBFile::IdBrowse)->click();
    QCOMPARE(edit->text(), first);
    platform::setNextOpenFileName(second);
    testsupport::child<QPushButton>(&dlg, CDlgSelectDBFile::IdBrowse)->click();
    QCOMPARE(edit->text(), second);

    testsupport::whenModalShown<CDlgSelectDBFile>([](CDlgSelectDBFile* d) {
        testsupport::child<QPushButton>(d, CDlgSelectDBFile::IdSave)->click();
    });
    QCOMPARE(dlg.exec(), int(QDialog::Accepted));
    QCOMPARE(platform::readDatabaseFileName(), second);
    QCOMPARE(recorder.texts(), QStringList{QStringLiteral("保存成功,请重新启动程序!")});
}

void TestDlgSelectDBFile::returnLeavesSettingUnchanged()
{
    testsupport::IsolatedConfig config;
    QTemporaryDir dir;
    const QString first = touch(dir.filePath(QStringLiteral("first.mdb")));
    const QString other = touch(dir.filePath(QStringLiteral("other.mdb")));
    QVERIFY(platform::writeDatabaseFileName(first));
    RecordingMessageService recorder;
    CDlgSelectDBFile dlg;
    platform::setNextOpenFileName(other);
    testsupport::child<QPushButton>(&dlg, CDlgSelectDBFile::IdBrowse)->click();
    testsupport::whenModalShown<CDlgSelectDBFile>([](CDlgSelectDBFile* d) {
        testsupport::child<QPushButton>(d, CDlgSelectDBFile::IdReturn)->click();
    });
    QCOMPARE(dlg.exec(), int(QDialog::Rejected));
    QCOMPARE(platform::readDatabaseFileName(), first);
    QCOMPARE(recorder.count(), 0);
}

QTEST_MAIN(TestDlgSelectDBFile)
#include "testdlgselectdbfile.moc"
