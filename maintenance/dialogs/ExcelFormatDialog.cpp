#include "ExcelFormatDialog.h"

#include "DialogUnits.h"
#include "ExcelFormatTable.h"

#include <QLabel>
#include <QPushButton>

using platform::placeInDialogUnits;

ExcelFormatDialog::ExcelFormatDialog(const QString& title, const QStringList& saTitles,
                                     const QStringList& saSample, int width, QWidget* pParent)
    : QDialog(pParent), m_table(new ExcelFormatTable(this))
{
    setFont(platform::dialogFont());
    setWindowTitle(title);
    platform::sizeInDialogUnits(this, width, 96);

    m_table->setRows({saTitles, saSample});
    placeInDialogUnits(m_table, 7, 7, width - 14, 34);
    auto* note1 = new QLabel(QStringLiteral("备注:单元格格式全部为文本类型,"), this);
    placeInDialogUnits(note1, 7, 50, width - 14, 10);
    auto* note2 = new QLabel(QStringLiteral("亦可参阅安装目录下的示例文件."), this);
    placeInDialogUnits(note2, 7, 62, width - 14, 10);
    auto* cancel =
        platform::addButton(this, IdCancel, QStringLiteral("取消"), width - 67, 74, 60, 16);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}
