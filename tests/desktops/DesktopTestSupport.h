#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Shared pieces of the desktop backend tests.
namespace DesktopTest {

// Folder names that break naive quoting in a shell, a command parser, a
// GVariant or JavaScript literal, or a URL.
QStringList hostileFolderNames();

// Writes a small real BMP at folder/MirellWP.bmp and returns its path.
QString writeComposedFile(const QString &folder, int seed);

QByteArray contentOf(const QString &path);

// Puts an executable script named `program` into `folder` that records the
// arguments of each run, NUL-separated, into folder/calls/<n>, prints `reply`
// and exits with `exitCode`. With hang it sleeps instead of exiting.
void writeStub(const QString &folder, const QString &program, const QString &reply = {},
               int exitCode = 0, bool hang = false);
// The argument lists of every recorded run of the stubs in `folder`, in order.
QList<QStringList> recordedCalls(const QString &folder);

// Undoes the quoting of a GVariant string as gsettings and dconf print it.
QString decodeVariantString(const QString &printed, bool *ok);

// Runs a program to its end (at most 20 s) and returns its standard output.
QString runTool(const QString &program, const QStringList &arguments, int *exitCode = nullptr);

// A private D-Bus session with its own home, config, data, cache and runtime
// folders, all exported to this process (and so to every program it starts)
// before any bus use. Services are activated from the system's folders.
class PrivateSession {
  public:
    PrivateSession();
    ~PrivateSession();
    bool isRunning() const { return !m_address.isEmpty(); }
    QString address() const { return m_address; }
    QString root() const { return m_dir.path(); }

  private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
};

// Reads the lines a long-running watcher prints until one contains `needle`
// or the deadline passes.
bool waitForOutput(QProcess &watcher, QString &seen, const QString &needle, int ms = 15000);

} // namespace DesktopTest
