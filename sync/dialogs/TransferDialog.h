#pragma once

#include "CDlgProgress.h"
#include "ClassLists.h"
#include "ExchangeThread.h"
#include "NumberType.h"

#include <QDialog>
#include <QList>
#include <QPointer>

#include <functional>
#include <memory>

class ExchangeWorker;
class MachineInterface;
class ProgressView;
class QLabel;
class QPushButton;
class QRadioButton;

namespace platform
{
class ReportList;
}

// What the two transfer dialogs share: a list of classes to choose from, the chosen classes
// with their totals, the number type, and the transfer of the chosen classes on a worker behind
// a progress window. A transfer works on the classes and the number type chosen when it
// started. While it runs the dialog stays usable but cannot close, and no second exchange with
// the instrument starts.
class TransferDialog : public QDialog
{
    Q_OBJECT
public:
    enum ControlId {
        IdReturn = 2,
        IdAdd = 1051,    // the selected classes of the other list join the chosen ones
        IdRemove = 1052, // the selected chosen classes leave
        IdRadioStuNO = 1065,
        IdRadioCardNO = 1066,
    };

    ~TransferDialog() override;

    void OnBnClickedAdd();
    void OnBnClickedRemove();

    ClassTotals chosenTotals() const { return m_chosenTotals; }
    bool isTransferring() const { return m_thread.isRunning(); }
    // The progress window of the latest transfer while it is open.
    CDlgProgress* progressWindow() const;

    void done(int result) override;

protected:
    using WorkerFactory = std::function<std::unique_ptr<ExchangeWorker>(
        std::shared_ptr<MachineInterface> machine, ProgressView& progress,
        QList<ChosenClass> classes, NumberType numberType)>;

    TransferDialog(QWidget* parent, const QString& name, const QString& title);

    // The parts of the window, placed in dialog units.
    void addClassLists(int sourceId, int sourceX, int chosenId, int chosenX, int y);
    void addMoveButtons(const QString& addText, int addY, const QString& removeText, int removeY);
    QLabel* addTotalsLabel(int id, const QString& text, int x, int y, int w, int h);
    void addChosenTotals(int id, const QString& text, int x, int y, int w, int h);
    // "编号类型", then "学号" (checked) and "卡号".
    void addNumberType(int labelX, int labelY, int stuX, int cardX, int y);
    // A button that talks to the instrument: disabled while any exchange runs.
    QPushButton* addExchangeButton(int id, const QString& text, int x);
    void addReturnButton(int x);

    platform::ReportList& sourceList() const { return *m_listSource; }
    // Follows the running worker and the process-wide exchange.
    void updateButtons();

    // Transfers the chosen classes: binds the library, opens the progress window and runs the
    // worker made for them on the dialog's thread. A click while an exchange runs does nothing;
    // with nothing chosen the user is told emptyText.
    void startTransfer(const QString& emptyText, const QString& caption,
                       CDlgProgress::Layout layout, const WorkerFactory& makeWorker);
    // Opens the progress window and runs the worker made for it on the dialog's thread, as a
    // transfer: the dialog cannot close meanwhile, and no exchange with the instrument starts.
    // A click while an exchange runs does nothing.
    void runWorker(const QString& caption, CDlgProgress::Layout layout,
                   const std::function<std::unique_ptr<ExchangeWorker>(ProgressView&)>& makeWorker);
    // The number type chosen now.
    NumberType numberType() const;
    // Stops the worker and waits for it. A dialog calls it first thing in its destructor, while
    // the stores the worker uses still exist.
    void stopTransfer();

private:
    void recountChosen();

    platform::ReportList* m_listSource = nullptr;
    platform::ReportList* m_listChosen = nullptr;
    QLabel* m_staticChosenTotals = nullptr;
    QRadioButton* m_radioStuNO = nullptr;
    QRadioButton* m_radioCardNO = nullptr;
    QList<QPushButton*> m_exchangeButtons;
    QPushButton* m_btnReturn = nullptr;
    ClassTotals m_chosenTotals;
    QPointer<CDlgProgress> m_pDlgProgress;
    ExchangeThread m_thread;
};
