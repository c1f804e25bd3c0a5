#pragma once

#include <QDialog>

// The about box: icon, version line and an OK button.
class CAboutDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
