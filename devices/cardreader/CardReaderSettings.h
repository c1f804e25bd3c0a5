#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

namespace sorvik::cardreader
{

enum class SourceKind { Serial, Simulated };

// Which card reader the station reads cards with. Kept as texts under their keys in the card
// reader's own section of the settings file; the layer above reads that file.
struct CardReaderSettings {
    SourceKind source = SourceKind::Serial;
    QString device = QStringLiteral("/dev/ttyUSB0"); // serial
    qint32 baud = 9600;                              // serial
    QString feed;                                    // simulated: a file or a named pipe

    // Texts by key: source (serial|simulated), device, baud, feed.
    QMap<QString, QString> toValues() const;
    // Missing or unusable texts give the default of their key.
    static CardReaderSettings fromValues(const QMap<QString, QString>& values);
    static QStringList keys();

    bool operator==(const CardReaderSettings&) const = default;
};

QString sourceKindName(SourceKind kind);

} // namespace sorvik::cardreader
