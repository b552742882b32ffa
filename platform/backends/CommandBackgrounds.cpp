#include "CommandBackgrounds.h"

#include "BackendError.h"

namespace {

bool refused(const QString &desktop, const QString &why, QString *error) {
    setError(error, QStringLiteral("%1 did not take the wallpaper: %2").arg(desktop, why));
    return false;
}

} // namespace

bool CommandBackground::apply(const QString &path, const QImage &, QString *error) {
    const QString alias = m_alias.prepare(path, error);
    if (alias.isEmpty())
        return false;
    if (m_plainPathOnly && !AliasFile::isPlainPath(alias)) // a last guard: a shell expands it
        return refused(name(), QStringLiteral("the picture's path is not plain: ") + alias, error);
    QString why;
    if (!m_runner.run(m_program, m_arguments(alias), &why))
        return refused(name(), why, error);
    m_alias.accept(alias);
    return true;
}

bool HyprlandBackground::hyprpaper(const QStringList &arguments, bool answerMatters,
                                   QString *error) const {
    QString reply;
    if (!m_runner.run(QStringLiteral("hyprctl"),
                      QStringList{QStringLiteral("hyprpaper")} + arguments, error, &reply))
        return false;
    // hyprctl passes hyprpaper's answer on and exits with 0 either way.
    const QString answer = reply.trimmed();
    if (answerMatters && !answer.isEmpty() &&
        !answer.startsWith(QStringLiteral("ok"), Qt::CaseInsensitive)) {
        setError(error, QStringLiteral("hyprpaper answered: ") + answer);
        return false;
    }
    return true;
}

bool HyprlandBackground::apply(const QString &path, const QImage &, QString *error) {
    const QString alias = m_alias.prepare(path, error);
    if (alias.isEmpty())
        return false;
    if (!AliasFile::isPlainPath(alias))
        return refused(name(), QStringLiteral("the picture's path is not plain: ") + alias, error);
    // hyprpaper may still hold this copy's old pixels from two switches ago;
    // it only has to drop them if it has them, so its answer does not matter.
    QString why;
    if (!hyprpaper({QStringLiteral("unload"), alias}, false, &why) ||
        !hyprpaper({QStringLiteral("preload"), alias}, true, &why) ||
        !hyprpaper({QStringLiteral("wallpaper"), QStringLiteral(",") + alias}, true, &why))
        return refused(name(), why, error);
    if (!m_shown.isEmpty() && m_shown != alias)
        hyprpaper({QStringLiteral("unload"), m_shown}, false, nullptr);
    m_shown = alias;
    m_alias.accept(alias);
    return true;
}
