#include "CDlgSync.h"

#include "CDlgDownStuName.h"
#include "CDlgProcessFormat.h"
#include "CDlgSelectDownClass.h"
#include "CDlgSelectImportClass.h"
#include "DialogUnits.h"
#include "InstrumentExchange.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

#include <algorithm>
#include <cmath>

using platform::placeInDialogUnits;

CDlgSync::CDlgSync(QWidget* pParent) : QDialog(pParent), m_hub(this)
{
    setObjectName(QStringLiteral("CDlgSync"));
    setWindowTitle(SyncHub::title());
    setFont(platform::dialogFont());
    platform::sizeInDialogUnits(this, 546, 113);

    m_banner = new QLabel(this);
    m_banner->setObjectName(platform::controlName(IdBanner));
    m_banner->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    placeInDialogUnits(m_banner, 7, 7, 532, 24);
    m_banner->setFont(bannerFont(font(), logicalDpiY()));
    m_banner->setText(SyncHub::bannerText());

    m_btnDownloadClass = platform::addButton(
        this, IdDownloadClass, QStringLiteral("从数据库传输学生到仪器"), 15, 48, 93, 20);
    m_btnDownloadName = platform::addButton(
        this, IdDownloadName, QStringLiteral("从Excel下载学生到仪器"), 121, 48, 93, 20);
    m_btnImportValue = platform::addButton(this, IdImportValue,
                                           QStringLiteral("从仪器导入测试成绩"), 227, 47, 93, 20);
    m_btnFormat =
        platform::addButton(this, IdFormat, QStringLiteral("删除仪器学生"), 333, 47, 93, 20);
    m_btnReturn = platform::addButton(this, IdReturn, QStringLiteral("返回"), 439, 47, 93, 20);

    connect(m_btnDownloadClass, &QPushButton::clicked, this, &CDlgSync::OnDownloadClass);
    connect(m_btnDownloadName, &QPushButton::clicked, this, &CDlgSync::OnDownloadName);
    connect(m_btnImportValue, &QPushButton::clicked, this, &CDlgSync::OnImportValue);
    connect(m_btnFormat, &QPushButton::clicked, this, &CDlgSync::OnFormat);
    connect(m_btnReturn, &QPushButton::clicked, this, &CDlgSync::OnReturn);
    connect(&m_formatThread, &ExchangeThread::finished, this, &CDlgSync::onClearingFinished);

    m_openClassDownload = [](QWidget* owner) {
        CDlgSelectDownClass dlg(owner);
        dlg.exec();
    };
    m_openNameDownload = [](QWidget* owner) {
        CDlgDownStuName dlg(owner);
        dlg.exec();
    };
    m_openResultImport = [](QWidget* owner) {
        CDlgSelectImportClass dlg(owner);
        dlg.exec();
    };
    connect(&InstrumentExchange::instance(), &InstrumentExchange::busyChanged, this,
            &CDlgSync::updateButtons);
    updateButtons();
}

CDlgSync::~CDlgSync()
{
    // Only when the whole station goes down can the dialog go before its worker: wait for it
    // while the windows it uses still exist, without updating buttons on the way.
    disconnect(&InstrumentExchange::instance(), nullptr, this, nullptr);
    m_formatThread.stop();
}

CDlgProcessFormat* CDlgSync::processFormatWindow() const
{
    return m_pDlgProcessFormat.data();
}

// The dialog font's description gives its height as a negative character height in pixels
// (-12 for 9 points at 96 dpi) and its width as 0, the face's own proportions. Adding 36 makes
// the height positive (24), which a font description reads as the cell height, character and
// internal leading together; doubling the width 0 leaves it 0. So the banner gets the same face
// with a 24-pixel cell and unchanged proportions.
QFont CDlgSync::bannerFont(const QFont& dialogFont, qreal logicalDpiY)
{
    const int pixels =
        dialogFont.pixelSize() > 0
            ? dialogFont.pixelSize()
            : static_cast<int>(std::lround(dialogFont.pointSizeF() * logicalDpiY / 72.0));
    const int logicalHeight = -pixels + 36;
    QFont banner(dialogFont);
    if (logicalHeight < 0) {
        banner.setPixelSize(-logicalHeight);
        return banner;
    }
    const int cell = std::max(1, logicalHeight);
    banner.setPixelSize(cell);
    const int height = QFontMetrics(banner).height();
    if (height > cell)
        banner.setPixelSize(std::max(1, cell * cell / height));
    return banner;
}

void CDlgSync::OnDownloadClass()
{
    if (!m_hub.checkDatabase())
        return;
    if (m_openClassDownload)
        m_openClassDownload(this);
}

void CDlgSync::OnDownloadName()
{
    if (m_openNameDownload)
        m_openNameDownload(this);
}

void CDlgSync::OnImportValue()
{
    if (m_openResultImport)
        m_openResultImport(this);
}

void CDlgSync::OnFormat()
{
    if (m_formatThread.isRunning() || InstrumentExchange::isBusy())
        return;
    if (!m_hub.confirmClearing())
        return;

    auto* window = new CDlgProcessFormat(this);
    m_pDlgProcessFormat = window;
    window->show();
    window->setWindowTitle(QStringLiteral("删除学生..."));
    window->setText(QStringLiteral("正在删除学生,请稍候..."));
    if (!m_hub.startClearing(m_formatThread, *window, window))
        window->closeWindow();
    updateButtons();
}

void CDlgSync::OnReturn()
{
    done(0);
}

void CDlgSync::onClearingFinished()
{
    // The worker closes its window; should it not have, the window must not outlive the job.
    if (m_pDlgProcessFormat && m_pDlgProcessFormat->isVisible())
        m_pDlgProcessFormat->closeWindow();
    updateButtons();
}

void CDlgSync::updateButtons()
{
    const bool busy = InstrumentExchange::isBusy() || m_formatThread.isRunning();
    for (QPushButton* b : {m_btnDownloadClass, m_btnDownloadName, m_btnImportValue, m_btnFormat})
        b->setEnabled(!busy);
    m_btnReturn->setEnabled(!m_formatThread.isRunning());
}

void CDlgSync::done(int result)
{
    // Escape, the close box and "返回" all end here: not while the clearing still runs.
    if (m_formatThread.isRunning())
        return;
    QDialog::done(result);
}
