#pragma once

#include "ExchangeThread.h"
#include "SyncHub.h"

#include <QDialog>
#include <QPointer>

#include <functional>

class CDlgProcessFormat;
class QLabel;
class QPushButton;

// The hub of instrument synchronisation: opens the transfer dialogs and clears the instrument.
// While any exchange with an instrument runs, the buttons that would start another are
// disabled; while its own clearing runs, the dialog cannot be closed.
class CDlgSync : public QDialog
{
    Q_OBJECT
public:
    enum ControlId {
        IdImportValue = 1009, // "从仪器导入测试成绩"
        IdDownloadClass = 1043,
        IdDownloadName = 1044,
        IdFormat = 1045, // "删除仪器学生"
        IdReturn = 1046,
        IdBanner = 1062,
    };

    // Opens a transfer dialog modally over owner.
    using Opener = std::function<void(QWidget* owner)>;

    explicit CDlgSync(QWidget* pParent = nullptr);
    ~CDlgSync() override;

    // The dialog font, 36 logical units higher (see the definition).
    static QFont bannerFont(const QFont& dialogFont, qreal logicalDpiY);

    // Where the transfer dialogs plug in. IdDownloadClass opens CDlgSelectDownClass (after the
    // database check), IdDownloadName CDlgDownStuName and IdImportValue CDlgSelectImportClass.
    // Tests put their own openers here.
    void setClassDownloadOpener(Opener opener) { m_openClassDownload = std::move(opener); }
    void setNameDownloadOpener(Opener opener) { m_openNameDownload = std::move(opener); }
    void setResultImportOpener(Opener opener) { m_openResultImport = std::move(opener); }

    bool isClearing() const { return m_formatThread.isRunning(); }
    // The please-wait window of the latest clearing while it is open.
    CDlgProcessFormat* processFormatWindow() const;

    void done(int result) override;

private:
    void OnDownloadClass();
    void OnDownloadName();
    void OnImportValue();
    void OnFormat();
    void OnReturn();
    void onClearingFinished();
    void updateButtons();

    SyncHub m_hub;
    QLabel* m_banner;
    QPushButton* m_btnDownloadClass;
    QPushButton* m_btnDownloadName;
    QPushButton* m_btnImportValue;
    QPushButton* m_btnFormat;
    QPushButton* m_btnReturn;
    QPointer<CDlgProcessFormat> m_pDlgProcessFormat;
    Opener m_openClassDownload;
    Opener m_openNameDownload;
    Opener m_openResultImport;
    // Last: stops (and waits for) the worker before the windows it uses go.
    ExchangeThread m_formatThread;
};
