#include "CDlgImportValue.h"

#include "CDB.h"
#include "CDlgExcelFormatValue.h"
#include "ImportProgressWindow.h"
#include "ReportList.h"
#include "ScoreImport.h"

CDlgImportValue::CDlgImportValue(QWidget* pParent)
    : WorkbookImportDialog({ScoreImport::title(), QStringLiteral("成绩Excel文件"), IdPath,
                            QStringLiteral("导入成绩列表"), ScoreImport::listColumns(), 400},
                           pParent)
{
    setObjectName(QStringLiteral("CDlgImportValue"));
}

void CDlgImportValue::runImport(const QString& strPath, ImportProgressWindow& progress)
{
    ScoreImport import(theDB, list(), this);
    import.setProgress([&progress](long done, long total) { progress.progress(done, total);
});
import.run(strPath);
}

void CDlgImportValue::openFormat()
{
    CDlgExcelFormatValue dlg(this);
    dlg.exec();
}
