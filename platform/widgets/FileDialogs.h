#pragma once

#include <QString>

class QWidget;

namespace platform
{

// The file-open dialog; tests set the next answer instead of clicking through one.
QString getOpenFileName(QWidget* parent, const QString& caption, const QString& initialName,
                        const QString& filter);
// The next getOpenFileName returns this without showing a dialog (empty text = cancelled).
void setNextOpenFileName(const QString& path);

} // namespace platform
