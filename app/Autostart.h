#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

// Start at login: an XDG autostart entry on Linux, the per-user Run key on
// Windows. The text functions are pure; AutostartSlot is the only part that
// touches the system.
namespace Autostart {

// One argument as the Exec key of a desktop entry needs it: quoted when it
// holds a reserved character, "%" doubled, then escaped as a string value.
QString execArgument(const QString &argument);
// The arguments an Exec value stands for (string escapes undone, quotes
// removed, "%%" made "%", field codes dropped); nothing when it is malformed.
std::optional<QStringList> execArguments(const QString &execValue);

// The keys of the [Desktop Entry] group, values as written in the file.
QMap<QString, QString> entryKeys(const QString &text);
// The entry that starts program at login, after the tray is there.
QString entryText(const QString &program);

enum class State {
    Off,      // no entry
    On,       // our entry, starting this program
    Edited,   // an entry whose Exec starts something else
    Disabled, // turned off in the desktop's settings
};
// How an existing desktop entry (nothing: none) stands for program.
State classify(const std::optional<QString> &entry, const QString &program);

// Where this user's entry lives.
class AutostartSlot {
  public:
    virtual ~AutostartSlot() = default;
    virtual std::optional<QString> read() const = 0;
    virtual bool write(const QString &entry) = 0;
    virtual bool remove() = 0;
    virtual QString where() const = 0;
    // The entry that starts program, in this slot's form, and how an
    // existing one stands for program.
    virtual QString entryFor(const QString &program) const = 0;
    virtual State stateOf(const std::optional<QString> &entry, const QString &program) const = 0;
};
// The file under $XDG_CONFIG_HOME/autostart, or the Run key on Windows.
std::unique_ptr<AutostartSlot> userSlot();

// Prints the outcome of `--autostart [on|off]` ("" asks) to out/err and
// returns the exit status.
int runCommand(AutostartSlot &slot, const QString &program, const QString &value, QString *out,
               QString *err);

} // namespace Autostart

// The entry point for the command line: value is "", "on" or "off".
int runAutostartCommand(const QString &value);
