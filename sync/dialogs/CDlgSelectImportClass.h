#pragma once

#include "ResultHandler.h"
#include "TransferDialog.h"

#include <memory>

class CCard;
class CItemInfo;
class CStudent;
class CValue;
class QCheckBox;
class QLabel;

// Reads the instrument's classes, lets the user choose some and imports their results
// ("选择导入班级"), with or without a database. The import runs on ImportValueThread behind a
// progress window; "记录数据" counts as it was when it started. "从文件导入" stores the values of
// a file instead: the journal of live collection or a backup file of an earlier import.
class CDlgSelectImportClass final : public TransferDialog
{
    Q_OBJECT
public:
    enum ControlId {
        IdListChosen = 1053,     // the classes to import
        IdListInstrument = 1047, // the instrument's classes
        IdChosenTotals = 1061,
        IdInstrumentTotals = 1022,
        IdBackup = 1063,     // "记录数据"
        IdStart = 1050,      // "开始导入"
        IdView = 1060,       // "查看仪器"
        IdImportFile = 1070, // "从文件导入": a journal or backup file instead of the instrument
    };

    explicit CDlgSelectImportClass(QWidget* pParent = nullptr);
    ~CDlgSelectImportClass() override;

    void OnBnClickedView();
    void OnBnClickedStart();
    // Asks for a file (the journal folder first) and stores its values like an import.
    void OnBnClickedImportFile();

    ClassTotals instrumentTotals() const { return m_instrumentTotals; }

private:
    void recountInstrument();
    ResultHandler resultHandler();

    std::unique_ptr<CItemInfo> m_pItemInfo;
    std::unique_ptr<CStudent> m_pStudent;
    std::unique_ptr<CValue> m_pValue;
    std::unique_ptr<CCard> m_pCard;
    ClassTotals m_instrumentTotals;

    QLabel* m_staticInstrument;
    QCheckBox* m_checkBackup;
};
