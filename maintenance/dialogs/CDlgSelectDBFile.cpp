#include "CDlgSelectDBFile.h"

#include "DialogUnits.h"
#include "FileDialogs.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using platform::placeInDialogUnits;

CDlgSelectDBFile::CDlgSelectDBFile(QWidget* parent)
    : QDialog(parent), m_selection(this), m_editPath(new QLineEdit(this))
{
    setFont(platform::dialogFont());
    setWindowTitle(DbFileSelection::title());
    platform::sizeInDialogUnits(this, 300, 84);

    auto* group = new QGroupBox(QStringLiteral("选择数据库文件"), this);
    placeInDialogUnits(group, 7, 7, 286, 48);
    auto* label = new QLabel(QStringLiteral("数据库文件"), this);
    placeInDialogUnits(label, 15, 27, 42, 8);
    m_editPath->setObjectName(platform::controlName(IdPath));
    placeInDialogUnits(m_editPath, 58, 24, 200, 14);
    auto* browse = new QPushButton(QStringLiteral(".."), this);
    browse->setObjectName(platform::controlName(IdBrowse));
    placeInDialogUnits(browse, 262, 24, 22, 14);
    auto* save = new QPushButton(QStringLiteral("保存设置"), this);
    save->setObjectName(platform::controlName(IdSave));
    placeInDialogUnits(save, 167, 60, 60, 16);
    auto* back = new QPushButton(QStringLiteral("返回"), this);
    back->setObjectName(platform::controlName(IdReturn));
    placeInDialogUnits(back, 233, 60, 60, 16);

    connect(browse, &QPushButton::clicked, this, &CDlgSelectDBFile::OnBrowse);
    connect(save, &QPushButton::clicked, this, &CDlgSelectDBFile::OnSave);
    connect(back, &QPushButton::clicked, this, &QDialog::reject);

    m_editPath->setText(m_selection.configuredPath());
}

void CDlgSelectDBFile::OnBrowse()
{
    const QString path =
        platform::getOpenFileName(this, QStringLiteral("打开"), QStringLiteral("*.mdb"),
                                  QStringLiteral("Microsoft Access数据库(*.mdb) (*.mdb)"));
    if (!path.isEmpty())
        m_editPath->setText(path);
}

void CDlgSelectDBFile::OnSave()
{
    if (m_selection.save(m_editPath->text()))
        accept();
}
