#include "TransferDialog.h"

#include "ClassListWidget.h"
#include "DialogUnits.h"
#include "ExchangeWorker.h"
#include "InstrumentExchange.h"
#include "MachineInterface.h"
#include "MessageService.h"
#include "ReportList.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

using platform::placeInDialogUnits;

TransferDialog::TransferDialog(QWidget* parent, const QString& name, const QString& title)
    : QDialog(parent)
{
    setObjectName(name);
    setWindowTitle(title);
    setFont(platform::dialogFont());
    platform::sizeInDialogUnits(this, 500, 355);
    connect(&m_thread, &ExchangeThread::finished, this, &TransferDialog::updateButtons);
    connect(&InstrumentExchange::instance(), &InstrumentExchange::busyChanged, this,
            &TransferDialog::updateButtons);
}

TransferDialog::~TransferDialog()
{
    stopTransfer();
}

void TransferDialog::stopTransfer()
{
    // Only when the whole station goes down can the dialog go before its worker: no button
    // updates on the way.
    disconnect(&InstrumentExchange::instance(), nullptr, this, nullptr);
    m_thread.stop();
}

void TransferDialog::addClassLists(int sourceId, int sourceX, int chosenId, int chosenX, int y)
{
    // Made left to right, which is their order for the Tab key.
    if (sourceX < chosenX) {
        m_listSource = makeClassList(this, sourceId, sourceX, y);
        m_listChosen = makeClassList(this, chosenId, chosenX, y);
    } else {
        m_listChosen = makeClassList(this, chosenId, chosenX, y);
        m_listSource = makeClassList(this, sourceId, sourceX, y);
    }
}

void TransferDialog::addMoveButtons(const QString& addText, int addY, const QString& removeText,
                                    int removeY)
{
    auto* add = platform::addButton(this, IdAdd, addText, 235, addY, 30, 35);
    auto* remove = platform::addButton(this, IdRemove, removeText, 235, removeY, 30, 35);
    connect(add, &QPushButton::clicked, this, &TransferDialog::OnBnClickedAdd);
    connect(remove, &QPushButton::clicked, this, &TransferDialog::OnBnClickedRemove);
}

QLabel* TransferDialog::addTotalsLabel(int id, const QString& text, int x, int y, int w, int h)
{
    auto* label = new QLabel(text, this);
    label->setObjectName(platform::controlName(id));
    label->setAlignment(Qt::AlignRight | Qt::AlignTop);
    placeInDialogUnits(label, x, y, w, h);
    return label;
}

void TransferDialog::addChosenTotals(int id, const QString& text, int x, int y, int w, int h)
{
    m_staticChosenTotals = addTotalsLabel(id, text, x, y, w, h);
}

void TransferDialog::addNumberType(int labelX, int labelY, int stuX, int cardX, int y)
{
    auto* label = new QLabel(QStringLiteral("编号类型"), this);
    placeInDialogUnits(label, labelX, labelY, 33, 8);
    m_radioStuNO = new QRadioButton(QStringLiteral("学号"), this);
    m_radioStuNO->setObjectName(platform::controlName(IdRadioStuNO));
    placeInDialogUnits(m_radioStuNO, stuX, y, 32, 10);
    m_radioCardNO = new QRadioButton(QStringLiteral("卡号"), this);
    m_radioCardNO->setObjectName(platform::controlName(IdRadioCardNO));
    placeInDialogUnits(m_radioCardNO, cardX, y, 32, 10);
    m_radioStuNO->setChecked(true);
    m_radioCardNO->setChecked(false);
}

QPushButton* TransferDialog::addExchangeButton(int id, const QString& text, int x)
{
    QPushButton* button = platform::addButton(this, id, text, x, 328, 65, 20);
    m_exchangeButtons.append(button);
    return button;
}

void TransferDialog::addReturnButton(int x)
{
    m_btnReturn = platform::addButton(this, IdReturn, QStringLiteral("返回"), x, 328, 65, 20);
    connect(m_btnReturn, &QPushButton::clicked, this, &QDialog::reject);
}

void TransferDialog::OnBnClickedAdd()
{
    ClassLists::copySelected(*m_listSource, *m_listChosen);
    recountChosen();
}

void TransferDialog::OnBnClickedRemove()
{
    ClassLists::removeSelected(*m_listChosen);
    recountChosen();
}

void TransferDialog::recountChosen()
{
    m_chosenTotals = ClassLists::totals(*m_listChosen);
    m_staticChosenTotals->setText(ClassLists::totalsText(m_chosenTotals));
}

void TransferDialog::startTransfer(const QString& emptyText, const QString& caption,
                                   CDlgProgress::Layout layout, const WorkerFactory& makeWorker)
{
    // One exchange at a time: the buttons are disabled meanwhile, and a late click does nothing.
    if (m_thread.isRunning() || InstrumentExchange::isBusy())
        return;
    if (m_chosenTotals.classes == 0 || m_chosenTotals.count == 0) {
        platform::appMessage(emptyText);
        return;
    }
    const NumberType type = numberType();
    auto machine = MachineInterface::bind();
    runWorker(caption, layout, [&](ProgressView& progress) {
        return makeWorker(std::move(machine), progress, ClassLists::rows(*m_listChosen), type);
    });
}

void TransferDialog::runWorker(
    const QString& caption, CDlgProgress::Layout layout,
    const std::function<std::unique_ptr<ExchangeWorker>(ProgressView&)>& makeWorker)
{
    if (m_thread.isRunning() || InstrumentExchange::isBusy())
        return;
    CDlgProgress* window = CDlgProgress::open(this, caption, layout);
    m_pDlgProgress = window;
    connect(&m_thread, &ExchangeThread::finished, window, &CDlgProgress::finish,
            Qt::SingleShotConnection);
    if (!m_thread.start(makeWorker(*window), {window}))
        window->finish();
    updateButtons();
}

NumberType TransferDialog::numberType() const
{
    return m_radioCardNO->isChecked() ? NumberType::CardNumber : NumberType::StudentNumber;
}

void TransferDialog::updateButtons()
{
    const bool running = m_thread.isRunning();
    const bool free = !running && !InstrumentExchange::isBusy();
    for (QPushButton* button : std::as_const(m_exchangeButtons))
        button->setEnabled(free);
    if (m_btnReturn)
        m_btnReturn->setEnabled(!running);
}

CDlgProgress* TransferDialog::progressWindow() const
{
    return m_pDlgProgress.data();
}

void TransferDialog::done(int result)
{
    // "返回", Escape and the close box: not while the worker still uses the dialog's stores.
    if (m_thread.isRunning())
        return;
    QDialog::done(result);
}
