#pragma once

#include "ExcelFormatDialog.h"

// The layout of a score workbook.
class CDlgExcelFormatValue : public ExcelFormatDialog
{
    Q_OBJECT
public:
    explicit CDlgExcelFormatValue(QWidget* pParent = nullptr);
};
