#pragma once

#include <QApplication>
#include <QTranslator>

// The application object: runs the main window modally; the process ends when it closes.
class CSorvikApp : public QApplication
{
    Q_OBJECT
public:
    CSorvikApp(int& argc, char** argv);
    ~CSorvikApp() override;

    // Start-up: shows the main window and returns when it has closed.
    int InitInstance();

private:
    QTranslator m_qtTranslator; // Qt's own button texts ("确定", "是", "否") in Chinese
};
