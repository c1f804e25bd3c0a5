#include "CDlgSelectDownClass.h"

#include "CCard.h"
#include "CDB.h"
#include "CDlgProgress.h"
#include "CStudent.h"
#include "ClassListWidget.h"
#include "DialogUnits.h"
#include "DownloadClassThread.h"
#include "InstrumentExchange.h"
#include "InstrumentQueries.h"
#include "MachineInterface.h"
#include "MessageService.h"
#include "ReportList.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

using platform::placeInDialogUnits;

CDlgSelectDownClass::CDlgSelectDownClass(QWidget* pParent) : QDialog(pParent)
{
    setObjectName(QStringLiteral("CDlgSelectDownClass"));
    setWindowTitle(QStringLiteral("选择下载班级"));
    setFont(platform::dialogFont());
    platform::sizeInDialogUnits(this, 500, 355);

    m_listClass = makeClassList(this, 1053, 7, 20);
    m_listChosen = makeClassList(this, 1054, 273, 20);
    m_btnAdd = platform::addButton(this, 1051, QStringLiteral(">>"), 235, 79, 30, 35);
    m_btnRemove = platform::addButton(this, 1052, QStringLiteral("<<"), 235, 146, 30, 35);

    m_staticTotals = new QLabel(QStringLiteral(".."), this);
    m_staticTotals->setObjectName(QStringLiteral("id1057"));
    m_staticTotals->setAlignment(Qt::AlignRight | Qt::AlignTop);
    placeInDialogUnits(m_staticTotals, 422, 7, 71, 8);

    m_staticInstrument = new QLabel(QStringLiteral("Static"), this);
    m_staticInstrument->setObjectName(QStringLiteral("id1022"));
    placeInDialogUnits(m_staticInstrument, 7, 324, 170, 8);

    auto* numberType = new QLabel(QStringLiteral("编号类型"), this);
    placeInDialogUnits(numberType, 243, 334, 33, 8);
    m_radioStuNO = new QRadioButton(QStringLiteral("学号"), this);
    m_radioStuNO->setObjectName(QStringLiteral("id1065"));
    placeInDialogUnits(m_radioStuNO, 278, 333, 32, 10);
    m_radioCardNO = new QRadioButton(QStringLiteral("卡号"), this);
    m_radioCardNO->setObjectName(QStringLiteral("id1066"));
    placeInDialogUnits(m_radioCardNO, 312, 333, 32, 10);

    m_btnStart = platform::addButton(this, 1048, QStringLiteral("开始下载"), 350, 328, 65, 20);
    m_btnReturn = platform::addButton(this, 2, QStringLiteral("返回"), 427, 328, 65, 20);

    connect(m_btnAdd, &QPushButton::clicked, this, &CDlgSelectDownClass::OnBnClickedAdd);
    connect(m_btnRemove, &QPushButton::clicked, this, &CDlgSelectDownClass::OnBnClickedRemove);
    connect(m_btnStart, &QPushButton::clicked, this, &CDlgSelectDownClass::OnBnClickedStart);
    connect(m_btnReturn, &QPushButton::clicked, this, &QDialog::reject);
    connect(&m_thread, &ExchangeThread::finished, this, &CDlgSelectDownClass::updateButtons);
    connect(&InstrumentExchange::instance(), &InstrumentExchange::busyChanged, this,
            &CDlgSelectDownClass::updateButtons);

    // Opening: the database's classes, what the instrument holds, student numbers.
    if (bDBOpen) {
        m_pStudent = std::make_unique<CStudent>(theDB);
        m_pCard = std::make_unique<CCard>(theDB);
        ClassLists::fillFromDatabase(*m_pStudent, *m_listClass);
    }
    readInstrumentCounts();
    m_radioStuNO->setChecked(true);
    m_radioCardNO->setChecked(false);
    updateButtons();
}

CDlgSelectDownClass::~CDlgSelectDownClass()
{
    // Only when the whole station goes down can the dialog go before its worker: wait for it
    // while the stores and windows it uses still exist.
    disconnect(&InstrumentExchange::instance(), nullptr, this, nullptr);
    m_thread.stop();
}

void CDlgSelectDownClass::readInstrumentCounts()
{
    const auto machine = MachineInterface::bind();
    const std::optional<InstrumentCounts> counts = InstrumentQueries::readCounts(*machine);
    // Another exchange holds the instrument: its counts are unknown now.
    m_staticInstrument->setText(counts ? InstrumentQueries::countsText(*counts) : QString());
}

void CDlgSelectDownClass::OnBnClickedAdd()
{
    ClassLists::copySelected(*m_listClass, *m_listChosen);
    recount();
}

void CDlgSelectDownClass::OnBnClickedRemove()
{
    ClassLists::removeSelected(*m_listChosen);
    recount();
}

void CDlgSelectDownClass::recount()
{
    m_totals = ClassLists::totals(*m_listChosen);
    m_staticTotals->setText(ClassLists::totalsText(m_totals));
}

void CDlgSelectDownClass::OnBnClickedStart()
{
    // One exchange at a time: the button is disabled meanwhile, and a late click does nothing.
    if (m_thread.isRunning() || InstrumentExchange::isBusy() || !m_pStudent)
        return;
    if (m_totals.classes == 0 || m_totals.count == 0) {
        platform::appMessage(QStringLiteral("下载数量为零!"));
        return;
    }
    const NumberType type =
        m_radioCardNO->isChecked() ? NumberType::CardNumber : NumberType::StudentNumber;
    auto machine = MachineInterface::bind();
    CDlgProgress* window = CDlgProgress::open(this, QStringLiteral("正在下载学生到仪器..."),
                                              CDlgProgress::Layout::Transfer);
    m_pDlgProgress = window;
    connect(&m_thread, &ExchangeThread::finished, window, &CDlgProgress::finish,
            Qt::SingleShotConnection);
    auto worker = std::make_unique<DownloadClassThread>(
        std::move(machine), *window, *m_pStudent, *m_pCard, ClassLists::rows(*m_listChosen), type);
    if (!m_thread.start(std::move(worker), {window}))
        window->finish();
    updateButtons();
}

void CDlgSelectDownClass::updateButtons()
{
    const bool running = m_thread.isRunning();
    m_btnStart->setEnabled(!running && !InstrumentExchange::isBusy());
    m_btnReturn->setEnabled(!running);
}

CDlgProgress* CDlgSelectDownClass::progressWindow() const
{
    return m_pDlgProgress.data();
}

void CDlgSelectDownClass::done(int result)
{
    // "返回", Escape and the close box: not while the worker still uses the dialog's stores.
    if (m_thread.isRunning())
        return;
    QDialog::done(result);
}
