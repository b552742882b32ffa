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
    : m_timeoutMs(timeoutMs), m_alias(std::move(alias)) {}

QString KdeBackground::script(const QString &url) {
    return QStringLiteral("var url = %1;\n"
                          "var all = desktops();\n"
                          "for (var i = 0; i < all.length; ++i) {\n"
                          "    var d = all[i];\n"
                          "    d.wallpaperPlugin = 'org.kde.image';\n"
                          "    d.currentConfigGroup = ['Wallpaper', 'org.kde.image', 'General'];\n"
                          "    d.writeConfig('Image', url);\n"
                          "}\n")
        .arg(jsonStringLiteral(url));
}

bool KdeBackground::apply(const QString &path, const QImage &, QString *error) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        setError(error, QStringLiteral("KDE Plasma cannot be reached: no D-Bus session bus (%1)")
                            .arg(bus.lastError().message()));
        return false;
    }
    // Plasma keeps the picture it loaded for a path, so each switch names the
    // other of two copies.
    const QString alias = m_alias.prepare(path, error);
    if (alias.isEmpty())
        return false;

    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.kde.plasmashell"), QStringLiteral("/PlasmaShell"),
        QStringLiteral("org.kde.PlasmaShell"), QStringLiteral("evaluateScript"));
    call << script(QUrl::fromLocalFile(alias).toString(QUrl::FullyEncoded));
    const QDBusMessage reply = bus.call(call, QDBus::Block, m_timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        setError(error, QStringLiteral("KDE Plasma did not take the wallpaper: %1")
                            .arg(reply.errorMessage().isEmpty() ? reply.errorName()
                                                                : reply.errorMessage()));
        return false;
    }
    m_alias.accept(alias);
    return true;
}
