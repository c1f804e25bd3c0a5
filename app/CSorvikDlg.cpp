#include "CSorvikDlg.h"

#include "CAboutDlg.h"
#include "CCard.h"
#include "CDB.h"
#include "CDlgCollectSetup.h"
#include "CDlgDataBase.h"
#include "CDlgSelectDBFile.h"
#include "CDlgSync.h"
#include "CItemInfo.h"
#include "CStudent.h"
#include "CValue.h"
#include "CollectTick.h"
#include "ConversionProgressWindow.h"
#include "DialogUnits.h"
#include "ReportList.h"
#include "StationStartup.h"
#include "StringTable.h"

#include <QAction>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

using platform::placeInDialogUnits;
using sorvik::collector::CollectorSettings;

CSorvikDlg::CSorvikDlg(QWidget* pParent)
    : QDialog(pParent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_collect(this)
{
    setObjectName(QStringLiteral("CSorvikDlg"));
    setFont(platform::dialogFont());
    setWindowIcon(QIcon(QStringLiteral(":/icons/sorvik.png")));
    platform::sizeInDialogUnits(this, 517, 311);

    auto* typeLabel = new QLabel(QStringLiteral("编号类型"), this);
    placeInDialogUnits(typeLabel, 366, 14, 33, 8);
    m_radioStuNO = new QRadioButton(QStringLiteral("学号"), this);
    m_radioStuNO->setObjectName(platform::controlName(IdRadioStuNO));
    placeInDialogUnits(m_radioStuNO, 411, 13, 32, 10);
    m_radioCardNO = new QRadioButton(QStringLiteral("卡号"), this);
    m_radioCardNO->setObjectName(platform::controlName(IdRadioCardNO));
    placeInDialogUnits(m_radioCardNO, 464, 13, 32, 10);
    // Each button starts a group of its own, so the click handlers keep them exclusive.
    m_radioStuNO->setAutoExclusive(false);
    m_radioCardNO->setAutoExclusive(false);

    auto* listLabel = new QLabel(QStringLiteral("测试成绩"), this);
    placeInDialogUnits(listLabel, 11, 14, 33, 8);
    m_listResult = new platform::ReportList(this);
    m_listResult->setObjectName(platform::controlName(IdListResult));
    placeInDialogUnits(m_listResult, 7, 25, 503, 254);

    auto* countLabel = new QLabel(QStringLiteral("记录数量"), this);
    placeInDialogUnits(countLabel, 7, 292, 33, 8);
    m_editCount = new QLineEdit(this);
    m_editCount->setObjectName(platform::controlName(IdEditCount));
    m_editCount->setEnabled(false);
    placeInDialogUnits(m_editCount, 44, 289, 40, 14);

    m_btnStart = platform::addButton(this, IdStart, QStringLiteral("开始"), 126, 283, 60, 20);
    m_btnStop = platform::addButton(this, IdStop, QStringLiteral("结束"), 190, 283, 60, 20);
    m_btnSetup =
        platform::addButton(this, IdCollectSetup, QStringLiteral("采集设置"), 254, 283, 60, 20);
    m_btnDataBase =
        platform::addButton(this, IdDataBase, QStringLiteral("数据库"), 318, 283, 60, 20);
    m_btnSync = platform::addButton(this, IdSync, QStringLiteral("同步数据"), 382, 283, 60, 20);
    m_btnExit = platform::addButton(this, IdExit, QStringLiteral("退出"), 446, 283, 60, 20);

    connect(m_radioStuNO, &QRadioButton::clicked, this, &CSorvikDlg::OnRadioStuNO);
    connect(m_radioCardNO, &QRadioButton::clicked, this, &CSorvikDlg::OnRadioCardNO);
    connect(m_btnDataBase, &QPushButton::clicked, this, &CSorvikDlg::OnDataBase);
    connect(m_btnSync, &QPushButton::clicked, this, &CSorvikDlg::OnSync);
    connect(m_btnExit, &QPushButton::clicked, this, &CSorvikDlg::OnExit);

    m_collect.setObjectName(platform::controlName(IdCollect));
    m_collect.setSetupEditor(
        [this](const CollectorSettings& saved) { return CDlgCollectSetup::edit(saved, this); });
    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("timer1"));
    connect(m_btnStart, &QPushButton::clicked, this, &CSorvikDlg::OnStart);
    connect(m_btnStop, &QPushButton::clicked, this, &CSorvikDlg::OnStop);
    connect(m_btnSetup, &QPushButton::clicked, this, &CSorvikDlg::OnCollectSetup);
    m_tick =
        std::make_unique<CollectTick>(*m_listResult, [this] { return m_radioStuNO->isChecked(); });
    m_tick->setKeptIn([this] { return m_collect.journalPath(); });
    connect(m_timer, &QTimer::timeout, this, &CSorvikDlg::OnTimer);

    // The list's insertion and deletion notices keep the counter equal to its row count.
    m_listResult->setCountObserver(
        [this](int count) { m_editCount->setText(QString::number(count)); });
}

