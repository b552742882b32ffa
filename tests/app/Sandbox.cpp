#include "Sandbox.h"

#include "SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// Where QSettingsStore keeps its file, relative to XDG_CONFIG_HOME.
QString iniRelativePath() {
    static const QString relative = [] {
        QTemporaryDir probe;
        const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", probe.path().toUtf8());
        const QString location = QSettingsStore().location();
        qputenv("XDG_CONFIG_HOME", saved);
        return QDir(probe.path()).relativeFilePath(location);
    }();
    return relative;
}

} // namespace

Sandbox::Sandbox(bool withTimerPlugin) {
    QDir dir(m_dir.path());
    for (const char *sub : {"prog", "config", "run", "home"})
        dir.mkpath(QString::fromLatin1(sub));
    QFile::setPermissions(dir.filePath(QStringLiteral("run")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    const QDir bin(QStringLiteral(MIRELL_BIN_DIR));
    m_valid = QFile::copy(bin.filePath(QStringLiteral("mirell")), programPath());
    if (withTimerPlugin) {
        const QStringList plugins = bin.entryList({QStringLiteral("Chronome*")}, QDir::Files);
        m_valid = m_valid && !plugins.isEmpty();
        for (const QString &plugin : plugins)
            m_valid = m_valid &&
                      QFile::copy(bin.filePath(plugin), QDir(programFolder()).filePath(plugin));
    }
}

Sandbox::~Sandbox() {
    for (QProcess *p : m_processes) {
        if (p->state() != QProcess::NotRunning) {
            p->kill();
            p->waitForFinished(3000);
        }
        delete p;
    }
}

QString Sandbox::programFolder() const {
    return m_dir.filePath(QStringLiteral("prog"));
}

QString Sandbox::programPath() const {
    return QDir(programFolder()).filePath(QStringLiteral("mirell"));
}

QString Sandbox::iniPath() const {
    return QDir(m_dir.filePath(QStringLiteral("config"))).filePath(iniRelativePath());
}

std::unique_ptr<SettingsStore> Sandbox::store() const {
    QDir().mkpath(QFileInfo(iniPath()).absolutePath());
    return std::make_unique<QSettingsStore>(iniPath());
}

QString Sandbox::value(const QString &section, const QString &key) const {
    return store()->get(section, key, QStringLiteral("<absent>"));
}

QProcess *Sandbox::start() {
    auto *p = new QProcess;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.filePath(QStringLiteral("run")));
    env.insert(QStringLiteral("HOME"), m_dir.filePath(QStringLiteral("home")));
    // No session bus: the tray and the wallpaper go the plain X11 way.
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
               QStringLiteral("unix:path=/nonexistent/bus"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    p->setProcessEnvironment(env);
    p->setWorkingDirectory(m_dir.path());
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p->start(programPath(), {});
    p->waitForStarted(10000);
    m_processes << p;
    return p;
}

QString writePicture(const QString &path, const QSize &size, const QColor &color) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    image.save(path, "BMP");
    return path;
}

bool colorNear(const QImage &image, const QPoint &p, const QColor &color) {
    if (!image.valid(p))
        return false;
    const QColor c = image.pixelColor(p);
    return qAbs(c.red() - color.red()) <= 8 && qAbs(c.green() - color.green()) <= 8 &&
           qAbs(c.blue() - color.blue()) <= 8;
}
