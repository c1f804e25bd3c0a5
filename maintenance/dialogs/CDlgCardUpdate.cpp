#include "CDlgCardUpdate.h"

#include "CDB.h"
#include "CPelkanRFCard.h"
#include "DialogUnits.h"
#include "ManualCheckBox.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

using platform::placeInDialogUnits;

namespace
{
QLineEdit* addBox(QWidget* dialog, int id, const QString& label, int y, const QString& text)
{
    auto* caption = new QLabel(label, dialog);
    placeInDialogUnits(caption, 12, y + 3, 28, 8);
    auto* box = new QLineEdit(text, dialog);
    box->setObjectName(platform::controlName(id));
    placeInDialogUnits(box, 44, y, 142, 14);
    return box;
}
} // namespace

CDlgCardUpdate::CDlgCardUpdate(int iRow, platform::ListView* pList, QWidget* parent)
    : QDialog(parent), m_pReader(new CPelkanRFCard(this)),
      m_update(theDB, pList, iRow, *m_pReader, this), m_timer(new QTimer(this))
{
    setObjectName(QStringLiteral("CDlgCardUpdate"));
    setWindowTitle(CardUpdate::title());
    setFont(platform::dialogFont());
    platform::sizeInDialogUnits(this, 198, 122);
    m_pReader->setObjectName(platform::controlName(IdReader));

    const QStringList cells = m_update.rowCells();
    addBox(this, IdStuID, QStringLiteral("序号"), 8, cells.at(0))->setEnabled(false);
    addBox(this, IdStuNO, QStringLiteral("学号"), 28, cells.at(1))->setEnabled(false);
    addBox(this, IdName, QStringLiteral("姓名"), 48, cells.at(2))->setEnabled(false);
    m_editCardNO = addBox(this, IdCardNO, QStringLiteral("卡号"), 68, cells.at(3));

    m_checkReader = new platform::ManualCheckBox(QStringLiteral("开启读卡器"), this);
    m_checkReader->setObjectName(platform::controlName(IdReaderOn));
    placeInDialogUnits(m_checkReader, 12, 98, 62, 10);
    auto* save = platform::addButton(this, IdSave, QStringLiteral("保存"), 82, 96, 50, 16);
    auto* back = platform::addButton(this, IdReturn, QStringLiteral("返回"), 136, 96, 50, 16);

    m_timer->setObjectName(QStringLiteral("timer%1").arg(kTimerId));
    m_timer->setInterval(kPollMs);
    connect(m_timer, &QTimer::timeout, this, &CDlgCardUpdate::OnTimer);
    connect(m_checkReader, &QCheckBox::clicked, this, &CDlgCardUpdate::OnReaderOn);
    connect(save, &QPushButton::clicked, this, &CDlgCardUpdate::OnSave);
    connect(back, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_pReader, &CPelkanRFCard::readerLost, this, &CDlgCardUpdate::onReaderLost);
}

bool CDlgCardUpdate::isPolling() const
{
    return m_timer->isActive();
}

void CDlgCardUpdate::OnReaderOn()
{
    const bool on = !m_checkReader->isChecked();
    m_checkReader->setChecked(on);
    m_update.switchReader(on);
    // Polling follows the box, whether or not the reader could be switched.
    if (on)
        m_timer->start();
    else
        m_timer->stop();
}

void CDlgCardUpdate::OnTimer()
{
    if (const std::optional<QString> number = m_update.poll())
        m_editCardNO->setText(*number);
}

void CDlgCardUpdate::OnSave()
{
    if (m_update.save(m_editCardNO->text()))
        accept();
}

void CDlgCardUpdate::onReaderLost(const QString& reason)
{
    if (!m_checkReader->isChecked())
        return;
    // The reader is off now: the box and the polling say so before the message does.
    m_timer->stop();
    m_checkReader->setChecked(false);
    m_update.readerLost(reason);
}
