#include "CDlgCard.h"

#include "CDB.h"
#include "CDlgCardUpdate.h"
#include "CDlgExcelFormatCard.h"
#include "CardImport.h"
#include "DialogUnits.h"
#include "ReportList.h"
#include "WorkbookBrowse.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using platform::placeInDialogUnits;

CDlgCard::CDlgCard(QWidget* parent)
    : QDialog(parent), m_editPath(new QLineEdit(this)), m_comboClass(new QComboBox(this)),
      m_list(new platform::ReportList(this)), m_staticCount(new QLabel(this)),
      m_cards(theDB, m_list, this)
{
    setObjectName(QStringLiteral("CDlgCard"));
    setWindowTitle(CardManagement::title());
    setFont(platform::dialogFont());
    platform::sizeInDialogUnits(this, 400, 300);

    auto* group = new QGroupBox(QStringLiteral("导入学生卡号"), this);
    placeInDialogUnits(group, 7, 7, 386, 44);
    auto* pathLabel = new QLabel(QStringLiteral("卡号Excel文件"), this);
    placeInDialogUnits(pathLabel, 15, 26, 52, 8);
    m_editPath->setObjectName(platform::controlName(IdPath));
    placeInDialogUnits(m_editPath, 68, 23, 190, 14);
    auto* browse = platform::addButton(this, IdBrowse, QStringLiteral(".."), 262, 23, 19, 14);
    auto* import = platform::addButton(this, IdImport, QStringLiteral("开始导入"), 286, 23, 50, 14);
    auto* format = platform::addButton(this, IdFormat, QStringLiteral("文件格式"), 340, 23, 46, 14);

    auto* classLabel = new QLabel(QStringLiteral("班级"), this);
    placeInDialogUnits(classLabel, 7, 62, 20, 8);
    m_comboClass->setObjectName(platform::controlName(IdClass));
    placeInDialogUnits(m_comboClass, 30, 59, 130, 14);
    auto* view = platform::addButton(this, IdView, QStringLiteral("查看"), 166, 59, 40, 14);
    m_staticCount->setObjectName(platform::controlName(IdCount));
    placeInDialogUnits(m_staticCount, 330, 62, 63, 8);

    m_list->setObjectName(platform::controlName(IdList));
    placeInDialogUnits(m_list, 7, 78, 386, 190);
    m_list->setColumns(CardManagement::listColumns());
    m_list->setCountObserver([this](int count) { m_staticCount->setText(QString::number(count)); });

    auto* modify =
        platform::addButton(this, IdModify, QStringLiteral("修改卡号"), 210, 276, 55, 16);
    auto* remove =
        platform::addButton(this, IdDelete, QStringLiteral("删除卡号"), 272, 276, 55, 16);
    auto* back = platform::addButton(this, IdReturn, QStringLiteral("返回"), 338, 276, 55, 16);

    connect(browse, &QPushButton::clicked, this, &CDlgCard::OnBrowse);
    connect(import, &QPushButton::clicked, this, &CDlgCard::OnImport);
    connect(format, &QPushButton::clicked, this, &CDlgCard::OnFormat);
    connect(view, &QPushButton::clicked, this, &CDlgCard::OnView);
    connect(modify, &QPushButton::clicked, this, &CDlgCard::OnModify);
    connect(remove, &QPushButton::clicked, this, &CDlgCard::OnDelete);
    connect(back, &QPushButton::clicked, this, &QDialog::reject);

    // No class is chosen when the dialog opens.
    m_comboClass->addItems(m_cards.classEntries());
    m_comboClass->setCurrentIndex(-1);
}

void CDlgCard::OnBrowse()
{
    const QString path = maintenance::browseWorkbook(this);
    if (!path.isEmpty())
        m_editPath->setText(path);
}

void CDlgCard::OnImport()
{
    CardImport(theDB, m_list, this).run(m_editPath->text());
}

void CDlgCard::OnFormat()
{
    CDlgExcelFormatCard dlg(this);
    dlg.exec();
}

void CDlgCard::OnView()
{
    m_cards.view(m_comboClass->currentText());
    // Also after a view of an empty class, which inserts and deletes no row.
    m_staticCount->setText(QString::number(m_list->rowCount()));
}

void CDlgCard::OnModify()
{
    const int row = m_cards.rowToModify();
    if (row < 0)
        return;
    CDlgCardUpdate dlg(row, m_list, this);
    dlg.exec();
}

void CDlgCard::OnDelete()
{
    m_cards.deleteSelected();
}
