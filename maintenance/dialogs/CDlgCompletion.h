#pragma once

#include "CompletionOverview.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QListWidget;
class QTableWidget;

// A class's results at a glance: its pupils against their items, the counts per item, a
// pupil's history (double-click a cell) and the export to a workbook.
class CDlgCompletion : public QDialog
{
    Q_OBJECT
public:
    explicit CDlgCompletion(QWidget* pParent = nullptr);

private:
    void OnView();
    void OnHistory(int row);
    void OnExport(bool all);

    CompletionOverview m_overview;
    QComboBox* m_classes;
    QTableWidget* m_grid;
    QListWidget* m_counts;
};
