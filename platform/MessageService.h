#pragma once

#include <QString>

class QObject;

namespace platform
{

enum class Icon { None, Information, Warning, Stop, Question };
enum class Buttons { Ok, YesNo };
enum class Answer { Ok, Yes, No };

// Every message box of the station goes through the installed service, so tests can read
// exactly what a teacher would have seen and answer it from a script.
class MessageService
{
public:
    virtual ~MessageService() = default;
    // owner: the dialog that owns the box, or null for a box without owner window.
    virtual Answer show(const QString& text, const QString& caption, Icon icon, Buttons buttons,
                        QObject* owner) = 0;
};

MessageService& messages();
// Installs a service (not owned); null restores the built-in one (which answers without showing
// anything until the widget layer installs its own).
void setMessageService(MessageService* service);

// The application's title: the base name of the running executable.
QString applicationTitle();

// The application's message box: application title, OK button, warning icon.
Answer appMessage(const QString& text);

// A box captioned with the dialog's own title (maintenance dialogs and file checks).
Answer dialogMessage(QObject* owner, const QString& dialogTitle, const QString& text, Icon icon);

} // namespace platform
