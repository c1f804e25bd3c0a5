#include "ClassListWidget.h"

#include "DialogUnits.h"
#include "ReportList.h"

platform::ReportList* makeClassList(QWidget* dialog, int id, int x, int y)
{
    auto* list = new platform::ReportList(dialog);
    list->setObjectName(platform::controlName(id));
    list->setColumns({{QStringLiteral("序号"), 40},
                      {QStringLiteral("班级名称"), 120},
                      {QStringLiteral("学生数量"), 60}});
    platform::placeInDialogUnits(list, x, y, 220, 299);
    return list;
}
