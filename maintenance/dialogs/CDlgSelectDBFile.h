#pragma once

#include "DbFileSelection.h"

#include <QDialog>

class QLineEdit;

// Database file selection: ends with Accepted only after a new path was saved.
class CDlgSelectDBFile : public QDialog
{
    Q_OBJECT
public:
    enum ControlId {
        IdReturn = 2,
        IdBrowse = 1013, // ".."
        IdSave = 1014,   // "保存设置"
        IdPath = 1015,
    };

    explicit CDlgSelectDBFile(QWidget* parent = nullptr);

private:
    void OnBrowse();
    void OnSave();

    DbFileSelection m_selection;
    QLineEdit* m_editPath;
};