CSorvikDlg::~CSorvikDlg() = default;

int CSorvikDlg::DoModal()
{
    OnInitDialog();
    return exec();
}

bool CSorvikDlg::OnInitDialog()
{
    // No window menu on this caption bar: the about box is on the window's context menu.
    const QString aboutText = platform::loadString(platform::IDS_ABOUTBOX);
    if (!aboutText.isEmpty()) {
        auto* about = new QAction(aboutText, this);
        about->setObjectName(QStringLiteral("aboutAction"));
        connect(about, &QAction::triggered, this, &CSorvikDlg::OnAbout);
        addAction(about);
        setContextMenuPolicy(Qt::ActionsContextMenu);
    }

    setWindowTitle(StationStartup::baseTitle());
    m_listResult->setColumns({{QStringLiteral("测试者编号"), 120},
                              {QStringLiteral("姓名"), 120},
                              {QStringLiteral("测试项目"), 120},
                              {QStringLiteral("测试成绩"), 120},
                              {QStringLiteral("成绩单位"), 120}});

    // Opening may convert an Access file first; its progress gets a window of its own.
    ConversionProgressWindow conversionProgress;
    theDB.setConversionProgress(&conversionProgress);
    // A chooser put in place of the selection replaces the first-run offer as well.
    const StationStartup::Outcome outcome =
        StationStartup().run([this] { return chooseDatabaseFile(); },
                             m_chooseDatabase ? nullptr : &FirstRunDatabase::offer);
    theDB.setConversionProgress(nullptr);
    if (outcome.closeRequested)
        QMetaObject::invokeMethod(this, &QDialog::reject, Qt::QueuedConnection);
    setWindowTitle(outcome.title);

    if (outcome.dbOpen) {
        m_pStudent = std::make_unique<CStudent>(theDB);
        m_pValue = std::make_unique<CValue>(theDB);
        m_pItemInfo = std::make_unique<CItemInfo>(theDB);
        m_pCard = std::make_unique<CCard>(theDB);
        m_tick->setStores(theDB,
                          {m_pStudent.get(), m_pValue.get(), m_pItemInfo.get(), m_pCard.get()});
        m_btnStart->setEnabled(true);
        m_btnStop->setEnabled(false);
        m_radioStuNO->setChecked(true);
        m_radioCardNO->setChecked(false);
    }
    return true;
}

bool CSorvikDlg::chooseDatabaseFile()
{
    if (m_chooseDatabase)
        return m_chooseDatabase();
    CDlgSelectDBFile dlg;
    return dlg.exec() == QDialog::Accepted;
}

void CSorvikDlg::OnRadioStuNO()
{
    m_radioStuNO->setChecked(true);
    m_radioCardNO->setChecked(false);
}

void CSorvikDlg::OnRadioCardNO()
{
    m_radioStuNO->setChecked(false);
    m_radioCardNO->setChecked(true);
}

void CSorvikDlg::OnStart()
{
    m_collect.StartCollect();
    m_btnStart->setEnabled(false);
    m_btnStop->setEnabled(true);
    // Starting again while collecting (possible without a database) restarts the period.
    m_timer->start(100);
}

void CSorvikDlg::OnStop()
{
    m_collect.StopCollect();
    m_btnStart->setEnabled(true);
    m_btnStop->setEnabled(false);
    m_timer->stop();
}

void CSorvikDlg::OnCollectSetup()
{
    m_collect.ShowCollectSetup();
}

void CSorvikDlg::OnTimer()
{
    m_tick->OnTimer([this] { return m_collect.ReadCollectData(); }, bDBOpen);
}

void CSorvikDlg::OnDataBase()
{
    CDlgDataBase dlg;
    dlg.exec();
}

void CSorvikDlg::OnSync()
{
    CDlgSync dlg;
    dlg.exec();
}

void CSorvikDlg::OnExit()
{
    theDB.close();
    accept();
}

void CSorvikDlg::OnAbout()
{
    CAboutDlg dlg(this);
    dlg.exec();
}
