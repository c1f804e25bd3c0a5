#pragma once

#include <QFont>
#include <QRect>

class QPushButton;
class QWidget;

namespace platform
{

// The objectName of the control with this id: "id<N>". Dialogs and tests find controls by it.
QString controlName(int id);

// The dialogs' 9-point CJK font (SimSun where present, else WenQuanYi Micro Hei).
QFont dialogFont(int pointSize = 9);

// Dialog units: across, a quarter of the font's average character width; down, an eighth of
// its height.
QRect dialogUnitsToPixels(const QFont& font, int x, int y, int w, int h);
void placeInDialogUnits(QWidget* widget, int x, int y, int w, int h);
// Gives a dialog its fixed client size in dialog units of its font.
void sizeInDialogUnits(QWidget* dialog, int w, int h);
// A push button with the control id as objectName ("id<N>"), placed in dialog units. Like a
// dialog's buttons it does not take Enter for itself.
QPushButton* addButton(QWidget* dialog, int id, const QString& text, int x, int y, int w, int h);

} // namespace platform
