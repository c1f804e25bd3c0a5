#pragma once

#include <QMap>
#include <QString>

namespace sorvik::collector
{

enum class SourceKind { Tcp, Serial, Simulator };

// How the collector reaches the instruments. Kept as texts under their keys in the collector's
// own section of the settings file; the layer above reads and writes that file.
struct CollectorSettings {
    SourceKind source = SourceKind::Tcp;
    QString address = QStringLiteral("127.0.0.1");   // TCP: where to listen; loopback unless asked
    quint16 port = 7027;                             // TCP
    QString device = QStringLiteral("/dev/ttyUSB0"); // serial
    qint32 baud = 9600;                              // serial
    int rate = 60;                                   // simulator: records per minute
    bool simulateCards = false; // simulator: send card numbers, not student numbers
    int maxConnections = 256;   // TCP: at most this many instruments at once; more wait
    int idleSeconds = 1800;     // TCP: a connection silent this long is closed; 0 never

    static constexpr int kMinRate = 1;
    static constexpr int kMaxRate = 600000;
    static constexpr int kMaxConnectionsLimit = 4096;
    static constexpr int kMaxIdleSeconds = 7 * 24 * 3600;

    // Texts by key: source (tcp|serial|simulator), address, port, device, baud, rate,
    // identifiers (stuno|card), max_connections, idle_seconds.
    QMap<QString, QString> toValues() const;
    // Missing or unusable texts give the default of their key.
    static CollectorSettings fromValues(const QMap<QString, QString>& values);
    static QStringList keys();

    bool operator==(const CollectorSettings&) const = default;
};

QString sourceKindName(SourceKind kind);
// False when text names no source.
bool parseSourceKind(const QString& text, SourceKind* kind);
// Whether text is an address to listen on (IPv4 or IPv6, "0.0.0.0" for every interface).
bool isListenAddress(const QString& text);

} // namespace sorvik::collector
