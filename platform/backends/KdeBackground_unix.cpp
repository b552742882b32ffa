#include "KdeBackground_unix.h"

#include "BackendError.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QUrl>

namespace {

QString jsonStringLiteral(const QString &text) {
    QString array =
        QString::fromUtf8(QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact));
    // JSON allows these two raw, older JavaScript engines end a line at them.
    array.replace(QChar(0x2028), QStringLiteral("\\u2028"));
    array.replace(QChar(0x2029), QStringLiteral("\\u2029"));
    return array.mid(1, array.size() - 2);
}

} // namespace

KdeBackground::KdeBackground(int timeoutMs, AliasFile alias)
    : m_timeoutMs(timeoutMs), m_copies(std::move(alias)) {}

QString KdeBackground::script(const QStringList &urls, const QList<QRect> &screens) {
    QJsonArray places;
    for (const QRect &r : screens)
        places.append(QJsonArray{r.x(), r.y(), r.width(), r.height()});
    QStringList literals;
    for (const QString &url : urls)
        literals << jsonStringLiteral(url);
    // A desktop's screen is found by its place; failing that by Plasma's
    // number for it (0 is the primary), and failing that it takes the primary's.
    return QStringLiteral(
               "var urls = [%1];\n"
               "var screens = %2;\n"
               "var all = desktops();\n"
               "for (var i = 0; i < all.length; ++i) {\n"
               "    var d = all[i];\n"
               "    var k = d.screen >= 0 && d.screen < urls.length ? d.screen : 0;\n"
               "    var g = typeof screenGeometry == 'function' && d.screen >= 0\n"
               "        ? screenGeometry(d.screen) : null;\n"
               "    for (var j = 0; g && j < screens.length; ++j) {\n"
               "        var s = screens[j];\n"
               "        if (g.x == s[0] && g.y == s[1] && g.width == s[2] && g.height == s[3])\n"
               "            k = j;\n"
               "    }\n"
               "    d.wallpaperPlugin = 'org.kde.image';\n"
               "    d.currentConfigGroup = ['Wallpaper', 'org.kde.image', 'General'];\n"
               "    d.writeConfig('Image', urls[k]);\n"
               "}\n")
        .arg(literals.join(QStringLiteral(", ")),
             QString::fromUtf8(QJsonDocument(places).toJson(QJsonDocument::Compact)));
}

bool KdeBackground::apply(const QString &path, const QImage &image, QString *error) {
    return applyEach({{MonitorInfo{}, path, image}}, error);
}

bool KdeBackground::applyEach(const QList<MonitorPicture> &pictures, QString *error) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        setError(error, QStringLiteral("KDE Plasma cannot be reached: no D-Bus session bus (%1)")
                            .arg(bus.lastError().message()));
        return false;
    }
    // Plasma keeps the picture it loaded for a path, so each switch names the
    // other of two copies.
    QStringList sources, urls;
    QList<QRect> screens;
    for (const MonitorPicture &picture : pictures) {
        sources << picture.path;
        screens << picture.monitor.geometry;
    }
    const QStringList copies = m_copies.prepare(sources, false, error);
    if (copies.isEmpty())
        return false;
    for (const QString &copy : copies)
        urls << QUrl::fromLocalFile(copy).toString(QUrl::FullyEncoded);

    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.kde.plasmashell"), QStringLiteral("/PlasmaShell"),
        QStringLiteral("org.kde.PlasmaShell"), QStringLiteral("evaluateScript"));
    call << script(urls, screens);
    const QDBusMessage reply = bus.call(call, QDBus::Block, m_timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        setError(error, QStringLiteral("KDE Plasma did not take the wallpaper: %1")
                            .arg(reply.errorMessage().isEmpty() ? reply.errorName()
                                                                : reply.errorMessage()));
        return false;
    }
    m_copies.accept(copies);
    return true;
}
