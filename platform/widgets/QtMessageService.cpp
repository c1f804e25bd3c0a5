#include "QtMessageService.h"

#include "ThreadCall.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

namespace platform
{

namespace
{

Answer showOnUiThread(const QString& text, const QString& caption, Icon icon, Buttons buttons,
                      QWidget* owner)
{
    QMessageBox::Icon qtIcon = QMessageBox::NoIcon;
    switch (icon) {
    case Icon::None:
        break;
    case Icon::Information:
        qtIcon = QMessageBox::Information;
        break;
    case Icon::Warning:
        qtIcon = QMessageBox::Warning;
        break;
    case Icon::Stop:
        qtIcon = QMessageBox::Critical;
        break;
    case Icon::Question:
        qtIcon = QMessageBox::Question;
        break;
    }
    const auto qtButtons =
        buttons == Buttons::YesNo ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok;
    QMessageBox box(qtIcon, caption, text, qtButtons, owner);
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
