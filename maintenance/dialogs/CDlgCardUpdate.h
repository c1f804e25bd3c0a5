#pragma once

#include "CardUpdate.h"

#include <QDialog>

class CPelkanRFCard;
class QLineEdit;
class QTimer;

namespace platform
{
class ListView;
class ManualCheckBox;
} // namespace platform

// Card editing: one pupil's card number, typed or read with the card reader while "开启读卡器"
// is ticked (polled every 100 ms), saved into the card store and the card dialog's row.
class CDlgCardUpdate : public QDialog
{
    Q_OBJECT
public:
    enum ControlId {
        IdReturn = 2,
        IdSave = 1014, // "保存"
        IdStuNO = 1033,
        IdName = 1034,
        IdCardNO = 1035,
        IdStuID = 1036,
        IdReader = 1037, // the card reader control; shows nothing
        IdReaderOn = 1038,
    };
    // The poll timer.
    static constexpr int kTimerId = 1;
    static constexpr int kPollMs = 100;

    // iRow: the row of pList being edited.
    CDlgCardUpdate(int iRow, platform::ListView* pList, QWidget* parent = nullptr);

    bool isPolling() const;

private:
    void OnReaderOn();
    void OnTimer();
    void OnSave();
    void onReaderLost(const QString& reason);

    CPelkanRFCard* m_pReader;
    CardUpdate m_update;
    QLineEdit* m_editCardNO;
    platform::ManualCheckBox* m_checkReader;
    QTimer* m_timer;
};
