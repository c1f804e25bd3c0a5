#include "CDlgDownStuName.h"

#include "DialogUnits.h"
#include "DownloadNameThread.h"
#include "InstrumentExchange.h"
#include "MachineInterface.h"
#include "ReportList.h"
#include "WorkbookBrowse.h"
#include "WorkbookFile.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using platform::placeInDialogUnits;

QString CDlgDownStuName::title()
{
    return QStringLiteral("从Excel下载学生姓名到仪器");
}

CDlgDownStuName::CDlgDownStuName(QWidget* parent)
    : QDialog(parent), m_editPath(new QLineEdit(this)), m_list(new platform::ReportList(this)),
      m_staticCount(new QLabel(this))
{
    setObjectName(QStringLiteral("CDlgDownStuName"));
    setWindowTitle(title());
    setFont(platform::dialogFont());
    platform::sizeInDialogUnits(this, 441, 295);

    auto* pathLabel = new QLabel(QStringLiteral("姓名Excel文件"), this);
    placeInDialogUnits(pathLabel, 7, 19, 53, 8);
    m_editPath->setObjectName(platform::controlName(IdPath));
    placeInDialogUnits(m_editPath, 63, 15, 344, 14);
    auto* browse = platform::addButton(this, IdBrowse, QStringLiteral(".."), 415, 15, 19, 14);
    auto* listLabel = new QLabel(QStringLiteral("导入姓名列表"), this);
    placeInDialogUnits(listLabel, 7, 43, 49, 8);
    m_staticCount->setObjectName(platform::controlName(IdCount));
    placeInDialogUnits(m_staticCount, 72, 43, 41, 8);
    m_list->setObjectName(platform::controlName(IdList));
    placeInDialogUnits(m_list, 7, 57, 427, 208);
    m_list->setColumns({{QStringLiteral("编号"), 120},
                        {QStringLiteral("姓名"), 120},
                        {QStringLiteral("学校/班级"), 120}});
    m_list->setCountObserver([this](int count) { m_staticCount->setText(QString::number(count)); });
    m_btnStart = platform::addButton(this, IdStart, QStringLiteral("开始下载"), 321, 274, 50, 14);
    m_btnReturn = platform::addButton(this, IdReturn, QStringLiteral("返回"), 384, 274, 50, 14);

    connect(browse, &QPushButton::clicked, this, &CDlgDownStuName::OnBrowse);
    connect(m_btnStart, &QPushButton::clicked, this, &CDlgDownStuName::OnStart);
    connect(m_btnReturn, &QPushButton::clicked, this, &QDialog::reject);
    connect(&m_thread, &ExchangeThread::finished, this, &CDlgDownStuName::updateButtons);
    connect(&InstrumentExchange::instance(), &InstrumentExchange::busyChanged, this,
            &CDlgDownStuName::updateButtons);
    updateButtons();
}

CDlgDownStuName::~CDlgDownStuName()
{
    // Only when the whole station goes down can the dialog go before its worker.
    disconnect(&InstrumentExchange::instance(), nullptr, this, nullptr);
    m_thread.stop();
}

void CDlgDownStuName::OnBrowse()
{
    const QString path = maintenance::browseWorkbook(this);
    if (!path.isEmpty())
        m_editPath->setText(path);
}

void CDlgDownStuName::OnStart()
{
    // One exchange at a time: the button is disabled meanwhile, and a late click does nothing.
    if (m_thread.isRunning() || InstrumentExchange::isBusy())
        return;
    const QString path = m_editPath->text();
    if (!WorkbookFile::check(this, title(), path))
        return;
    m_list->deleteAll();
    m_thread.start(std::make_unique<DownloadNameThread>(MachineInterface::bind(), *m_list, path),
                   {m_list});
    updateButtons();
}

void CDlgDownStuName::updateButtons()
{
    // Both buttons are disabled from the start of a download until the worker has ended.
    const bool running = m_thread.isRunning();
    m_btnStart->setEnabled(!running && !InstrumentExchange::isBusy());
    m_btnReturn->setEnabled(!running);
}

void CDlgDownStuName::done(int result)
{
    // "返回", Escape and the close box: not while the worker still fills the list.
    if (m_thread.isRunning())
        return;
    QDialog::done(result);
}
