#include "shell/WebPage.h"

#include "model/Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPluginLoader>

#include <arpa/inet.h>

namespace {

// Where the plugin is looked for: beside the program (a build tree), then in the installation's
// private folder (LV_WEB_PLUGIN_INSTALLED_DIR, relative to the program's folder).
QStringList pluginFiles()
{
    const QString here = QCoreApplication::applicationDirPath();
    const QString name = QStringLiteral(LV_WEB_PLUGIN_FILE);
    return {QDir(here).filePath(name),
            QDir::cleanPath(here + QStringLiteral("/" LV_WEB_PLUGIN_INSTALLED_DIR "/") + name)};
}

WebPageFactory* loadFactory(QString* error)
{
    static WebPageFactory* factory = nullptr;
    if (factory)
        return factory;
    const QStringList files = pluginFiles();
    for (const QString& file : files) {
        if (!QFileInfo::exists(file))
            continue;
        // The library stays loaded for the rest of the run: the page's objects come from it.
        QPluginLoader loader(file);
        // Every symbol is resolved now, so that a mismatch fails here, not when first called.
        loader.setLoadHints(QLibrary::ResolveAllSymbolsHint);
        factory = qobject_cast<WebPageFactory*>(loader.instance());
        if (!factory && error)
            *error = QStringLiteral("The web page cannot start: its plugin %1 does not load (%2). "
                                    "The installation may be incomplete or mixed from two "
                                    "versions; reinstalling the program brings it back.")
                         .arg(file, loader.errorString());
        return factory;
    }
    if (error)
        *error = QStringLiteral("The web page cannot start: its plugin is missing (looked for %1). "
                                "The installation may be incomplete; reinstalling the program "
                                "brings it back.")
                     .arg(files.join(QStringLiteral(" and ")));
    return nullptr;
}

} // namespace

std::optional<WebPage::ListenAddress> WebPage::parseListenAddress(const QString& text)
{
    QString host;
    QString number = text.trimmed();
    const qsizetype colon = number.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0) {
        host = number.left(colon);
        number = number.mid(colon + 1);
        if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
            host = host.mid(1, host.size() - 2);
    }
    bool ok = false;
    const int port = number.toInt(&ok);
    if (!ok || port <= 0 || port > 65535)
        return std::nullopt;
    ListenAddress address{QStringLiteral("127.0.0.1"), quint16(port)};
    if (host == QLatin1String("*")) {
        address.host = QStringLiteral("0.0.0.0");
    } else if (colon >= 0 && host != QLatin1String("localhost")) {
        // A numeric address, read by the C library: the network libraries stay unloaded. An
        // IPv6 address may name its interface after a '%'.
        const QByteArray bytes = host.toLatin1();
        const qsizetype scope = bytes.indexOf('%');
        const QByteArray v6Part = scope < 0 ? bytes : bytes.left(scope);
        in6_addr parsed{};
        const bool v4 = scope < 0 && inet_pton(AF_INET, bytes.constData(), &parsed) == 1;
        const bool v6 =
            scope != bytes.size() - 1 && inet_pton(AF_INET6, v6Part.constData(), &parsed) == 1;
        if (!v4 && !v6)
            return std::nullopt;
        address.host = host;
    }
    return address;
}

bool WebPage::enabledInSettings()
{
    return Settings().GetBool(QString::fromLatin1(Section), QStringLiteral("Enabled"), false);
}

std::unique_ptr<WebPage> WebPage::load(SharedState& state, Receiver& receiver, Session& session,
                                       SerialPort& port, DisplayOptions& options, QString* error)
{
    WebPageFactory* factory = loadFactory(error);
    return factory ? factory->create(state, receiver, session, port, options) : nullptr;
}
