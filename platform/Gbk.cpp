#include "Gbk.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace platform
{

QByteArray toGbk(const QString& text, bool* ok)
{
    QStringEncoder encoder("GBK", QStringConverter::Flag::Stateless);
    QByteArray out = encoder.encode(text);
    if (ok)
        *ok = encoder.isValid() && !encoder.hasError();
    return out;
}

QString fromGbk(const QByteArray& bytes, bool* ok)
{
    QStringDecoder decoder("GBK", QStringConverter::Flag::Stateless);
    QString out = decoder.decode(bytes);
    if (ok)
        *ok = decoder.isValid() && !decoder.hasError();
    return out;
}

QByteArray cutGbkBytes(const QByteArray& gbk, int maxBytes)
{
    if (maxBytes <= 0)
        return {};
    int i = 0;
    int end = 0;
    while (i < gbk.size()) {
        const int width =
            (static_cast<unsigned char>(gbk.at(i)) >= 0x81 && i + 1 < gbk.size()) ? 2 : 1;
        if (i + width > maxBytes)
            break;
        i += width;
        end = i;
    }
    return gbk.left(end);
}

QByteArray toGbkCut(const QString& text, int maxBytes, bool* ok)
{
    return cutGbkBytes(toGbk(text, ok), maxBytes);
}

} // namespace platform
