#pragma once

#include "PupilHistory.h"

#include <QDialog>

class QTableWidget;

// A pupil's values in the order they were stored, with their source; "恢复" puts the selected
// earlier value back.
class CDlgValueHistory : public QDialog
{
    Q_OBJECT
public:
    CDlgValueHistory(qint64 stuId, const QString& caption, QWidget* pParent = nullptr);
    bool changed() const { return m_changed; }

private:
    void fill();
    void OnPutBack();

    PupilHistory m_history;
    QTableWidget* m_table;
    bool m_changed = false;
};
