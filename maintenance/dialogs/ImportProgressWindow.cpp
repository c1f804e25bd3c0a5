#include "ImportProgressWindow.h"

#include "Clock.h"
#include "DialogUnits.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QThread>

ImportProgressWindow::ImportProgressWindow(QWidget* owner, const QString& title)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_started(platform::currentDateTime()), m_label(new QLabel(this)),
      m_bar(new QProgressBar(this)), m_front(this, &platform::messages())
{
    setObjectName(QStringLiteral("importProgress"));
    setWindowTitle(title);
    setWindowModality(Qt::ApplicationModal);
    setFont(platform::dialogFont());
    platform::sizeInDialogUnits(this, 220, 50);
    platform::placeInDialogUnits(m_label, 10, 8, 200, 10);
    m_bar->setObjectName(QStringLiteral("importProgressBar"));
    platform::placeInDialogUnits(m_bar, 10, 24, 200, 14);
    platform::setMessageService(&m_front);
}

ImportProgressWindow::~ImportProgressWindow()
{
    platform::setMessageService(m_front.inner());
}

void ImportProgressWindow::progress(long lDone, long lTotal)
{
    if (!isVisible() && m_started.msecsTo(platform::currentDateTime()) < kShowAfterMs)
        return;
    m_bar->setRange(0, static_cast<int>(qMax(lTotal, lDone)));
    m_bar->setValue(static_cast<int>(lDone));
    m_label->setText(QStringLiteral("正在导入,请稍候... %1/%2").arg(lDone).arg(lTotal));
    if (!isVisible())
        show();
    QCoreApplication::processEvents();
}

platform::Answer ImportProgressWindow::BoxFront::show(const QString& text, const QString& caption,
                                                      platform::Icon icon,
                                                      platform::Buttons buttons, QObject* owner)
{
    if (QThread::currentThread() == m_pWindow->thread())
        m_pWindow->hide();
    return m_pInner->show(text, caption, icon, buttons, owner);
}

void ImportProgressWindow::reject() {}

void ImportProgressWindow::closeEvent(QCloseEvent* event)
{
    event->ignore();
}
