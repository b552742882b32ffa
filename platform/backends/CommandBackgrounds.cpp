#include "CommandBackgrounds.h"

#include "BackendError.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>
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

bool CommandBackground::show(const QString &path, const QStringList &extra, QString *error) {
    QString why;
    const QStringList copies = m_copies.prepare({path}, m_plainPathOnly, &why);
    if (copies.isEmpty() || !m_runner.run(m_program, m_arguments(copies.first()) + extra, &why))
        return refused(name(), why, error);
    m_copies.accept(copies);
    return true;
}

bool LxdeBackground::apply(const QString &path, const QImage &, QString *error) {
    // Once spanned, pcmanfm would stretch one monitor's picture over the
    // whole screen; its own saved settings tell even after a restart of ours.
    const QString folder = m_session.settingsFolder ? m_session.settingsFolder() : QString();
    QFile first(folder + QStringLiteral("/desktop-items-0.conf"));
    const bool spanned = !folder.isEmpty() && first.open(QIODevice::ReadOnly) &&
                         first.readAll().contains("\nwallpaper_mode=screen\n");
    return show(path, spanned ? QStringList{QStringLiteral("--wallpaper-mode=fit")} : QStringList(),
                error);
}

bool LxdeBackground::applySpanning(const QString &path, const QImage &, QString *error) {
    if (!show(path, {QStringLiteral("--wallpaper-mode=screen")}, error))
        return false;
    spanOtherMonitors(path);
    return true;
}

void LxdeBackground::spanOtherMonitors(const QString &path) {
    const QString folder = m_session.settingsFolder ? m_session.settingsFolder() : QString();
    if (folder.isEmpty())
        return;
    // The other monitors keep the canvas's own path, so only its time tells
    // pcmanfm that the picture is new, and it compares whole seconds.
    QFile canvas(path);
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    m_stamp = std::max(now, m_stamp + 1);
    if (canvas.open(QIODevice::ReadWrite))
        canvas.setFileTime(QDateTime::fromSecsSinceEpoch(m_stamp),
                           QFileDevice::FileModificationTime);
    // Each monitor pcmanfm has seen has a file, the first one's kept by
    // pcmanfm itself from the command line.
    const QRegularExpression other(QStringLiteral("^desktop-items-([1-9][0-9]*)\\.conf$"));
    const QStringList files = QDir(folder).entryList({QStringLiteral("desktop-items-*.conf")});
    for (const QString &name : files) {
        QFile file(QDir(folder).filePath(name));
        if (!other.match(name).hasMatch() || !file.open(QIODevice::ReadOnly))
            continue;
        QSaveFile out(file.fileName());
        if (out.open(QIODevice::WriteOnly) &&
            out.write(spanningSettings(file.readAll(), QFileInfo(path).absoluteFilePath())) >= 0)
            out.commit();
    }
    if (m_session.announceWorkspace)
        m_session.announceWorkspace();
}

QByteArray LxdeBackground::spanningSettings(const QByteArray &settings, const QString &picture) {
    QStringList lines = QString::fromUtf8(settings).split(u'\n');
    qsizetype start = lines.indexOf(QStringLiteral("[*]"));
    if (start < 0)
        lines.prepend(QStringLiteral("[*]")), start = 0;
    qsizetype end = start + 1;
    while (end < lines.size() && !lines[end].startsWith(u'['))
        ++end;
    int workspaces = 1;
    for (qsizetype i = end - 1; i > start; --i) {
        if (!lines[i].startsWith(QStringLiteral("wallpaper")))
            continue;
        if (lines[i].startsWith(QStringLiteral("wallpapers_configured=")))
            workspaces = std::max(workspaces, lines[i].section(u'=', 1).toInt());
        lines.removeAt(i);
    }
    // The key file's escapes (the path is absolute: no leading blank to keep).
    QString value = picture;
    value.replace(u'\\', QStringLiteral("\\\\"))
        .replace(u'\n', QStringLiteral("\\n"))
        .replace(u'\r', QStringLiteral("\\r"))
        .replace(u'\t', QStringLiteral("\\t"));
    QStringList group{QStringLiteral("wallpaper_mode=screen"), QStringLiteral("wallpaper_common=0"),
                      QStringLiteral("wallpapers_configured=%1").arg(workspaces)};
    for (int i = 0; i < workspaces; ++i)
        group << QStringLiteral("wallpaper%1=").arg(i) + value;
    for (qsizetype i = 0; i < group.size(); ++i)
        lines.insert(start + 1 + i, group[i]);
    return lines.join(u'\n').toUtf8();
}

bool LxqtBackground::apply(const QString &path, const QImage &image, QString *error) {
    // pcmanfm-qt keeps the last picture it had to scale, known by path and
    // size alone, and names its file in wallpaper.cache.info. Once it scaled
    // one of the copies (a monitor came or went), that copy shown again at
    // that size would come back with its old pixels: such a note goes.
    QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
    if (cache.isEmpty())
        cache = QDir::homePath() + QStringLiteral("/.cache");
    const QFileInfo source(path);
    const QString copies = source.absolutePath() + u'/' + source.completeBaseName() + u'-';
    QDirIterator notes(cache + QStringLiteral("/pcmanfm-qt"),
                       {QStringLiteral("wallpaper.cache.info")}, QDir::Files,
                       QDirIterator::Subdirectories);
    while (notes.hasNext()) {
        QFile note(notes.next());
        if (note.open(QIODevice::ReadOnly) &&
            QString::fromLocal8Bit(note.readLine()).startsWith(copies))
            note.remove();
    }
    return CommandBackground::apply(path, image, error);
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
