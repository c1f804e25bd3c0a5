#include "CSorvikApp.h"

#include "CSorvikDlg.h"
#include "DialogUnits.h"
#include "QtMessageService.h"

namespace
{
platform::QtMessageService g_messageService;
}

CSorvikApp::CSorvikApp(int& argc, char** argv) : QApplication(argc, argv)
{
    platform::setMessageService(&g_messageService);
    setFont(platform::dialogFont());
    setWindowIcon(QIcon(QStringLiteral(":/icons/sorvik.png")));
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
