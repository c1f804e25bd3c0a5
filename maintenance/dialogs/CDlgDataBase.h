#pragma once

#include <QDialog>

// The database menu: the entry to the imports, the card management and the database file
// selection. The first three need an open database.
class CDlgDataBase : public QDialog
{
    Q_OBJECT
public:
    enum ControlId {
        IdReturn = 2,
        IdImportValue = 1009,  // "导入单项成绩"
        IdImportStu = 1010,    // "导入学生"
        IdCard = 1011,         // "卡号管理"
        IdSelectDBFile = 1012, // "选择数据库"
        IdCompletion = 1013,   // "成绩完成情况"
    };

    explicit CDlgDataBase(QWidget* pParent = nullptr);

private:
    void OnImportValue();
    void OnImportStu();
    void OnCardManagement();
    void OnSelectDBFile();
    void OnCompletion();
};
