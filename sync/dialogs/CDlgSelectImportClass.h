#pragma once

#include "ClassLists.h"
#include "ExchangeThread.h"

#include <QDialog>
#include <QPointer>

#include <memory>

class CCard;
class CDlgProgress;
class CItemInfo;
class CStudent;
class CValue;
class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace platform
{
class ReportList;
}

// Reads the instrument's classes, lets the user choose some and imports their results
// ("选择导入班级"), with or without a database. The import runs on ImportValueThread behind a
// progress window; it works on the classes, the number type and "记录数据" as they were when it
// started. While it runs the dialog stays usable but cannot close, and no other exchange starts.
class CDlgSelectImportClass final : public QDialog
{
    Q_OBJECT
public:
    explicit CDlgSelectImportClass(QWidget* pParent = nullptr);
    ~CDlgSelectImportClass() override;

    void OnBnClickedAdd();    // "<<"
    void OnBnClickedRemove(); // ">>"
    void OnBnClickedView();   // "查看仪器"
    void OnBnClickedStart();  // "开始导入"

    ClassTotals chosenTotals() const { return m_chosenTotals; }
    ClassTotals instrumentTotals() const { return m_instrumentTotals; }
    bool isImporting() const { return m_thread.isRunning(); }
    // The progress window of the latest import while it is open.
    CDlgProgress* progressWindow() const;

    void done(int result) override;

private:
    void recountChosen();
    void recountInstrument();
    void updateButtons();

    std::unique_ptr<CItemInfo> m_pItemInfo;
    std::unique_ptr<CStudent> m_pStudent;
    std::unique_ptr<CValue> m_pValue;
    std::unique_ptr<CCard> m_pCard;
    ClassTotals m_chosenTotals;
    ClassTotals m_instrumentTotals;

    platform::ReportList* m_listChosen;
    platform::ReportList* m_listInstrument;
    QPushButton* m_btnAdd;
    QPushButton* m_btnRemove;
    QLabel* m_staticChosen;
    QLabel* m_staticInstrument;
    QCheckBox* m_checkBackup;
    QRadioButton* m_radioStuNO;
    QRadioButton* m_radioCardNO;
    QPushButton* m_btnStart;
    QPushButton* m_btnView;
    QPushButton* m_btnReturn;
    QPointer<CDlgProgress> m_pDlgProgress;
    // Last: stops (and waits for) the worker before the stores and windows it uses go.
    ExchangeThread m_thread;
};
