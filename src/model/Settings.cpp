#include "model/Settings.h"

#include <QSettings>

#include <cmath>
#include <memory>

namespace {

std::unique_ptr<QSettings> openStore()
{
    const QString file = qEnvironmentVariable("LVMONITOR_SETTINGS");
    if (!file.isEmpty())
        return std::make_unique<QSettings>(file, QSettings::IniFormat);
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("LVMonitor"), QStringLiteral("LVMonitor"));
}

QString path(const QString& section, const QString& key)
{
    return section + QLatin1Char('/') + key;
}

} // namespace

QString Settings::GetSetting(const QString& section, const QString& key,
                             const QString& defaultValue) const
{
    const QVariant v = openStore()->value(path(section, key));
    return v.isValid() ? v.toString() : defaultValue;
}

void Settings::SaveSetting(const QString& section, const QString& key, const QString& value)
{
    openStore()->setValue(path(section, key), value);
}

bool Settings::GetBool(const QString& section, const QString& key, bool defaultValue) const
{
    const QString text = GetSetting(section, key).trimmed();
    if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    // A number is true when it is not zero, as the stored "-1"/"0" of older writers read.
    bool ok = false;
    const double n = text.toDouble(&ok);
    return ok ? n != 0 : defaultValue;
}

void Settings::SaveBool(const QString& section, const QString& key, bool value)
{
    SaveSetting(section, key, boolText(value));
}

float Settings::GetNumber(const QString& section, const QString& key, float defaultValue) const
{
    bool ok = false;
    const float n = GetSetting(section, key).trimmed().toFloat(&ok);
    return ok && std::isfinite(n) ? n : defaultValue;
}

void Settings::SaveNumber(const QString& section, const QString& key, float value)
{
    SaveSetting(section, key, numberText(value));
}

QString Settings::numberText(float value)
{
    // Shortest text that reads back as the same single-precision value ("7500", "7500.5").
    return QString::number(value, 'g', 7);
}
