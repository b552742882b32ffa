#include "XfceBackground.h"

#include "BackendError.h"

namespace {

const QString channel = QStringLiteral("xfce4-desktop");

} // namespace

bool XfceBackground::setProperty(const QString &property, const QString &value,
                                 QString *error) const {
    return m_runner.run(QStringLiteral("xfconf-query"),
                        {QStringLiteral("-c"), channel, QStringLiteral("-p"), property,
                         QStringLiteral("-s"), value},
                        error);
}

bool XfceBackground::apply(const QString &path, const QImage &image, QString *error) {
    return applyEach({{MonitorInfo{}, path, image}}, error);
}

bool XfceBackground::applyEach(const QList<MonitorPicture> &pictures, QString *error) {
    QString listing, why;
    if (!m_runner.run(QStringLiteral("xfconf-query"),
                      {QStringLiteral("-c"), channel, QStringLiteral("-p"),
                       QStringLiteral("/backdrop"), QStringLiteral("-l")},
                      &why, &listing)) {
        setError(error, QStringLiteral("XFCE's desktop settings cannot be read: %1").arg(why));
        return false;
    }
    // xfdesktop 4.14 and later read .../last-image, older ones .../image-path.
    QStringList properties;
    for (const QString &line : listing.split(u'\n', Qt::SkipEmptyParts)) {
        const QString property = line.trimmed();
        if (property.endsWith(QStringLiteral("/last-image")) ||
            property.endsWith(QStringLiteral("/image-path")))
            properties << property;
    }
    if (properties.isEmpty()) {
        setError(error, QStringLiteral("XFCE's desktop has no wallpaper settings yet; choose a "
                                       "wallpaper once in its Desktop settings"));
        return false;
    }
    // ".../monitorHDMI-1/workspace0/last-image" is HDMI-1's; a property of a
    // monitor that is not there now (or of "monitor0", before xfdesktop named
    // them) takes the primary's picture.
    const auto pictureFor = [&pictures](const QString &property) {
        for (const MonitorPicture &p : pictures)
            if (!p.monitor.name.isEmpty() &&
                property.contains(QStringLiteral("/monitor") + p.monitor.name + u'/'))
                return p.path;
        return pictures.first().path;
    };
    for (const QString &property : std::as_const(properties)) {
        const QString path = pictureFor(property);
        // xfconf ignores a write of the value it already holds, and the path
        // never changes: blank it first so xfdesktop hears of the new picture.
        if (!setProperty(property, QString(), &why) || !setProperty(property, path, &why)) {
            setError(error,
                     QStringLiteral("XFCE did not take the wallpaper (%1): %2").arg(property, why));
            return false;
        }
    }
    return true;
}
