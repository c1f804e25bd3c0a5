#include "CSorvikApp.h"

#include "CSorvikDlg.h"
#include "DialogUnits.h"
#include "QtMessageService.h"

#include <QLibraryInfo>

namespace
{
platform::QtMessageService g_messageService;
}

CSorvikApp::CSorvikApp(int& argc, char** argv) : QApplication(argc, argv)
{
    platform::setMessageService(&g_messageService);
    setFont(platform::dialogFont());
    setWindowIcon(QIcon(QStringLiteral(":/icons/sorvik.png")));
    // The station speaks Chinese whatever the system's language: message boxes and the file
    // dialog get Qt's Chinese texts when Debian's translations are installed.
    if (m_qtTranslator.load(QStringLiteral("qtbase_zh_CN"),
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(&m_qtTranslator);
}

CSorvikApp::~CSorvikApp()
{
    platform::setMessageService(nullptr);
}

int CSorvikApp::InitInstance()
{
    CSorvikDlg dlg;
    dlg.DoModal();
    return 0;
}
