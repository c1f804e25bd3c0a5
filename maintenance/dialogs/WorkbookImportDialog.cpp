#include "WorkbookImportDialog.h"

#include "DialogUnits.h"
#include "ImportProgressWindow.h"
#include "ReportList.h"
#include "WorkbookBrowse.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using platform::placeInDialogUnits;

WorkbookImportDialog::WorkbookImportDialog(const Layout& layout, QWidget* pParent)
    : QDialog(pParent), m_editPath(new QLineEdit(this)), m_labelCount(new QLabel(this)),
      m_list(new platform::ReportList(this))
{
    setFont(platform::dialogFont());
    setWindowTitle(layout.title);
    const int w = layout.width;
    platform::sizeInDialogUnits(this, w, 295);

    auto* pathLabel = new QLabel(layout.pathCaption, this);
    placeInDialogUnits(pathLabel, 7, 18, 53, 8);
    m_editPath->setObjectName(platform::controlName(layout.pathId));
    placeInDialogUnits(m_editPath, 63, 15, w - 63 - 80, 14);
    auto* browse = platform::addButton(this, IdBrowse, QStringLiteral(".."), w - 76, 15, 19, 14);
    auto* format =
        platform::addButton(this, IdFormat, QStringLiteral("文件格式"), w - 53, 15, 46, 14);

    auto* listLabel = new QLabel(layout.listCaption, this);
    placeInDialogUnits(listLabel, 7, 43, 53, 8);
    m_labelCount->setObjectName(platform::controlName(IdCount));
    placeInDialogUnits(m_labelCount, 72, 43, 41, 8);
    m_list->setObjectName(platform::controlName(IdList));
    placeInDialogUnits(m_list, 7, 57, w - 14, 208);
    m_list->setColumns(layout.columns);

    auto* start =
        platform::addButton(this, IdStart, QStringLiteral("开始导入"), w - 134, 272, 60, 16);
    auto* back = platform::addButton(this, IdReturn, QStringLiteral("返回"), w - 67, 272, 60, 16);

    // The count follows the list: after a row went in, and before one goes out.
    m_list->setCountObserver([this](int count) { m_labelCount->setText(QString::number(count)); });
    connect(browse, &QPushButton::clicked, this, &WorkbookImportDialog::OnBrowse);
    connect(format, &QPushButton::clicked, this, [this] { openFormat(); });
    connect(start, &QPushButton::clicked, this, &WorkbookImportDialog::OnStart);
    connect(back, &QPushButton::clicked, this, &QDialog::reject);
}

void WorkbookImportDialog::OnBrowse()
{
    const QString path = maintenance::browseWorkbook(this);
    if (!path.isEmpty())
        m_editPath->setText(path);
}

void WorkbookImportDialog::OnStart()
{
    ImportProgressWindow progress(this, windowTitle());
    runImport(m_editPath->text(), progress);
}
