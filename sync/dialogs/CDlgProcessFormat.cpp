#include "CDlgProcessFormat.h"

#include "DialogUnits.h"
#include "ThreadCall.h"

#include <QCloseEvent>
#include <QLabel>

CDlgProcessFormat::CDlgProcessFormat(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_staticText(new QLabel(this))
{
    setObjectName(QStringLiteral("CDlgProcessFormat"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setFont(platform::dialogFont(8));
    platform::sizeInDialogUnits(this, 346, 85);
    m_staticText->setObjectName(QStringLiteral("id1062"));
    m_staticText->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    platform::placeInDialogUnits(m_staticText, 7, 28, 332, 8);
}

void CDlgProcessFormat::setText(const QString& text)
{
    m_staticText->setText(text);
}

QString CDlgProcessFormat::text() const
{
    return m_staticText->text();
}

void CDlgProcessFormat::closeWindow()
{
    platform::callOnThreadOf(this, [this] {
        m_closable = true;
        close();
    });
}

void CDlgProcessFormat::done(int result)
{
    // Escape and the like end up here; only the worker ends this window.
    if (m_closable)
        QDialog::done(result);
}

void CDlgProcessFormat::closeEvent(QCloseEvent* event)
{
    if (m_closable)
        QDialog::closeEvent(event);
    else
        event->ignore();
}
