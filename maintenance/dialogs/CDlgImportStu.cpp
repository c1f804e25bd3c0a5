#include "CDlgImportStu.h"

#include "CDB.h"
#include "CDlgExcelFormatStu.h"
#include "ImportProgressWindow.h"
#include "ReportList.h"
#include "StudentImport.h"

CDlgImportStu::CDlgImportStu(QWidget* pParent)
    : WorkbookImportDialog({StudentImport::title(), QStringLiteral("学生Excel文件"), IdPath,
                            QStringLiteral("导入学生列表"), StudentImport::listColumns(), 560},
                           pParent)
{
    setObjectName(QStringLiteral("CDlgImportStu"));
}

void CDlgImportStu::runImport(const QString& strPath, ImportProgressWindow& progress)
{
    StudentImport import(theDB, list(), this);
    import.setProgress([&progress](long done, long total) { progress.progress(done, total);
});
import.run(strPath);
}

void CDlgImportStu::openFormat()
{
    CDlgExcelFormatStu dlg(this);
    dlg.exec();
}
