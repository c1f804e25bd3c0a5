#pragma once

#include "WorkbookImportDialog.h"

// The score import: single-item scores from a workbook's Sheet1 into the pupils' value rows
// (ScoreImport).
class CDlgImportValue : public WorkbookImportDialog
{
    Q_OBJECT
public:
    // With the shared ids of WorkbookImportDialog.
    enum ControlId {
        IdPath = 1019,
    };

    explicit CDlgImportValue(QWidget* pParent = nullptr);

protected:
    void runImport(const QString& strPath, ImportProgressWindow& progress) override;
    void openFormat() override;
};
