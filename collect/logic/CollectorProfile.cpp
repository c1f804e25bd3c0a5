#include "CollectorProfile.h"

#include "ProfileSettings.h"

namespace collect
{

using sorvik::collector::CollectorSettings;

QString collectorSection()
{
    return QStringLiteral("collector");
}

CollectorSettings loadCollectorSettings()
{
    QMap<QString, QString> values;
    for (const QString& key : CollectorSettings::keys())
        values.insert(key, platform::readProfileString(collectorSection(), key));
    return CollectorSettings::fromValues(values);
}

bool saveCollectorSettings(const CollectorSettings& settings)
{
    const QMap<QString, QString> values = settings.toValues();
    for (auto it = values.begin(); it != values.end(); ++it)
        if (!platform::writeProfileString(collectorSection(), it.key(), it.value()))
            return false;
    return true;
}

} // namespace collect
