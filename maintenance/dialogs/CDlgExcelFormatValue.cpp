#include "CDlgExcelFormatValue.h"

CDlgExcelFormatValue::CDlgExcelFormatValue(QWidget* pParent)
    : ExcelFormatDialog(QStringLiteral("导入单项成绩文件格式"),
                        {QStringLiteral("学号"), QStringLiteral("姓名"), QStringLiteral("项目编号"),
                         QStringLiteral("成绩")},
                        {QStringLiteral("20070803"), QStringLiteral("王小明"), QStringLiteral("03"),
                         QStringLiteral("69")},
                        240, pParent)
{
    setObjectName(QStringLiteral("CDlgExcelFormatValue"));
}
