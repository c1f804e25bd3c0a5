#include "CollectorSettings.h"

#include <QHostAddress>

namespace sorvik::collector
{

namespace
{

const QString kSource = QStringLiteral("source");
const QString kAddress = QStringLiteral("address");
const QString kPort = QStringLiteral("port");
const QString kDevice = QStringLiteral("device");
const QString kBaud = QStringLiteral("baud");
const QString kRate = QStringLiteral("rate");
const QString kIdentifiers = QStringLiteral("identifiers");
const QString kMaxConnections = QStringLiteral("max_connections");
const QString kIdleSeconds = QStringLiteral("idle_seconds");

} // namespace

QString sourceKindName(SourceKind kind)
{
    switch (kind) {
    case SourceKind::Tcp:
        return QStringLiteral("tcp");
    case SourceKind::Serial:
        return QStringLiteral("serial");
    case SourceKind::Simulator:
        return QStringLiteral("simulator");
    }
    return {};
}

bool parseSourceKind(const QString& text, SourceKind* kind)
{
    for (SourceKind k : {SourceKind::Tcp, SourceKind::Serial, SourceKind::Simulator})
        if (text.trimmed().compare(sourceKindName(k), Qt::CaseInsensitive) == 0) {
            *kind = k;
            return true;
        }
    return false;
}

bool isListenAddress(const QString& text)
{
    QHostAddress a;
    return a.setAddress(text.trimmed());
}

QStringList CollectorSettings::keys()
{
    return {kSource, kAddress,     kPort,           kDevice,     kBaud,
            kRate,   kIdentifiers, kMaxConnections, kIdleSeconds};
}

QMap<QString, QString> CollectorSettings::toValues() const
{
    return {{kSource, sourceKindName(source)},
            {kAddress, address},
            {kPort, QString::number(port)},
            {kDevice, device},
            {kBaud, QString::number(baud)},
            {kRate, QString::number(rate)},
            {kIdentifiers, simulateCards ? QStringLiteral("card") : QStringLiteral("stuno")},
            {kMaxConnections, QString::number(maxConnections)},
            {kIdleSeconds, QString::number(idleSeconds)}};
}

CollectorSettings CollectorSettings::fromValues(const QMap<QString, QString>& values)
{
    CollectorSettings s;
    SourceKind kind;
    if (parseSourceKind(values.value(kSource), &kind))
        s.source = kind;
    if (const QString a = values.value(kAddress).trimmed(); isListenAddress(a))
        s.address = a;
    bool ok = false;
    if (const uint port = values.value(kPort).trimmed().toUInt(&ok); ok && port > 0 && port < 65536)
        s.port = quint16(port);
    if (const QString d = values.value(kDevice).trimmed(); !d.isEmpty())
        s.device = d;
    if (const int baud = values.value(kBaud).trimmed().toInt(&ok); ok && baud > 0)
        s.baud = baud;
    if (const int rate = values.value(kRate).trimmed().toInt(&ok);
        ok && rate >= kMinRate && rate <= kMaxRate)
        s.rate = rate;
    if (const int n = values.value(kMaxConnections).trimmed().toInt(&ok);
        ok && n >= 1 && n <= kMaxConnectionsLimit)
        s.maxConnections = n;
    if (const int idle = values.value(kIdleSeconds).trimmed().toInt(&ok);
        ok && idle >= 0 && idle <= kMaxIdleSeconds)
        s.idleSeconds = idle;
    const QString ids = values.value(kIdentifiers).trimmed();
    if (ids.compare(QStringLiteral("card"), Qt::CaseInsensitive) == 0)
        s.simulateCards = true;
    return s;
}

} // namespace sorvik::collector
