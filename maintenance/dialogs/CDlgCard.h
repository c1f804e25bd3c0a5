#pragma once

#include "CardManagement.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;

namespace platform
{
class ReportList;
}

// Card number management: imports card numbers from a workbook, lists a class's pupils with
// their card numbers, edits one pupil's card (CDlgCardUpdate) and clears the selected ones.
class CDlgCard : public QDialog
{
    Q_OBJECT
public:
    enum ControlId {
        IdReturn = 2,
        IdList = 1002,
        IdFormat = 1017, // "文件格式"
        IdCount = 1022,
        IdBrowse = 1024, // ".."
        IdImport = 1025, // "开始导入"
        IdClass = 1027,
        IdView = 1028,   // "查看"
        IdModify = 1029, // "修改卡号"
        IdDelete = 1030, // "删除卡号"
        IdPath = 1031,
    };

    explicit CDlgCard(QWidget* parent = nullptr);

    platform::ReportList* list() const { return m_list; }

private:
    void OnBrowse();
    void OnImport();
    void OnFormat();
    void OnView();
    void OnModify();
    void OnDelete();

    QLineEdit* m_editPath;
    QComboBox* m_comboClass;
    platform::ReportList* m_list;
    QLabel* m_staticCount;
    CardManagement m_cards;
};
