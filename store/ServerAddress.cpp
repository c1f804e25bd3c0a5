#include "ServerAddress.h"

#include <QFile>
#include <QSaveFile>

namespace store
{

bool isServerAddress(const QString& text)
{
    return text.startsWith(QLatin1String("postgresql://")) ||
           text.startsWith(QLatin1String("postgres://"));
}

QString serverAddressInFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // A database file begins with binary data: read no further than a short line.
    if (file.readLine(64).trimmed() != QByteArray(kConnectionFileMarker))
        return {};
    const QString address = QString::fromUtf8(file.readLine(4096)).trimmed();
    return isServerAddress(address) ? address : QString();
}

QString writeConnectionFile(const QString& path, const QString& address)
{
    if (!isServerAddress(address))
        return QStringLiteral("%1 is no postgresql:// address").arg(address);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    file.write(QByteArray(kConnectionFileMarker) + '\n' + address.toUtf8() + '\n');
    if (!file.commit())
        return QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    return {};
}

QString resolvedDatabasePath(const QString& path)
{
    if (isServerAddress(path))
        return path;
    const QString address = serverAddressInFile(path);
    return address.isEmpty() ? path : address;
}

} // namespace store
