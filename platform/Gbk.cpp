#include "Gbk.h"

#include "GbkCut.h"

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
    const std::string_view bytes(gbk.constData(), static_cast<std::size_t>(gbk.size()));
    return gbk.left(
        static_cast<qsizetype>(gbkCutLength(bytes, static_cast<std::size_t>(maxBytes))));
}

QByteArray toGbkCut(const QString& text, int maxBytes, bool* ok)
{
    return cutGbkBytes(toGbk(text, ok), maxBytes);
}

} // namespace platform
