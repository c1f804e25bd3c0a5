#pragma once

#include <QDialog>
#include <QList>
#include <QPair>

class ImportProgressWindow;
class QLabel;
class QLineEdit;

namespace platform
{
class ReportList;
}

// The window the student and score imports share: the workbook's path with browse and the
// format help, the result list with its row count, "开始导入" and "返回". The import itself
// is the logic class the subclass runs.
class WorkbookImportDialog : public QDialog
{
    Q_OBJECT
public:
    enum ControlId {
        IdReturn = 2,
        IdList = 1002,
        IdBrowse = 1016, // ".."
        IdFormat = 1017, // "文件格式"
        IdStart = 1018,  // "开始导入"
        IdCount = 1022,  // the number of rows in the list
    };

protected:
    struct Layout {
        QString title;
        QString pathCaption; // "学生Excel文件"
        int pathId;
        QString listCaption; // "导入学生列表"
        QList<QPair<QString, int>> columns;
        int width; // in dialog units
    };

    WorkbookImportDialog(const Layout& layout, QWidget* pParent);

    // Runs the import of path into list(), its progress hook calling progress.
    virtual void runImport(const QString& strPath, ImportProgressWindow& progress) = 0;
    // Opens the format help modally.
    virtual void openFormat() = 0;

    platform::ReportList* list() const { return m_list; }

private:
    void OnBrowse();
    void OnStart();

    QLineEdit* m_editPath;
    QLabel* m_labelCount;
    platform::ReportList* m_list;
};
