#include "CDlgSelectImportClass.h"

#include "CCard.h"
#include "CDB.h"
#include "CDlgProgress.h"
#include "CItemInfo.h"
#include "CStudent.h"
#include "CValue.h"
#include "ClassListWidget.h"
#include "DialogUnits.h"
#include "ImportValueThread.h"
#include "InstrumentExchange.h"
#include "InstrumentQueries.h"
#include "MachineInterface.h"
#include "MessageService.h"
#include "ReportList.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

using platform::placeInDialogUnits;

namespace
{

QLabel* makeTotals(QWidget* parent, int id, int x, int y, int w, int h)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QStringLiteral("id%1").arg(id));
    label->setAlignment(Qt::AlignRight | Qt::AlignTop);
    placeInDialogUnits(label, x, y, w, h);
    return label;
}

} // namespace

CDlgSelectImportClass::CDlgSelectImportClass(QWidget* pParent) : QDialog(pParent)
{
    setObjectName(QStringLiteral("CDlgSelectImportClass"));
    setWindowTitle(QStringLiteral("选择导入班级"));
    setFont(platform::dialogFont());
    platform::sizeInDialogUnits(this, 500, 355);

    if (bDBOpen) {
        m_pItemInfo = std::make_unique<CItemInfo>(theDB);
        m_pStudent = std::make_unique<CStudent>(theDB);
        m_pValue = std::make_unique<CValue>(theDB);
        m_pCard = std::make_unique<CCard>(theDB);
    }

    m_listChosen = makeClassList(this, 1053, 7, 22);
    m_listInstrument = makeClassList(this, 1047, 273, 22);
    m_btnAdd = platform::addButton(this, 1051, QStringLiteral("<<"), 235, 82, 30, 35);
    m_btnRemove = platform::addButton(this, 1052, QStringLiteral(">>"), 235, 134, 30, 35);
    m_staticChosen = makeTotals(this, 1061, 143, 10, 83, 8);
    m_staticInstrument = makeTotals(this, 1022, 410, 12, 83, 8);

    m_checkBackup = new QCheckBox(QStringLiteral("记录数据"), this);
    m_checkBackup->setObjectName(QStringLiteral("id1063"));
    placeInDialogUnits(m_checkBackup, 17, 331, 48, 10);

    auto* numberType = new QLabel(QStringLiteral("编号类型"), this);
    placeInDialogUnits(numberType, 161, 333, 33, 8);
    m_radioStuNO = new QRadioButton(QStringLiteral("学号"), this);
    m_radioStuNO->setObjectName(QStringLiteral("id1065"));
    placeInDialogUnits(m_radioStuNO, 196, 333, 32, 10);
    m_radioCardNO = new QRadioButton(QStringLiteral("卡号"), this);
    m_radioCardNO->setObjectName(QStringLiteral("id1066"));
    placeInDialogUnits(m_radioCardNO, 232, 333, 32, 10);

    m_btnStart = platform::addButton(this, 1050, QStringLiteral("开始导入"), 278, 328, 65, 20);
    m_btnView = platform::addButton(this, 1060, QStringLiteral("查看仪器"), 353, 328, 65, 20);
    m_btnReturn = platform::addButton(this, 2, QStringLiteral("返回"), 428, 328, 65, 20);

    connect(m_btnAdd, &QPushButton::clicked, this, &CDlgSelectImportClass::OnBnClickedAdd);
    connect(m_btnRemove, &QPushButton::clicked, this, &CDlgSelectImportClass::OnBnClickedRemove);
    connect(m_btnView, &QPushButton::clicked, this, &CDlgSelectImportClass::OnBnClickedView);
    connect(m_btnStart, &QPushButton::clicked, this, &CDlgSelectImportClass::OnBnClickedStart);
    connect(m_btnReturn, &QPushButton::clicked, this, &QDialog::reject);
    connect(&m_thread, &ExchangeThread::finished, this, &CDlgSelectImportClass::updateButtons);
    connect(&InstrumentExchange::instance(), &InstrumentExchange::busyChanged, this,
            &CDlgSelectImportClass::updateButtons);

    // The instrument is not read until "查看仪器".
    m_checkBackup->setChecked(false);
    m_radioStuNO->setChecked(true);
    m_radioCardNO->setChecked(false);
    updateButtons();
}

CDlgSelectImportClass::~CDlgSelectImportClass()
{
    // Only when the whole station goes down can the dialog go before its worker: wait for it
    // while the stores and windows it uses still exist.
    disconnect(&InstrumentExchange::instance(), nullptr, this, nullptr);
    m_thread.stop();
}

void CDlgSelectImportClass::OnBnClickedAdd()
{
    ClassLists::copySelected(*m_listInstrument, *m_listChosen);
    recountChosen();
}

void CDlgSelectImportClass::OnBnClickedRemove()
{
    ClassLists::removeSelected(*m_listChosen);
    recountChosen();
}

void CDlgSelectImportClass::OnBnClickedView()
{
    if (m_thread.isRunning() || InstrumentExchange::isBusy())
        return;
    const auto machine = MachineInterface::bind();
    if (InstrumentQueries::listClasses(*machine, *m_listInstrument))
        recountInstrument();
}

void CDlgSelectImportClass::recountChosen()
{
    m_chosenTotals = ClassLists::totals(*m_listChosen);
    m_staticChosen->setText(ClassLists::totalsText(m_chosenTotals));
}

void CDlgSelectImportClass::recountInstrument()
{
    m_instrumentTotals = ClassLists::totals(*m_listInstrument);
    m_staticInstrument->setText(ClassLists::totalsText(m_instrumentTotals));
}

void CDlgSelectImportClass::OnBnClickedStart()
{
    // One exchange at a time: the button is disabled meanwhile, and a late click does nothing.
    if (m_thread.isRunning() || InstrumentExchange::isBusy())
        return;
    if (m_chosenTotals.classes == 0 || m_chosenTotals.count == 0) {
        platform::appMessage(QStringLiteral("导入数量为零!"));
        return;
    }
    const NumberType type =
        m_radioCardNO->isChecked() ? NumberType::CardNumber : NumberType::StudentNumber;
    const ResultHandler handler =
        m_pItemInfo ? ResultHandler(theDB, *m_pItemInfo, *m_pStudent, *m_pValue, *m_pCard)
                    : ResultHandler();
    auto machine = MachineInterface::bind();
    CDlgProgress* window = CDlgProgress::open(this, QStringLiteral("正在导入测试成绩..."),
                                              CDlgProgress::Layout::Import);
    m_pDlgProgress = window;
    connect(&m_thread, &ExchangeThread::finished, window, &CDlgProgress::finish,
            Qt::SingleShotConnection);
    auto worker = std::make_unique<ImportValueThread>(std::move(machine), *window, handler,
                                                      ClassLists::rows(*m_listChosen), type,
                                                      m_checkBackup->isChecked());
    if (!m_thread.start(std::move(worker), {window}))
        window->finish();
    updateButtons();
}

void CDlgSelectImportClass::updateButtons()
{
    const bool running = m_thread.isRunning();
    const bool free = !running && !InstrumentExchange::isBusy();
    m_btnStart->setEnabled(free);
    m_btnView->setEnabled(free);
    m_btnReturn->setEnabled(!running);
}

CDlgProgress* CDlgSelectImportClass::progressWindow() const
{
    return m_pDlgProgress.data();
}

void CDlgSelectImportClass::done(int result)
{
    // "返回", Escape and the close box: not while the worker still uses the dialog's stores.
    if (m_thread.isRunning())
        return;
    QDialog::done(result);
}
