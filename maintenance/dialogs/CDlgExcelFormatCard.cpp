#include "CDlgExcelFormatCard.h"

#include "DialogUnits.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

using platform::placeInDialogUnits;

QStringList CDlgExcelFormatCard::titles()
{
    return {QStringLiteral("学号"), QStringLiteral("姓名"), QStringLiteral("卡号")};
}

QStringList CDlgExcelFormatCard::sampleRow()
{
    return {QStringLiteral("20070803"), QStringLiteral("王小明"), QStringLiteral("070813")};
}

CDlgExcelFormatCard::CDlgExcelFormatCard(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CDlgExcelFormatCard"));
    setWindowTitle(QStringLiteral("导入卡号文件格式"));
    setFont(platform::dialogFont());
    platform::sizeInDialogUnits(this, 240, 110);

    // The table as the sheet looks: the title row above the sample row, nothing to edit.
    auto* table = new QTableWidget(2, 3, this);
    table->horizontalHeader()->hide();
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->setFocusPolicy(Qt::NoFocus);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (int c = 0; c < 3; ++c) {
        table->setItem(0, c, new QTableWidgetItem(titles().at(c)));
        table->setItem(1, c, new QTableWidgetItem(sampleRow().at(c)));
    }
    placeInDialogUnits(table, 7, 7, 226, 40);

    auto* note1 = new QLabel(QStringLiteral("备注:单元格格式全部为文本类型,"), this);
    placeInDialogUnits(note1, 7, 54, 226, 10);
    auto* note2 = new QLabel(QStringLiteral("亦可参阅安装目录下的示例文件."), this);
    placeInDialogUnits(note2, 7, 66, 226, 10);

    auto* cancel = platform::addButton(this, IdCancel, QStringLiteral("取消"), 183, 88, 50, 14);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}
