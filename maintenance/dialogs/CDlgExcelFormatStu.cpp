#include "CDlgExcelFormatStu.h"

CDlgExcelFormatStu::CDlgExcelFormatStu(QWidget* pParent)
    : ExcelFormatDialog(QStringLiteral("导入学生文件格式"),
                        {QStringLiteral("年级编号"), QStringLiteral("班号"),
                         QStringLiteral("班级名称"), QStringLiteral("学号"),
                         QStringLiteral("民族编号"), QStringLiteral("姓名"), QStringLiteral("性别"),
                         QStringLiteral("出生日期"), QStringLiteral("家庭地址"),
                         QStringLiteral("学生来源")},
                        {QStringLiteral("21"), QStringLiteral("2101"), QStringLiteral("一年级一班"),
                         QStringLiteral("2101001"), QStringLiteral("01"), QStringLiteral("王小明"),
                         QStringLiteral("男"), QStringLiteral("1997-9-14"),
                         QStringLiteral("青石街5号"), QString()},
                        470, pParent)
{
    setObjectName(QStringLiteral("CDlgExcelFormatStu"));
}
