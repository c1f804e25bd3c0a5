#pragma once

#include "ClassLists.h"
#include "ExchangeThread.h"

#include <QDialog>
#include <QPointer>

#include <memory>

class CCard;
class CDlgProgress;
class CStudent;
class QLabel;
class QPushButton;
class QRadioButton;

namespace platform
{
class ReportList;
}

// Chooses classes of the database and sends them with their pupils to the instrument
// ("选择下载班级"). The transfer runs on DownloadClassThread behind a progress window; it works
// on the classes and the number type chosen when it started. While it runs the dialog stays
// usable but cannot close, and no second transfer starts.
class CDlgSelectDownClass final : public QDialog
{
    Q_OBJECT
public:
    explicit CDlgSelectDownClass(QWidget* pParent = nullptr);
    ~CDlgSelectDownClass() override;

    void OnBnClickedAdd();    // ">>"
    void OnBnClickedRemove(); // "<<"
    void OnBnClickedStart();  // "开始下载"

    ClassTotals totals() const { return m_totals; }
    bool isTransferring() const { return m_thread.isRunning(); }
    // The progress window of the latest transfer while it is open.
    CDlgProgress* progressWindow() const;

    void done(int result) override;

private:
    void readInstrumentCounts();
    void recount();
    void updateButtons();

    std::unique_ptr<CStudent> m_pStudent;
    std::unique_ptr<CCard> m_pCard;
    ClassTotals m_totals;

    platform::ReportList* m_listClass;
    platform::ReportList* m_listChosen;
    QPushButton* m_btnAdd;
    QPushButton* m_btnRemove;
    QLabel* m_staticTotals;
    QLabel* m_staticInstrument;
    QRadioButton* m_radioStuNO;
    QRadioButton* m_radioCardNO;
    QPushButton* m_btnStart;
    QPushButton* m_btnReturn;
    QPointer<CDlgProgress> m_pDlgProgress;
    // Last: stops (and waits for) the worker before the stores and windows it uses go.
    ExchangeThread m_thread;
};
