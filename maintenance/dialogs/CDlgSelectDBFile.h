#pragma once

#include "DbFileSelection.h"

#include <QDialog>

class QLineEdit;

// Database file selection: ends with Accepted only after a new path was saved.
class CDlgSelectDBFile : public QDialog
{
    Q_OBJECT
public:
    explicit CDlgSelectDBFile(QWidget* parent = nullptr);

private:
    void OnBrowse();
    void OnSave();

    DbFileSelection m_selection;
    QLineEdit* m_editPath;
};
