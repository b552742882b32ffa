#include "CommandLine.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

struct Command {
    const char *name;
    const char *description;
};

// Each becomes an option of the same name and the word sent to the running copy.
constexpr Command Commands[] = {
    {"next", "Switch the running copy to the next picture now."},
    {"previous", "Bring back the picture the running copy showed before this one."},
    {"remove-current", "Take the picture now shown out of the list (the file stays) and switch."},
    {"history", "Print the pictures the running copy has shown, newest first."},
    {"settings", "Open the settings window of the running copy."},
    {"quit", "End the running copy."},
    {"pause", "Stop the running copy's timed switches until --resume."},
    {"resume", "Let the running copy's timer switch pictures again."},
    {"status", "Print the running copy's picture, order, interval, pause, next switch and the "
               "list line the picture comes from."},
};

const QStringList StatusKeys = {QStringLiteral("picture"), QStringLiteral("order"),
                                QStringLiteral("interval"), QStringLiteral("paused"),
                                QStringLiteral("next")};

// A picture's name may hold anything a file name can: control characters
// would steer the terminal or break the one-line-per-key form.
QString escapeControls(const QString &text) {
    QString out;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\n')
            out += QLatin1String("\\n");
        else if (u == '\t')
            out += QLatin1String("\\t");
        else if (u < 0x20 || (u >= 0x7f && u < 0xa0))
            out += QStringLiteral("\\x%1").arg(int(u), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

} // namespace

CommandLine parseCommandLine(const QStringList &arguments, const QString &version) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Mirell rotates the desktop wallpaper through a list of pictures.\n"
                       "Without an option it starts; with one it asks the running copy."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    for (const Command &command : Commands)
        parser.addOption(
            {QString::fromLatin1(command.name), QString::fromLatin1(command.description)});
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("With --status: print one JSON object."));
    parser.addOption(json);
    const QCommandLineOption autostart(
        QStringLiteral("autostart"),
        QStringLiteral("Start at login: on, off, or without a value, tell whether it is on."));
    parser.addOption(autostart);
    const QCommandLineOption start(
        QStringLiteral("start"),
        QStringLiteral(
            "With --next, --previous, --settings, --pause or --resume: start Mirell first "
            "when it is not running."));
    parser.addOption(start);
    const QCommandLineOption login(
        QStringLiteral("login"),
        QStringLiteral("Started at login: without a notification area, rotate in the "
                       "background and say once how to reach the settings."));
    parser.addOption(login);
    parser.addPositionalArgument(QStringLiteral("on|off"),
                                 QStringLiteral("With --autostart: turn it on or off."),
                                 QStringLiteral("[on|off]"));

    // Without an application object Qt cannot name the program in its usage line.
    const QString program = QFileInfo(arguments.value(0, QStringLiteral("mirell"))).fileName();
    const auto helpText = [&] {
        return parser.helpText().replace(QStringLiteral("<executable_name>"), program);
    };
    CommandLine result;
    const auto usageError = [&](const QString &message) {
        result.action = CommandLine::Action::UsageError;
        result.text = message + QLatin1Char('\n') + helpText();
        return result;
    };
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    // QCommandLineParser has no optional option values: the switch comes as a
    // positional word, and only --autostart takes one.
    const QStringList words = parser.positionalArguments();
    const bool autostartWord =
        words.size() == 1 && parser.isSet(autostart) &&
        (words.constFirst() == QLatin1String("on") || words.constFirst() == QLatin1String("off"));
    if (!words.isEmpty() && !autostartWord)
        return usageError(QStringLiteral("Unexpected argument: %1")
                              .arg(parser.positionalArguments().constFirst()));
    if (parser.isSet(help)) {
        result.action = CommandLine::Action::Help;
        result.text = helpText();
        return result;
    }
    if (parser.isSet(versionOption)) {
        result.action = CommandLine::Action::Version;
        result.text = QStringLiteral("Mirell %1\n").arg(version);
        return result;
    }
    QStringList chosen;
    for (const Command &command : Commands) {
        if (parser.isSet(QString::fromLatin1(command.name)))
            chosen << QString::fromLatin1(command.name);
    }
    if (parser.isSet(login) && (!chosen.isEmpty() || parser.isSet(start)))
        return usageError(QStringLiteral("--login goes alone."));
    if (parser.isSet(start) &&
        (chosen.size() != 1 ||
         !QStringList{"next", "previous", "settings", "pause", "resume"}.contains(
             chosen.constFirst())))
        return usageError(QStringLiteral(
            "--start goes with --next, --previous, --settings, --pause or --resume."));
    if (parser.isSet(autostart)) {
        if (!chosen.isEmpty() || parser.isSet(json) || parser.isSet(login))
            return usageError(QStringLiteral("Give one command at a time."));
        result.action = CommandLine::Action::Autostart;
        result.text = words.value(0);
        return result;
    }
    if (chosen.size() > 1)
        return usageError(QStringLiteral("Give one command at a time."));
    if (parser.isSet(json) && chosen != QStringList{QStringLiteral("status")})
        return usageError(QStringLiteral("--json goes with --status only."));
    if (!chosen.isEmpty()) {
        result.action = CommandLine::Action::Send;
        result.command = chosen.constFirst();
        result.json = parser.isSet(json);
        result.orStart = parser.isSet(start);
    }
    result.atLogin = parser.isSet(login);
    return result;
}

QByteArray formatStatus(const QJsonObject &status, bool json) {
    if (json)
        return QJsonDocument(status).toJson(QJsonDocument::Compact) + '\n';
    QByteArray out;
    const auto keyLine = [&](const QString &key) {
        const QJsonValue value = status.value(key);
        QString text;
        if (value.isBool())
            text = value.toBool() ? QStringLiteral("yes") : QStringLiteral("no");
        else if (value.isDouble())
            text = QString::number(value.toInteger());
        else if (value.isString())
            text = escapeControls(value.toString());
        out += (key + QStringLiteral(": ") + text).toUtf8() + '\n';
    };
    for (const QString &key : StatusKeys)
        keyLine(key);
    // "monitor: HDMI-1 1920x1080+0+0 /path/picture.jpg", a line for each, the
    // place written as X11 geometry is.
    const QJsonArray monitors = status.value(QStringLiteral("monitors")).toArray();
    for (const QJsonValue &monitor : monitors) {
        const QJsonObject m = monitor.toObject();
        const QJsonObject g = m.value(QStringLiteral("geometry")).toObject();
        const auto number = [&g](const char *key, bool sign) {
            const qint64 n = g.value(QLatin1String(key)).toInteger();
            return (sign && n >= 0 ? QStringLiteral("+") : QString()) + QString::number(n);
        };
        const QString place = number("width", false) + u'x' + number("height", false) +
                              number("x", true) + number("y", true);
        out += QStringLiteral("monitor: %1 %2 %3")
                   .arg(escapeControls(m.value(QStringLiteral("name")).toString()), place,
                        escapeControls(m.value(QStringLiteral("picture")).toString()))
                   .toUtf8() +
               '\n';
    }
    // Last, so that the lines scripts already read stay where they were.
    keyLine(QStringLiteral("source"));
    return out;
}
