#include "CommandBackgrounds.h"

#include "BackendError.h"

namespace {

bool refused(const QString &desktop, const QString &why, QString *error) {
    setError(error, QStringLiteral("%1 did not take the wallpaper: %2").arg(desktop, why));
    return false;
}

} // namespace

QString CommandBackground::prepareCopy(AliasFile &alias, const QString &path,
                                       QString *error) const {
    const QString copy = alias.prepare(path, error);
    if (copy.isEmpty())
        return {};
    if (m_plainPathOnly && !AliasFile::isPlainPath(copy)) { // a last guard: a shell expands it
        refused(name(), QStringLiteral("the picture's path is not plain: ") + copy, error);
        return {};
    }
    return copy;
}

bool CommandBackground::apply(const QString &path, const QImage &, QString *error) {
    const QString alias = prepareCopy(m_alias, path, error);
    if (alias.isEmpty())
        return false;
    QString why;
    if (!m_runner.run(m_program, m_arguments(alias), &why))
        return refused(name(), why, error);
    m_alias.accept(alias);
    return true;
}

bool SwayBackground::applyEach(const QList<MonitorPicture> &pictures, QString *error) {
    while (m_aliases.size() < pictures.size() - 1)
        m_aliases << m_alias.sibling();
    QStringList copies;
    for (qsizetype i = 0; i < pictures.size(); ++i) {
        const QString &output = pictures[i].monitor.name;
        // The name goes into sway's command line as the path does.
        if (!AliasFile::isPlainPath(output))
            return refused(name(), QStringLiteral("an output has no plain name: ") + output, error);
        AliasFile &alias = i == 0 ? m_alias : m_aliases[i - 1];
        copies << prepareCopy(alias, pictures[i].path, error);
        if (copies.last().isEmpty())
            return false;
    }
    for (qsizetype i = 0; i < pictures.size(); ++i) {
        QString why;
        if (!m_runner.run(m_program,
                          {QStringLiteral("output"), pictures[i].monitor.name, QStringLiteral("bg"),
                           copies[i], QStringLiteral("fill")},
                          &why))
            return refused(name(), why, error);
        (i == 0 ? m_alias : m_aliases[i - 1]).accept(copies[i]);
    }
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

bool HyprlandBackground::apply(const QString &path, const QImage &image, QString *error) {
    return applyEach({{MonitorInfo{}, path, image}}, error);
}

bool HyprlandBackground::applyEach(const QList<MonitorPicture> &pictures, QString *error) {
    while (m_aliases.size() < pictures.size() - 1)
        m_aliases << m_alias.sibling();
    QStringList copies;
    for (qsizetype i = 0; i < pictures.size(); ++i) {
        // An empty monitor name stands for every monitor.
        const QString &monitor = pictures[i].monitor.name;
        if (!monitor.isEmpty() && !AliasFile::isPlainPath(monitor))
            return refused(name(), QStringLiteral("a monitor has no plain name: ") + monitor,
                           error);
        const QString copy = (i == 0 ? m_alias : m_aliases[i - 1]).prepare(pictures[i].path, error);
        if (copy.isEmpty())
            return false;
        if (!AliasFile::isPlainPath(copy))
            return refused(name(), QStringLiteral("the picture's path is not plain: ") + copy,
                           error);
        copies << copy;
    }
    QString why;
    for (qsizetype i = 0; i < pictures.size(); ++i) {
        const QString &copy = copies[i];
        // hyprpaper may still hold this copy's old pixels from two switches
        // ago; it only has to drop them if it has them, so its answer does not
        // matter. A refused preload means a hyprpaper that has none.
        if (m_preloads) {
            hyprpaper({QStringLiteral("unload"), copy}, false, nullptr);
            QString refusal;
            if (!hyprpaper({QStringLiteral("preload"), copy}, true, &refusal)) {
                if (!refusal.startsWith(QStringLiteral("hyprpaper answered")))
                    return refused(name(), refusal, error);
                m_preloads = false;
            }
        }
        if (!hyprpaper({QStringLiteral("wallpaper"), pictures[i].monitor.name + u',' + copy}, true,
                       &why))
            return refused(name(), why, error);
    }
    for (const QString &old : std::as_const(m_shown))
        if (m_preloads && !copies.contains(old))
            hyprpaper({QStringLiteral("unload"), old}, false, nullptr);
    m_shown = copies;
    for (qsizetype i = 0; i < copies.size(); ++i)
        (i == 0 ? m_alias : m_aliases[i - 1]).accept(copies[i]);
    return true;
}
