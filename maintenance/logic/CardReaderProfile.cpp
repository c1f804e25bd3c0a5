#include "CardReaderProfile.h"

#include "ProfileSettings.h"

namespace maintenance
{

using sorvik::cardreader::CardReaderSettings;

QString cardReaderSection()
{
    return QStringLiteral("cardreader");
}

CardReaderSettings loadCardReaderSettings()
{
    QMap<QString, QString> values;
    for (const QString& key : CardReaderSettings::keys())
        values.insert(key, platform::readProfileString(cardReaderSection(), key));
    return CardReaderSettings::fromValues(values);
}

} // namespace maintenance
