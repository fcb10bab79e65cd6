#include "model/Settings.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMap>
#include <QPointer>
#include <QSettings>
#include <QTimer>

#include <cmath>
#include <memory>

namespace {

std::unique_ptr<QSettings> openStore(const QString& file)
{
    if (!file.isEmpty())
        return std::make_unique<QSettings>(file, QSettings::IniFormat);
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("LVMonitor"), QStringLiteral("LVMonitor"));
}

QString path(const QString& section, const QString& key)
{
    return section + QLatin1Char('/') + key;
}

// The changes not yet written, and the store they belong to.
struct Pending
{
    QString file;     // LVMONITOR_SETTINGS when they were made; empty: the platform's store
    QString diskFile; // the file behind the store; empty when the store is no file (registry)
    bool known = false;
    QMap<QString, QString> values;
    QPointer<QTimer> timer;
};

Pending& pending()
{
    static Pending p;
    return p;
}

bool fileIsThere(const Pending& p)
{
    return p.diskFile.isEmpty() || QFileInfo::exists(p.diskFile);
}

void writeOut(Pending& p)
{
    if (p.timer)
        p.timer->stop();
    if (p.values.isEmpty())
        return;
    const std::unique_ptr<QSettings> store = openStore(p.file);
    for (auto it = p.values.cbegin(); it != p.values.cend(); ++it)
        store->setValue(it.key(), it.value());
    store->sync();
    p.values.clear();
}

// The pending changes for the store in use now: those for another store are written to it first,
// and those for a file that has been removed since they were made are dropped with it.
Pending& current()
{
    Pending& p = pending();
    const QString file = qEnvironmentVariable("LVMONITOR_SETTINGS");
    if (!p.known || file != p.file) {
        writeOut(p);
        p.file = file;
#if defined(Q_OS_WIN) || defined(Q_OS_DARWIN)
        p.diskFile = file;
#else
        p.diskFile = openStore(file)->fileName();
#endif
        p.known = true;
    }
    if (!p.values.isEmpty() && !fileIsThere(p)) {
        p.values.clear();
        if (p.timer)
            p.timer->stop();
    }
    return p;
}

void writeLater(Pending& p)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) {
        writeOut(p);
        return;
    }
    if (!p.timer) {
        p.timer = new QTimer(app);
        p.timer->setSingleShot(true);
        p.timer->setInterval(Settings::FlushDelayMs);
        QObject::connect(p.timer, &QTimer::timeout, [] { Settings::flush(); });
        QObject::connect(app, &QCoreApplication::aboutToQuit, [] { Settings::flush(); });
        QObject::connect(app, &QObject::destroyed, [] { Settings::flush(); });
    }
    // Not started again by later changes: a burst is written within a second of its first one.
    if (!p.timer->isActive())
        p.timer->start();
}

} // namespace

void Settings::flush()
{
    writeOut(current());
}

QString Settings::GetSetting(const QString& section, const QString& key,
                             const QString& defaultValue) const
{
    const Pending& p = current();
    const QString at = path(section, key);
    if (const auto it = p.values.constFind(at); it != p.values.cend())
        return it.value();
    const QVariant v = openStore(p.file)->value(at);
    return v.isValid() ? v.toString() : defaultValue;
}

void Settings::SaveSetting(const QString& section, const QString& key, const QString& value)
{
    Pending& p = current();
    p.values.insert(path(section, key), value);
    // Without a file yet there is little to write, and a file that exists lets a reset of the
    // settings be noticed.
    if (!fileIsThere(p))
        writeOut(p);
    else
        writeLater(p);
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
