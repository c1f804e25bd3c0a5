#pragma once

#include "WorkbookImportDialog.h"

// The student import: pupils from a workbook's Sheet1 into the student table (StudentImport).
class CDlgImportStu : public WorkbookImportDialog
{
    Q_OBJECT
public:
    // With the shared ids of WorkbookImportDialog.
    enum ControlId {
        IdPath = 1020,
    };

    explicit CDlgImportStu(QWidget* pParent = nullptr);

protected:
    void runImport(const QString& strPath, ImportProgressWindow& progress) override;
    void openFormat() override;
};
