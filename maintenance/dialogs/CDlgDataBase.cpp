#include "CDlgDataBase.h"

#include "CDlgCard.h"
#include "CDlgCompletion.h"
#include "CDlgImportStu.h"
#include "CDlgImportValue.h"
#include "CDlgSelectDBFile.h"
#include "DatabaseMenu.h"
#include "DialogUnits.h"

#include <QPushButton>

namespace
{

// Opens a window of the menu that works on the database, once the database is there.
template <typename Dialog> void execWithDatabase(QWidget* parent)
{
    if (!DatabaseMenu::checkDatabase())
        return;
    Dialog dlg(parent);
    dlg.exec();
}

} // namespace

CDlgDataBase::CDlgDataBase(QWidget* pParent) : QDialog(pParent)
{
    setObjectName(QStringLiteral("CDlgDataBase"));
    setFont(platform::dialogFont());
    setWindowTitle(DatabaseMenu::title());
    platform::sizeInDialogUnits(this, 349, 77);

    auto* value =
        platform::addButton(this, IdImportValue, QStringLiteral("导入单项成绩"), 12, 28, 61, 20);
    auto* stu = platform::addButton(this, IdImportStu, QStringLiteral("导入学生"), 78, 28, 61, 20);
    auto* card = platform::addButton(this, IdCard, QStringLiteral("卡号管理"), 144, 28, 61, 20);
    auto* select =
        platform::addButton(this, IdSelectDBFile, QStringLiteral("选择数据库"), 210, 28, 61, 20);
    auto* back = platform::addButton(this, IdReturn, QStringLiteral("返回"), 276, 28, 61, 20);
    auto* completion =
        platform::addButton(this, IdCompletion, QStringLiteral("成绩完成情况"), 12, 52, 61, 20);

    connect(value, &QPushButton::clicked, this, &CDlgDataBase::OnImportValue);
    connect(stu, &QPushButton::clicked, this, &CDlgDataBase::OnImportStu);
    connect(card, &QPushButton::clicked, this, &CDlgDataBase::OnCardManagement);
    connect(select, &QPushButton::clicked, this, &CDlgDataBase::OnSelectDBFile);
    connect(back, &QPushButton::clicked, this, &QDialog::reject);
    connect(completion, &QPushButton::clicked, this, &CDlgDataBase::OnCompletion);
}

void CDlgDataBase::OnImportValue()
{
    execWithDatabase<CDlgImportValue>(this);
}

void CDlgDataBase::OnImportStu()
{
    execWithDatabase<CDlgImportStu>(this);
}

void CDlgDataBase::OnCardManagement()
{
    execWithDatabase<CDlgCard>(this);
}

void CDlgDataBase::OnSelectDBFile()
{
    // A file saved there takes effect at the next start; the menu does not use the result.
    CDlgSelectDBFile dlg(this);
    dlg.exec();
}

void CDlgDataBase::OnCompletion()
{
    execWithDatabase<CDlgCompletion>(this);
}
