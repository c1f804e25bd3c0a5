#pragma once

class QWidget;

namespace platform
{
class ReportList;
}

// The class lists of the transfer dialogs: "序号", "班级名称", "学生数量", 220 × 299 dialog units.
platform::ReportList* makeClassList(QWidget* dialog, int id, int x, int y);
