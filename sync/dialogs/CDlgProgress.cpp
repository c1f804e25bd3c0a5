#include "CDlgProgress.h"

#include "DialogUnits.h"
#include "ReportList.h"
#include "ThreadCall.h"

#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

using platform::placeInDialogUnits;

CDlgProgress::CDlgProgress(QWidget* owner) : WorkerWindow(owner)
{
    setObjectName(QStringLiteral("CDlgProgress"));
    setFont(platform::dialogFont());
    platform::sizeInDialogUnits(this, 493, 331);

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(platform::controlName(IdProgress));
    m_progress->setTextVisible(false);
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    placeInDialogUnits(m_progress, 7, 7, 479, 14);

    m_list = new platform::ReportList(this);
    m_list->setObjectName(platform::controlName(IdList));
    placeInDialogUnits(m_list, 7, 32, 479, 272);

    m_btnClose = new QPushButton(QStringLiteral("关闭"), this);
    m_btnClose->setObjectName(platform::controlName(IdClose));
    m_btnClose->setAutoDefault(false);
    m_btnClose->setEnabled(false);
    placeInDialogUnits(m_btnClose, 436, 310, 50, 14);
    connect(m_btnClose, &QPushButton::clicked, this, &QDialog::close);

    m_repaint = new QTimer(this);
    m_repaint->setSingleShot(true);
    m_repaint->setInterval(100);
    connect(m_repaint, &QTimer::timeout, this, [this] { m_list->setUpdatesEnabled(true); });
}

CDlgProgress* CDlgProgress::open(QWidget* owner, const QString& caption, Layout layout)
{
    auto* dlg = new CDlgProgress(owner);
    dlg->show();
    dlg->setWindowTitle(caption);
    if (layout == Layout::Transfer)
        dlg->applyTransferLayout();
    else
        dlg->applyImportLayout();
    dlg->m_btnClose->setEnabled(false);
    return dlg;
}

void CDlgProgress::applyTransferLayout()
{
    platform::callOnThreadOf(this, [this] {
        m_list->setColumns({{QStringLiteral("序号"), 40},
                            {QStringLiteral("编号"), 140},
                            {QStringLiteral("姓名"), 140},
                            {QStringLiteral("班级"), 140}});
    });
}

void CDlgProgress::applyImportLayout()
{
    platform::callOnThreadOf(this, [this] {
        m_list->setColumns({{QStringLiteral("序号"), 40},
                            {QStringLiteral("编号"), 140},
                            {QStringLiteral("姓名"), 140},
                            {QStringLiteral("项目"), 140},
                            {QStringLiteral("成绩"), 140},
                            {QStringLiteral("单位"), 140},
                            {QStringLiteral("时间"), 140}});
    });
}

void CDlgProgress::setRange(int minimum, int maximum)
{
    platform::callOnThreadOf(this,
                             [&] { m_progress->setRange(minimum, std::max(minimum, maximum)); });
}

void CDlgProgress::setPosition(int position)
{
    // A bar ignores values outside its range; past the end it shall stay full.
    platform::callOnThreadOf(this, [&] {
        m_progress->setValue(std::clamp(position, m_progress->minimum(), m_progress->maximum()));
    });
}

int CDlgProgress::insertRow(int index, const QString& firstCell)
{
    return platform::callOnThreadOf(this, [&] { return m_list->insertRow(index, firstCell); });
}

void CDlgProgress::setCell(int row, int column, const QString& text)
{
    platform::callOnThreadOf(this, [&] { m_list->setCell(row, column, text); });
}

void CDlgProgress::addTopRow(int position, const QStringList& cells)
{
    platform::callOnThreadOf(this, [&] {
        holdRepaints();
        m_progress->setValue(std::clamp(position, m_progress->minimum(), m_progress->maximum()));
        const int row = m_list->insertRow(0, cells.value(0));
        for (int i = 1; i < cells.size(); ++i)
            m_list->setCell(row, i, cells.at(i));
    });
}

void CDlgProgress::holdRepaints()
{
    // A fast transfer adds thousands of rows a second: paint the list a few times a second
    // instead of after every row.
    if (m_repaint->isActive())
        return;
    m_list->setUpdatesEnabled(false);
    m_repaint->start();
}

void CDlgProgress::finish()
{
    platform::callOnThreadOf(this, [this] {
        m_repaint->stop();
        m_list->setUpdatesEnabled(true);
        allowClosing();
        m_btnClose->setEnabled(true);
    });
}
