#pragma once

#include "AutostartStore.h"

#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

// Start at login: the entry's text, how an existing entry stands, and the
// command. The text functions are pure; the store touches the system.
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

// Why an entry in this form could not start program at login; empty when it can.
QString whyNotStartable(AutostartStore::Form form, const QString &program);

// Prints the outcome of `--autostart [on|off]` ("" asks) to out/err and
// returns the exit status.
int runCommand(AutostartStore &store, const QString &program, const QString &value, QString *out,
               QString *err);

} // namespace Autostart

// The entry point for the command line: value is "", "on" or "off".
int runAutostartCommand(const QString &value);
