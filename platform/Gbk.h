#pragma once

#include <QByteArray>
#include <QString>

namespace platform
{

// GBK (code page 936) at the byte boundaries: collector records, instrument buffers, backup files.
// A character GBK cannot hold is an error (ok = false), never a silent '?'.
QByteArray toGbk(const QString& text, bool* ok = nullptr);
QString fromGbk(const QByteArray& bytes, bool* ok = nullptr);
// The longest prefix of text whose GBK form fits in maxBytes, never half a character.
QByteArray toGbkCut(const QString& text, int maxBytes, bool* ok = nullptr);
// Cuts GBK bytes to at most maxBytes by the rule of GbkCut.h: never inside a character, never
// leaving a lone lead byte.
QByteArray cutGbkBytes(const QByteArray& gbk, int maxBytes);

} // namespace platform
