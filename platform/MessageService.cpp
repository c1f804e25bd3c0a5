#include "MessageService.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace platform
{

namespace
{

// Used before any widget layer is up (command-line tools): prints instead of showing a window.
class ConsoleMessageService final : public MessageService
{
public:
    Answer show(const QString& text, const QString& caption, Icon, Buttons buttons,
                QObject*) override
    {
        qWarning("%s: %s", qUtf8Printable(caption), qUtf8Printable(text));
        return buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
    }
};

ConsoleMessageService& consoleService()
{
    static ConsoleMessageService service;
    return service;
}

MessageService* g_service = nullptr;

} // namespace

MessageService& messages()
{
    return g_service ? *g_service : consoleService();
}

void setMessageService(MessageService* service)
{
    g_service = service;
}

QString applicationTitle()
{
    const QString path =
        QCoreApplication::instance() ? QCoreApplication::applicationFilePath() : QString();
    const QString base = QFileInfo(path).completeBaseName();
    return base.isEmpty() ? QStringLiteral("sorvik") : base;
}

Answer appMessage(const QString& text)
{
    return messages().show(text, applicationTitle(), Icon::Warning, Buttons::Ok, nullptr);
}

Answer dialogMessage(QObject* owner, const QString& dialogTitle, const QString& text, Icon icon)
{
    return messages().show(text, dialogTitle, icon, Buttons::Ok, owner);
}

} // namespace platform
