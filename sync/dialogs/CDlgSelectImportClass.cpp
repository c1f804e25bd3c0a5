#include "CDlgSelectImportClass.h"

#include "CCard.h"
#include "CDB.h"
#include "CItemInfo.h"
#include "CStudent.h"
#include "CValue.h"
#include "DialogUnits.h"
#include "FileDialogs.h"
#include "ImportFileThread.h"
#include "ImportValueThread.h"
#include "InstrumentExchange.h"
#include "InstrumentQueries.h"
#include "MachineInterface.h"
#include "ReportList.h"
#include "StationFolders.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

CDlgSelectImportClass::CDlgSelectImportClass(QWidget* pParent)
    : TransferDialog(pParent, QStringLiteral("CDlgSelectImportClass"),
                     QStringLiteral("选择导入班级"))
{
    if (bDBOpen) {
        m_pItemInfo = std::make_unique<CItemInfo>(theDB);
        m_pStudent = std::make_unique<CStudent>(theDB);
        m_pValue = std::make_unique<CValue>(theDB);
        m_pCard = std::make_unique<CCard>(theDB);
    }

    addClassLists(IdListInstrument, 273, IdListChosen, 7, 22);
    addMoveButtons(QStringLiteral("<<"), 82, QStringLiteral(">>"), 134);
    addChosenTotals(IdChosenTotals, QString(), 143, 10, 83, 8);
    m_staticInstrument = addTotalsLabel(IdInstrumentTotals, QString(), 410, 12, 83, 8);

    m_checkBackup = new QCheckBox(QStringLiteral("记录数据"), this);
    m_checkBackup->setObjectName(platform::controlName(IdBackup));
    platform::placeInDialogUnits(m_checkBackup, 17, 331, 48, 10);

    addNumberType(161, 333, 196, 232, 333);
    QPushButton* fromFile = addExchangeButton(IdImportFile, QStringLiteral("从文件导入"), 76);
    connect(fromFile, &QPushButton::clicked, this, &CDlgSelectImportClass::OnBnClickedImportFile);
    QPushButton* start = addExchangeButton(IdStart, QStringLiteral("开始导入"), 278);
    QPushButton* view = addExchangeButton(IdView, QStringLiteral("查看仪器"), 353);
    addReturnButton(428);
    connect(view, &QPushButton::clicked, this, &CDlgSelectImportClass::OnBnClickedView);
    connect(start, &QPushButton::clicked, this, &CDlgSelectImportClass::OnBnClickedStart);

    // The instrument is not read until "查看仪器".
    m_checkBackup->setChecked(false);
    updateButtons();
}

CDlgSelectImportClass::~CDlgSelectImportClass()
{
    stopTransfer();
}

void CDlgSelectImportClass::OnBnClickedView()
{
    if (isTransferring() || InstrumentExchange::isBusy())
        return;
    const auto machine = MachineInterface::bind();
    if (InstrumentQueries::listClasses(*machine, sourceList()))
        recountInstrument();
}

void CDlgSelectImportClass::recountInstrument()
{
    m_instrumentTotals = ClassLists::totals(sourceList());
    m_staticInstrument->setText(ClassLists::totalsText(m_instrumentTotals));
}

ResultHandler CDlgSelectImportClass::resultHandler()
{
    return m_pItemInfo ? ResultHandler(theDB, *m_pItemInfo, *m_pStudent, *m_pValue, *m_pCard)
                       : ResultHandler();
}

void CDlgSelectImportClass::OnBnClickedStart()
{
    startTransfer(QStringLiteral("导入数量为零!"), QStringLiteral("正在导入测试成绩..."),
                  CDlgProgress::Layout::Import,
                  [this](std::shared_ptr<MachineInterface> machine, ProgressView& progress,
                         QList<ChosenClass> classes, NumberType type) {
                      return std::make_unique<ImportValueThread>(
                          std::move(machine), progress, resultHandler(), std::move(classes), type,
                          m_checkBackup->isChecked());
                  });
}

void CDlgSelectImportClass::OnBnClickedImportFile()
{
    if (isTransferring() || InstrumentExchange::isBusy())
        return;
    const QString path =
        platform::getOpenFileName(this, QStringLiteral("选择成绩文件"), platform::journalFolder(),
                                  QStringLiteral("成绩文件 (*.bak);;所有文件 (*)"));
    if (path.isEmpty())
        return;
    const NumberType type = numberType();
    runWorker(QStringLiteral("正在导入测试成绩..."), CDlgProgress::Layout::Import,
              [&](ProgressView& progress) {
                  return std::make_unique<ImportFileThread>(path, progress, resultHandler(), type);
              });
}
