#include "DialogUnits.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPushButton>
#include <QWidget>

#include <cmath>

namespace platform
{

QString controlName(int id)
{
    return QStringLiteral("id%1").arg(id);
}

QFont dialogFont(int pointSize)
{
    static const QString family = [] {
        const QStringList families = QFontDatabase::families();
        for (const QString& f : {QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Micro Hei")})
            if (families.contains(f))
                return f;
        return QString();
    }();
    QFont font;
    if (!family.isEmpty())
        font.setFamily(family);
    font.setPointSize(pointSize);
    return font;
}

QRect dialogUnitsToPixels(const QFont& font, int x, int y, int w, int h)
{
    const QFontMetrics fm(font);
    // The classic base unit: the average width of the 52 Latin letters, and the font height.
    const double baseX = fm.horizontalAdvance(QStringLiteral(
                             "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
                         52.0;
    const double baseY = fm.height();
    auto px = [](double units, double base, int div) {
        return static_cast<int>(std::lround(units * base / div));
    };
    return QRect(px(x, baseX, 4), px(y, baseY, 8), px(w, baseX, 4), px(h, baseY, 8));
}

void placeInDialogUnits(QWidget* widget, int x, int y, int w, int h)
{
    const QWidget* dialog = widget->window();
    widget->setGeometry(dialogUnitsToPixels(dialog ? dialog->font() : widget->font(), x, y, w, h));
}

void sizeInDialogUnits(QWidget* dialog, int w, int h)
{
    const QRect r = dialogUnitsToPixels(dialog->font(), 0, 0, w, h);
    dialog->setFixedSize(r.width(), r.height());
}

} // namespace platform

namespace platform
{

QPushButton* addButton(QWidget* dialog, int id, const QString& text, int x, int y, int w, int h)
{
    auto* b = new QPushButton(text, dialog);
    b->setObjectName(controlName(id));
    b->setAutoDefault(false);
    placeInDialogUnits(b, x, y, w, h);
    return b;
}

} // namespace platform
