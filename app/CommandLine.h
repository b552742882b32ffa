#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

// What a start of the program is asked to do, read from its arguments alone.
struct CommandLine {
    enum class Action {
        Start,      // no command: the program itself
        Send,       // a command for the running copy
        Help,       // text goes to stdout, exit 0
        Version,    // text goes to stdout, exit 0
        UsageError, // text goes to stderr, exit 2
        Autostart,  // text: "", "on" or "off"
    };
    Action action = Action::Start;
    QString command; // Send: the word sent to the running copy ("next", "status", ...)
    bool json = false;
    // Send: when no copy runs, start one that does the command (the menu entry's actions).
    bool orStart = false;
    // Start: by the desktop at login (the autostart entry).
    bool atLogin = false;
    QString text;
};

// arguments as main() gets them, the program's own path first.
CommandLine parseCommandLine(const QStringList &arguments, const QString &version);

// A status as the running copy sends it, for the terminal: one "key: value"
// a line in a fixed order, or the object itself as one line of JSON.
QByteArray formatStatus(const QJsonObject &status, bool json);
