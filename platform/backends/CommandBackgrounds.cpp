#include "CommandBackgrounds.h"

#include "BackendError.h"

#include <optional>

namespace {

bool refused(const QString &desktop, const QString &why, QString *error) {
    setError(error, QStringLiteral("%1 did not take the wallpaper: %2").arg(desktop, why));
    return false;
}

// The pictures' files when every monitor's name can pass through the
// desktop's command parser as the paths do; else nothing and *error says why.
std::optional<QStringList> sourcesOf(const QList<DesktopBackground::MonitorPicture> &pictures,
                                     bool emptyNameAllowed, const QString &desktop,
                                     QString *error) {
    QStringList sources;
    for (const DesktopBackground::MonitorPicture &picture : pictures) {
        const QString &monitor = picture.monitor.name;
        if (!(monitor.isEmpty() && emptyNameAllowed) && !AliasFile::isPlainPath(monitor)) {
            refused(desktop, QStringLiteral("a monitor has no plain name: ") + monitor, error);
            return std::nullopt;
        }
        sources << picture.path;
    }
    return sources;
}

} // namespace

bool CommandBackground::apply(const QString &path, const QImage &, QString *error) {
    QString why;
    const QStringList copies = m_copies.prepare({path}, m_plainPathOnly, &why);
    if (copies.isEmpty() || !m_runner.run(m_program, m_arguments(copies.first()), &why))
        return refused(name(), why, error);
    m_copies.accept(copies);
    return true;
}

bool SwayBackground::applyEach(const QList<MonitorPicture> &pictures, QString *error) {
    const std::optional<QStringList> sources = sourcesOf(pictures, false, name(), error);
    if (!sources)
        return false;
    QString why;
    const QStringList copies = m_copies.prepare(*sources, true, &why);
    if (copies.isEmpty())
        return refused(name(), why, error);
    for (qsizetype i = 0; i < pictures.size(); ++i) {
        if (!m_runner.run(m_program,
                          {QStringLiteral("output"), pictures[i].monitor.name, QStringLiteral("bg"),
                           copies[i], QStringLiteral("fill")},
                          &why))
            return refused(name(), why, error);
    }
    m_copies.accept(copies);
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
    // An empty monitor name stands for every monitor.
    const std::optional<QStringList> sources = sourcesOf(pictures, true, name(), error);
    if (!sources)
        return false;
    QString why;
    const QStringList copies = m_copies.prepare(*sources, true, &why);
    if (copies.isEmpty())
        return refused(name(), why, error);
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
    m_copies.accept(copies);
    return true;
}
