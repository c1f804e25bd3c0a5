#include "SyncHub.h"

#include "CDB.h"
#include "ExchangeThread.h"
#include "FormatThread.h"
#include "InstrumentExchange.h"
#include "MachineInterface.h"
#include "MessageService.h"

QString SyncHub::title()
{
    return QStringLiteral("同步数据");
}

QString SyncHub::bannerText()
{
    return QStringLiteral("请确认测试仪器处于\"同步测试者信息\"状态!");
}

bool SyncHub::checkDatabase() const
{
    if (bDBOpen)
        return true;
    platform::appMessage(QStringLiteral("请先选择数据库!"));
    return false;
}

bool SyncHub::confirmClearing() const
{
    return platform::messages().show(QStringLiteral("确认要删除仪器的内的所有学生和成绩吗?"),
                                     QStringLiteral("删除提示"), platform::Icon::Question,
                                     platform::Buttons::YesNo, m_owner) == platform::Answer::Yes;
}

bool SyncHub::startClearing(ExchangeThread& thread, PleaseWaitView& window,
                            QObject* windowObject) const
{
    if (thread.isRunning() || InstrumentExchange::isBusy())
        return false;
    // A library that cannot be bound has been reported here; the worker then meets failures
    // and closes the window all the same.
    auto worker = std::make_unique<FormatThread>(MachineInterface::bind(), window);
    return thread.start(std::move(worker), {windowObject});
}
