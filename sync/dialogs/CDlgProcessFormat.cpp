#include "CDlgProcessFormat.h"

#include "DialogUnits.h"
#include "ThreadCall.h"

#include <QLabel>

CDlgProcessFormat::CDlgProcessFormat(QWidget* owner)
    : WorkerWindow(owner), m_staticText(new QLabel(this))
{
    setObjectName(QStringLiteral("CDlgProcessFormat"));
    setFont(platform::dialogFont(8));
    platform::sizeInDialogUnits(this, 346, 85);
    m_staticText->setObjectName(platform::controlName(IdText));
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
        allowClosing();
        close();
    });
}
