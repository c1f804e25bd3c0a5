#include "CAboutDlg.h"

#include "DialogUnits.h"

#include <QIcon>
#include <QLabel>
#include <QPushButton>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setFont(platform::dialogFont());
    setWindowTitle(QStringLiteral("关于 Sorvik"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/sorvik.png")));
    platform::sizeInDialogUnits(this, 170, 62);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("iconLabel"));
    icon->setPixmap(QIcon(QStringLiteral(":/icons/sorvik.png")).pixmap(32, 32));
    platform::placeInDialogUnits(icon, 14, 14, 21, 20);
    auto* version = new QLabel(QStringLiteral("Sorvik 1.0 版"), this);
    platform::placeInDialogUnits(version, 42, 14, 114, 8);
    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setObjectName(platform::controlName(IdOk));
    ok->setDefault(true);
    platform::placeInDialogUnits(ok, 113, 41, 50, 14);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}
