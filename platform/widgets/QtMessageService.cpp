#include "QtMessageService.h"

#include "ThreadCall.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

namespace platform
{

namespace
{

QMessageBox::Icon qtIcon(Icon icon)
{
    switch (icon) {
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::Warning:
        return QMessageBox::Warning;
    case Icon::Stop:
        return QMessageBox::Critical;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

Answer showOnUiThread(const QString& text, const QString& caption, Icon icon, Buttons buttons,
                      QWidget* owner)
{
    const auto qtButtons =
        buttons == Buttons::YesNo ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok;
    QMessageBox box(qtIcon(icon), caption, text, qtButtons, owner);
    const int result = box.exec();
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    return result == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

} // namespace

Answer QtMessageService::show(const QString& text, const QString& caption, Icon icon,
                              Buttons buttons, QObject* owner)
{
    QPointer<QWidget> ownerWidget = qobject_cast<QWidget*>(owner);
    return callOnThreadOf(QCoreApplication::instance(), [&] {
        return showOnUiThread(text, caption, icon, buttons, ownerWidget);
    });
}

} // namespace platform
