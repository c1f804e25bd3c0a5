#include "CDlgSelectDownClass.h"

#include "CCard.h"
#include "CDB.h"
#include "CStudent.h"
#include "DialogUnits.h"
#include "DownloadClassThread.h"
#include "InstrumentQueries.h"
#include "MachineInterface.h"
#include "ReportList.h"

#include <QLabel>
#include <QPushButton>

CDlgSelectDownClass::CDlgSelectDownClass(QWidget* pParent)
    : TransferDialog(pParent, QStringLiteral("CDlgSelectDownClass"), QStringLiteral("选择下载班级"))
{
    addClassLists(IdListClass, 7, IdListChosen, 273, 20);
    addMoveButtons(QStringLiteral(">>"), 79, QStringLiteral("<<"), 146);
    addChosenTotals(IdTotals, QStringLiteral(".."), 422, 7, 71, 8);

    m_staticInstrument = new QLabel(QStringLiteral("Static"), this);
    m_staticInstrument->setObjectName(platform::controlName(IdInstrumentCounts));
    platform::placeInDialogUnits(m_staticInstrument, 7, 324, 170, 8);

    addNumberType(243, 334, 278, 312, 333);
    QPushButton* start = addExchangeButton(IdStart, QStringLiteral("开始下载"), 350);
    addReturnButton(427);
    connect(start, &QPushButton::clicked, this, &CDlgSelectDownClass::OnBnClickedStart);

    // Opening: the database's classes, what the instrument holds, student numbers.
    if (bDBOpen) {
        m_pStudent = std::make_unique<CStudent>(theDB);
        m_pCard = std::make_unique<CCard>(theDB);
        ClassLists::fillFromDatabase(*m_pStudent, sourceList());
    }
    readInstrumentCounts();
    updateButtons();
}

CDlgSelectDownClass::~CDlgSelectDownClass()
{
    stopTransfer();
}

void CDlgSelectDownClass::readInstrumentCounts()
{
    const auto machine = MachineInterface::bind();
    const std::optional<InstrumentCounts> counts = InstrumentQueries::readCounts(*machine);
    // Another exchange holds the instrument: its counts are unknown now.
    m_staticInstrument->setText(counts ? InstrumentQueries::countsText(*counts) : QString());
}

void CDlgSelectDownClass::OnBnClickedStart()
{
    // Without a database there is nothing to send.
    if (!m_pStudent)
        return;
    startTransfer(QStringLiteral("下载数量为零!"), QStringLiteral("正在下载学生到仪器..."),
                  CDlgProgress::Layout::Transfer,
                  [this](std::shared_ptr<MachineInterface> machine, ProgressView& progress,
                         QList<ChosenClass> classes, NumberType type) {
                      return std::make_unique<DownloadClassThread>(std::move(machine), progress,
                                                                   *m_pStudent, *m_pCard,
                                                                   std::move(classes), type);
                  });
}
