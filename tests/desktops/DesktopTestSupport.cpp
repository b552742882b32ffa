#include "DesktopTestSupport.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QThread>

namespace DesktopTest {

QStringList hostileFolderNames() {
    return {
        QStringLiteral("plain"),
        QStringLiteral("blank and 'single' \"double\" back\\slash"),
        QStringLiteral("$(touch pwned) `touch pwned2` ;|&<>#,*?~%"),
        QStringLiteral("line\nbreak"),
        QStringLiteral("壁紙 フォルダ"),
    };
}

QString writeComposedFile(const QString &folder, int seed) {
    QDir().mkpath(folder);
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(QColor::fromHsv((seed * 47) % 360, 200, 200));
    QPainter(&image).fillRect(seed % 40, 10, 8, 8, Qt::white);
    const QString path = folder + QStringLiteral("/MirellWP.bmp");
    image.save(path, "BMP");
    return path;
}

QByteArray contentOf(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeStub(const QString &folder, const QString &program, const QString &reply, int exitCode,
               bool hang) {
    QDir().mkpath(folder + QStringLiteral("/calls"));
    QFile script(folder + QStringLiteral("/") + program);
    script.open(QIODevice::WriteOnly | QIODevice::Truncate);
    QByteArray text = "#!/bin/sh\n"
                      "calls=\"$(dirname \"$0\")/calls\"\n"
                      "n=$(ls \"$calls\" | wc -l)\n"
                      "printf '%s\\0' \"$@\" > \"$calls/$(printf '%04d' \"$n\")\"\n";
    if (hang)
        text += "exec sleep 60\n";
    if (!reply.isEmpty())
        text += "printf '%s\\n' '" + reply.toUtf8() + "'\n";
    if (exitCode != 0)
        text += "echo 'stub refuses' >&2\n";
    text += "exit " + QByteArray::number(exitCode) + "\n";
    script.write(text);
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QList<QStringList> recordedCalls(const QString &folder) {
    QList<QStringList> calls;
    QDir dir(folder + QStringLiteral("/calls"));
    for (const QString &name : dir.entryList(QDir::Files, QDir::Name)) {
        QByteArray raw = contentOf(dir.filePath(name));
        QStringList arguments;
        for (const QByteArray &piece : raw.split('\0'))
            arguments << QString::fromUtf8(piece);
        arguments.removeLast(); // after the final NUL
        calls << arguments;
    }
    return calls;
}

QString decodeVariantString(const QString &printed, bool *ok) {
    *ok = false;
    const QString text = printed.trimmed();
    if (text.size() < 2 || (text.front() != u'\'' && text.front() != u'"') ||
        text.back() != text.front())
        return {};
    QString out;
    for (qsizetype i = 1; i < text.size() - 1; ++i) {
        const QChar c = text.at(i);
        if (c != u'\\') {
            out += c;
            continue;
        }
        if (++i >= text.size() - 1)
            return {};
        const QChar e = text.at(i);
        static const QString simple = QStringLiteral("abfnrtv");
        static const QString simpleOut = QStringLiteral("\a\b\f\n\r\t\v");
        if (simple.contains(e)) {
            out += simpleOut.at(simple.indexOf(e));
        } else if (e == u'u' || e == u'U') {
            const int digits = e == u'u' ? 4 : 8;
            bool hexOk = false;
            const char32_t code = text.mid(i + 1, digits).toUInt(&hexOk, 16);
            if (!hexOk)
                return {};
            out += QString::fromUcs4(&code, 1);
            i += digits;
        } else {
            out += e;
        }
    }
    *ok = true;
    return out;
}

QString runTool(const QString &program, const QStringList &arguments, int *exitCode) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(20000);
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromUtf8(process.readAllStandardOutput());
}

PrivateSession::PrivateSession() {
    const QString base = m_dir.path();
    const char *folders[][2] = {{"HOME", "/home"},
                                {"XDG_CONFIG_HOME", "/config"},
                                {"XDG_DATA_HOME", "/data"},
                                {"XDG_CACHE_HOME", "/cache"},
                                {"XDG_RUNTIME_DIR", "/runtime"}};
    for (const auto &folder : folders) {
        const QString path = base + QString::fromLatin1(folder[1]);
        QDir().mkpath(path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv(folder[0], QFile::encodeName(path));
    }
    // Schemas and the dconf and xfconf services come from the system.
    qputenv("XDG_DATA_DIRS", "/usr/local/share:/usr/share");
    qputenv("GSETTINGS_BACKEND", "dconf");
    qunsetenv("GSETTINGS_SCHEMA_DIR");

    m_daemon.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--session"), QStringLiteral("--nofork"),
                    QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
    if (!m_daemon.waitForStarted(10000))
        return;
    QDeadlineTimer deadline(10000);
    while (!m_daemon.canReadLine() && !deadline.hasExpired())
        m_daemon.waitForReadyRead(200);
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    if (!m_address.isEmpty())
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_address.toUtf8());
}

PrivateSession::~PrivateSession() {
    m_daemon.terminate();
    if (!m_daemon.waitForFinished(5000))
        m_daemon.kill();
    m_daemon.waitForFinished(2000);
}

bool waitForOutput(QProcess &watcher, QString &seen, const QString &needle, int ms) {
    QDeadlineTimer deadline(ms);
    while (true) {
        seen += QString::fromUtf8(watcher.readAllStandardOutput());
        if (seen.contains(needle))
            return true;
        if (deadline.hasExpired() || watcher.state() == QProcess::NotRunning)
            return false;
        watcher.waitForReadyRead(200);
    }
}

} // namespace DesktopTest
