#pragma once

#include <QString>

// The per-user settings store: string values addressed by section and key under the application
// "LVMonitor". Booleans are stored as "True"/"False", numbers as the decimal text of a
// single-precision value; a stored value that does not parse reads as the caller's default.
//
// Changes are kept and written together, at most once a second (FlushDelayMs after the first
// change of a burst), and at the program's exit; reads see them at once. Writing the whole file
// for every change cost a rewrite, a temporary file and a lock each time. The first change made
// while there is no file yet is written at once, and changes waiting for a file that has gone away
// since (the settings were reset) go with it.
//
// The environment variable LVMONITOR_SETTINGS, when set, names an INI file to use instead of the
// platform's store (tests, demos).
class Settings
{
public:
    static constexpr const char* Startup = "Startup";
    static constexpr const char* Edit = "edit";
    static constexpr int FlushDelayMs = 1000;

    QString GetSetting(const QString& section, const QString& key,
                       const QString& defaultValue = {}) const;
    void SaveSetting(const QString& section, const QString& key, const QString& value);

    bool GetBool(const QString& section, const QString& key, bool defaultValue) const;
    void SaveBool(const QString& section, const QString& key, bool value);

    float GetNumber(const QString& section, const QString& key, float defaultValue) const;
    void SaveNumber(const QString& section, const QString& key, float value);

    // Writes the changes that wait, now (the main window closing, the program's exit).
    static void flush();

    static QString boolText(bool value)
    {
        return value ? QStringLiteral("True") : QStringLiteral("False");
    }
    static QString numberText(float value);
};
