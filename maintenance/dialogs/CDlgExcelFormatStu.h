#pragma once

#include "ExcelFormatDialog.h"

// The layout of a student workbook.
class CDlgExcelFormatStu : public ExcelFormatDialog
{
    Q_OBJECT
public:
    explicit CDlgExcelFormatStu(QWidget* pParent = nullptr);
};
