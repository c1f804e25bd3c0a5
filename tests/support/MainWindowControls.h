#pragma once

// The main window's controls as a test reaches them: by their control ids, as the station
// finds them.

#include "CQRVCollect.h"
#include "CSorvikDlg.h"
#include "GuiTestSupport.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace testsupport
{

struct MainWindowControls {
    explicit MainWindowControls(const QWidget* window)
        : radioStuNO(child<QRadioButton>(window, CSorvikDlg::IdRadioStuNO)),
          radioCardNO(child<QRadioButton>(window, CSorvikDlg::IdRadioCardNO)),
          list(child<platform::ReportList>(window, CSorvikDlg::IdListResult)),
          count(child<QLineEdit>(window, CSorvikDlg::IdEditCount)),
          start(child<QPushButton>(window, CSorvikDlg::IdStart)),
          stop(child<QPushButton>(window, CSorvikDlg::IdStop)),
          setup(child<QPushButton>(window, CSorvikDlg::IdCollectSetup)),
          dataBase(child<QPushButton>(window, CSorvikDlg::IdDataBase)),
          sync(child<QPushButton>(window, CSorvikDlg::IdSync)),
          exit(child<QPushButton>(window, CSorvikDlg::IdExit)),
          collector(window->findChild<CQRVCollect*>(platform::controlName(CSorvikDlg::IdCollect)))
    {
    }

    QRadioButton* radioStuNO;
    QRadioButton* radioCardNO;
    platform::ReportList* list;
    QLineEdit* count;
    QPushButton* start;
    QPushButton* stop;
    QPushButton* setup;
    QPushButton* dataBase;
    QPushButton* sync;
    QPushButton* exit;
    CQRVCollect* collector;
};

} // namespace testsupport
