#pragma once

#include "CQRVCollect.h"

#include <QDialog>

#include <functional>
#include <memory>

class CCard;
class CItemInfo;
class CStudent;
class CValue;
class CollectTick;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;

namespace platform
{
class ReportList;
}

// The main window: the collection console with the result list, the record counter, the
// number-type buttons and the buttons that open the other dialogs.
class CSorvikDlg : public QDialog
{
    Q_OBJECT
public:
    enum ControlId {
        IdRadioStuNO = 1000,  // "学号"
        IdRadioCardNO = 1001, // "卡号"
        IdListResult = 1002,
        IdEditCount = 1003, // the record counter
        IdStart = 1004,     // "开始"
        IdStop = 1005,      // "结束"
        IdCollectSetup = 1006,
        IdDataBase = 1007,
        IdExit = 1008,
        IdCollect = 1041, // the collector
        IdSync = 1042,
    };

    explicit CSorvikDlg(QWidget* pParent = nullptr);
    ~CSorvikDlg() override;

    // Initialisation, then the modal loop; the result of the loop.
    int DoModal();
    // Opens the database (or asks for another file), sets the title and the buttons.
    bool OnInitDialog();

    // Replaces the database choice at start-up, the first-run offer and the file selection
    // (answers whether a file was saved).
    void setDatabaseChooser(std::function<bool()> chooser)
    {
        m_chooseDatabase = std::move(chooser);
    }

private:
    void OnRadioStuNO();
    void OnRadioCardNO();
    void OnStart();
    void OnStop();
    void OnCollectSetup();
    void OnTimer();
    void OnDataBase();
    void OnSync();
    void OnExit();
    void OnAbout();
    bool chooseDatabaseFile();

    QLineEdit* m_editCount;
    QRadioButton* m_radioCardNO;
    QRadioButton* m_radioStuNO;
    QPushButton* m_btnStart;
    QPushButton* m_btnStop;
    platform::ReportList* m_listResult;
    CQRVCollect m_collect; // a child of the window, found by its control id
    // The stores of live collection, made at initialisation when the database opened.
    std::unique_ptr<CStudent> m_pStudent;
    std::unique_ptr<CValue> m_pValue;
    std::unique_ptr<CItemInfo> m_pItemInfo;
    std::unique_ptr<CCard> m_pCard;
    QTimer* m_timer; // timer 1 of live collection
    QPushButton* m_btnSetup;
    QPushButton* m_btnDataBase;
    QPushButton* m_btnSync;
    QPushButton* m_btnExit;
    std::function<bool()> m_chooseDatabase;
    std::unique_ptr<CollectTick> m_tick;
};
