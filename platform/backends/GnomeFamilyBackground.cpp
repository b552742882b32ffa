#include "GnomeFamilyBackground.h"

#include "BackendError.h"

#include <QUrl>

GnomeFamilyBackground::GnomeFamilyBackground(Flavour flavour, CommandRunner runner, AliasFile alias)
    : m_flavour(flavour), m_runner(runner), m_alias(std::move(alias)) {
    switch (flavour) {
    case Flavour::Gnome:
        m_schema = QStringLiteral("org.gnome.desktop.background");
        // The dark key exists from GNOME 42 on and is used under the dark style.
        m_wantedKeys = {QStringLiteral("picture-uri"), QStringLiteral("picture-uri-dark")};
        break;
    case Flavour::Cinnamon:
        m_schema = QStringLiteral("org.cinnamon.desktop.background");
        m_wantedKeys = {QStringLiteral("picture-uri")};
        break;
    case Flavour::Mate:
        m_schema = QStringLiteral("org.mate.background");
        m_wantedKeys = {QStringLiteral("picture-filename")};
        break;
    }
}

QString GnomeFamilyBackground::name() const {
    switch (m_flavour) {
    case Flavour::Gnome:
        return QStringLiteral("GNOME");
    case Flavour::Cinnamon:
        return QStringLiteral("Cinnamon");
    case Flavour::Mate:
        break;
    }
    return QStringLiteral("MATE");
}

QString GnomeFamilyBackground::variantLiteral(const QString &text) {
    QString literal = QStringLiteral("'");
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\\' || u == u'\'') {
            literal += u'\\';
            literal += c;
        } else if (u < 0x20 || u == 0x7f || u == 0x2028 || u == 0x2029) {
            literal += QStringLiteral("\\u%1").arg(int(u), 4, 16, QChar(u'0'));
        } else {
            literal += c;
        }
    }
    return literal + u'\'';
}

bool GnomeFamilyBackground::findKeys(QString *error) {
    if (!m_keys.isEmpty())
        return true;
    QString listing, why;
    if (!m_runner.run(QStringLiteral("gsettings"), {QStringLiteral("list-keys"), m_schema}, &why,
                      &listing)) {
        setError(error, QStringLiteral("the %1 background settings (%2) are not available: %3")
                            .arg(name(), m_schema, why));
        return false;
    }
    const QStringList present = listing.split(u'\n', Qt::SkipEmptyParts);
    for (const QString &key : m_wantedKeys) {
        if (present.contains(key))
            m_keys << key;
    }
    if (!m_keys.contains(m_wantedKeys.first())) {
        m_keys.clear();
        setError(error, QStringLiteral("the %1 background settings (%2) have no key %3")
                            .arg(name(), m_schema, m_wantedKeys.first()));
        return false;
    }
    return true;
}

namespace {
const QString Placement = QStringLiteral("picture-options");
}

bool GnomeFamilyBackground::apply(const QString &path, const QImage &, QString *error) {
    if (!setPicture(path, error))
        return false;
    if (!m_userPlacement.isEmpty() && setPlacement(m_userPlacement, error))
        m_userPlacement.clear();
    return true;
}

bool GnomeFamilyBackground::applySpanning(const QString &path, const QImage &, QString *error) {
    if (m_userPlacement.isEmpty()) {
        QString why, current;
        if (!m_runner.run(QStringLiteral("gsettings"), {QStringLiteral("get"), m_schema, Placement},
                          &why, &current)) {
            setError(error,
                     QStringLiteral("%1 did not tell its picture placement: %2").arg(name(), why));
            return false;
        }
        m_userPlacement = current.trimmed();
    }
    return setPlacement(QStringLiteral("'spanned'"), error) && setPicture(path, error);
}

bool GnomeFamilyBackground::setPlacement(const QString &literal, QString *error) {
    QString why;
    if (m_runner.run(QStringLiteral("gsettings"),
                     {QStringLiteral("set"), m_schema, Placement, literal}, &why))
        return true;
    setError(
        error,
        QStringLiteral("%1 did not take the picture placement %2: %3").arg(name(), literal, why));
    return false;
}

bool GnomeFamilyBackground::setPicture(const QString &path, QString *error) {
    if (!findKeys(error))
        return false;
    // The settings store drops a write of an unchanged value without telling
    // anyone, so every switch names the other of two copies. Not for GNOME
    // Shell: it reloads the file it shows when that is replaced, but may take
    // a copy it showed a while ago from its cache, with the old picture.
    const bool shell = m_flavour == Flavour::Gnome;
    const QString alias = shell ? path : m_alias.prepare(path, error);
    if (alias.isEmpty())
        return false;
    const QString value = m_flavour == Flavour::Mate
                              ? alias
                              : QUrl::fromLocalFile(alias).toString(QUrl::FullyEncoded);
    for (const QString &key : std::as_const(m_keys)) {
        QString why;
        if (!m_runner.run(QStringLiteral("gsettings"),
                          {QStringLiteral("set"), m_schema, key, variantLiteral(value)}, &why)) {
            setError(error, QStringLiteral("%1 did not take the wallpaper (%2 %3): %4")
                                .arg(name(), m_schema, key, why));
            return false;
        }
    }
    if (!shell)
        m_alias.accept(alias);
    return true;
}
