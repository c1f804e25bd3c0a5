#include "MessageService.h"
#include "QtMessageService.h"
#include "RecordingMessageService.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <memory>

using namespace platform;

class TestMessageService : public QObject
{
    Q_OBJECT
private slots:
    void recorderKeepsBoxesAndAnswers();
    void applicationBoxUsesExecutableName();
    void workerBoxIsShownByTheUiThread();
};

void TestMessageService::recorderKeepsBoxesAndAnswers()
{
    RecordingMessageService recorder;
    QCOMPARE(&messages(), &recorder);
    recorder.queueAnswer(Answer::Yes);
    QCOMPARE(messages().show(QStringLiteral("q1"), QStringLiteral("c"), Icon::Question,
                             Buttons::YesNo, nullptr),
             Answer::Yes);
    // Without a scripted answer a Yes/No box is answered No, an OK box Ok.
    QCOMPARE(messages().show(QStringLiteral("q2"), QStringLiteral("c"), Icon::Question,
                             Buttons::YesNo, nullptr),
             Answer::No);
    QCOMPARE(dialogMessage(this, QStringLiteral("选择数据库文件"), QStringLiteral("文件不存在"),
                           Icon::Stop),
             Answer::Ok);
    const auto shown = recorder.shown();
    QCOMPARE(shown.size(), 3);
    QCOMPARE(shown.at(2).caption, QStringLiteral("选择数据库文件"));
    QCOMPARE(shown.at(2).icon, Icon::Stop);
    QCOMPARE(shown.at(2).owner, this);
}

void TestMessageService::applicationBoxUsesExecutableName()
{
    RecordingMessageService recorder;
    appMessage(QStringLiteral("请先选择数据库!"));
    QCOMPARE(applicationTitle(), QStringLiteral("testmessageservice"));
    const auto shown = recorder.shown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.at(0).text, QStringLiteral("请先选择数据库!"));
    QCOMPARE(shown.at(0).caption, QStringLiteral("testmessageservice"));
    QCOMPARE(shown.at(0).icon, Icon::Warning);
    QCOMPARE(shown.at(0).buttons, Buttons::Ok);
}

void TestMessageService::workerBoxIsShownByTheUiThread()
{
    QtMessageService service;
    setMessageService(&service);
    QThread* boxThread = nullptr;
    QString boxText;
    // Answer the box with Yes as soon as it is up.
    std::function<void()> answer = [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            QTimer::singleShot(10, answer);
            return;
        }
        boxThread = box->thread();
        boxText = box->text();
        box->button(QMessageBox::Yes)->click();
    };
    QTimer::singleShot(10, answer);
    Answer result = Answer::Ok;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        result = messages().show(QStringLiteral("确认要删除吗?"), QStringLiteral("删除提示"),
                                 Icon::Question, Buttons::YesNo, nullptr);
    }));
    worker->start();
    QTRY_VERIFY(worker->isFinished());
    setMessageService(nullptr);
    QCOMPARE(result, Answer::Yes);
    QCOMPARE(boxThread, QApplication::instance()->thread());
    QCOMPARE(boxText, QStringLiteral("确认要删除吗?"));
}

QTEST_MAIN(TestMessageService)
#include "testmessageservice.moc"
