#include "CDlgExcelFormatCard.h"

CDlgExcelFormatCard::CDlgExcelFormatCard(QWidget* pParent)
    : ExcelFormatDialog(
          QStringLiteral("导入卡号文件格式"),
          {QStringLiteral("学号"), QStringLiteral("姓名"), QStringLiteral("卡号")},
          {QStringLiteral("20070803"), QStringLiteral("王小明"), QStringLiteral("070813")}, 200,
          pParent)
{
    setObjectName(QStringLiteral("CDlgExcelFormatCard"));
}
