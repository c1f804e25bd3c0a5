#include "CardReaderSettings.h"

namespace sorvik::cardreader
{

namespace
{
const QString kSource = QStringLiteral("source");
const QString kDevice = QStringLiteral("device");
const QString kBaud = QStringLiteral("baud");
const QString kFeed = QStringLiteral("feed");
} // namespace

QString sourceKindName(SourceKind kind)
{
    return kind == SourceKind::Simulated ? QStringLiteral("simulated") : QStringLiteral("serial");
}

QStringList CardReaderSettings::keys()
{
    return {kSource, kDevice, kBaud, kFeed};
}

QMap<QString, QString> CardReaderSettings::toValues() const
{
    return {{kSource, sourceKindName(source)},
            {kDevice, device},
            {kBaud, QString::number(baud)},
            {kFeed, feed}};
}

CardReaderSettings CardReaderSettings::fromValues(const QMap<QString, QString>& values)
{
    CardReaderSettings s;
    if (values.value(kSource).trimmed().compare(sourceKindName(SourceKind::Simulated),
                                                Qt::CaseInsensitive) == 0)
        s.source = SourceKind::Simulated;
    if (const QString d = values.value(kDevice).trimmed(); !d.isEmpty())
        s.device = d;
    bool ok = false;
    if (const int baud = values.value(kBaud).trimmed().toInt(&ok); ok && baud > 0)
        s.baud = baud;
    s.feed = values.value(kFeed).trimmed();
    return s;
}

} // namespace sorvik::cardreader
