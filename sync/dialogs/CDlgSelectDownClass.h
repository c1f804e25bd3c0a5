#pragma once

#include "TransferDialog.h"

#include <memory>

class CCard;
class CStudent;
class QLabel;

// Chooses classes of the database and sends them with their pupils to the instrument
// ("选择下载班级"). The transfer runs on DownloadClassThread behind a progress window.
class CDlgSelectDownClass final : public TransferDialog
{
    Q_OBJECT
public:
    enum ControlId {
        IdListClass = 1053,  // the database's classes
        IdListChosen = 1054, // the classes to send
        IdTotals = 1057,
        IdInstrumentCounts = 1022,
        IdStart = 1048, // "开始下载"
    };

    explicit CDlgSelectDownClass(QWidget* pParent = nullptr);
    ~CDlgSelectDownClass() override;

    void OnBnClickedStart();

private:
    void readInstrumentCounts();

    std::unique_ptr<CStudent> m_pStudent;
    std::unique_ptr<CCard> m_pCard;
    QLabel* m_staticInstrument;
};
