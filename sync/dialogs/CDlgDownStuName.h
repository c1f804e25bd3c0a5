#pragma once

#include "ExchangeThread.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace platform
{
class ReportList;
}

// Download of names from a workbook: the rows of the chosen workbook go to the instrument as
// one class, on a worker that fills the dialog's list. While the worker runs, "开始下载" and
// "返回" are disabled and the dialog cannot close; no other exchange starts meanwhile.
class CDlgDownStuName : public QDialog
{
    Q_OBJECT
public:
    enum ControlId {
        IdList = 1002,
        IdCount = 1022,
        IdReturn = 1046, // "返回"
        IdStart = 1048,  // "开始下载"
        IdPath = 1068,
        IdBrowse = 1069, // ".."
    };

    static QString title();

    explicit CDlgDownStuName(QWidget* parent = nullptr);
    ~CDlgDownStuName() override;

    bool isDownloading() const { return m_thread.isRunning(); }
    platform::ReportList* list() const { return m_list; }

    void done(int result) override;

private:
    void OnBrowse();
    void OnStart();
    void updateButtons();

    QLineEdit* m_editPath;
    platform::ReportList* m_list;
    QLabel* m_staticCount;
    QPushButton* m_btnStart;
    QPushButton* m_btnReturn;
    // Last: stops (and waits for) the worker before the list it fills goes.
    ExchangeThread m_thread;
};
