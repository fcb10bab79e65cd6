#pragma once

#include <QString>

// The per-user settings store: string values addressed by section and key under the application
// "LVMonitor". Booleans are stored as "True"/"False", numbers as the decimal text of a
// single-precision value; a stored value that does not parse reads as the caller's default.
//
// The environment variable LVMONITOR_SETTINGS, when set, names an INI file to use instead of the
// platform's store (tests, demos).
class Settings
{
public:
    static constexpr const char* Startup = "Startup";
    static constexpr const char* Edit = "edit";

    QString GetSetting(const QString& section, const QString& key,
                       const QString& defaultValue = {}) const;
    void SaveSetting(const QString& section, const QString& key, const QString& value);

    bool GetBool(const QString& section, const QString& key, bool defaultValue) const;
    void SaveBool(const QString& section, const QString& key, bool value);

    float GetNumber(const QString& section, const QString& key, float defaultValue) const;
    void SaveNumber(const QString& section, const QString& key, float value);

    static QString boolText(bool value)
    {
        return value ? QStringLiteral("True") : QStringLiteral("False");
    }
    static QString numberText(float value);
};
