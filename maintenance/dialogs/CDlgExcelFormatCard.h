#pragma once

#include "ExcelFormatDialog.h"

// The format help of the card import: "学号", "姓名", "卡号" over one sample row.
class CDlgExcelFormatCard : public ExcelFormatDialog
{
    Q_OBJECT
public:
    explicit CDlgExcelFormatCard(QWidget* pParent = nullptr);
};
