#pragma once

#include <QDialog>

// The about box: icon, version line and an OK button.
class CAboutDlg : public QDialog
{
    Q_OBJECT
public:
    enum ControlId {
        IdOk = 1,
    };

    explicit CAboutDlg(QWidget* parent = nullptr);
};
