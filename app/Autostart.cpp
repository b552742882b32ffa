#include "Autostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <utility>

namespace Autostart {

namespace {

const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");

// The string-value escapes of a desktop entry: the letter after the backslash
// and the character it stands for. "\s" is only ever read; a blank needs no
// escape inside a value.
constexpr std::pair<char, char> Escapes[] = {
    {'\\', '\\'}, {'n', '\n'}, {'t', '\t'}, {'r', '\r'}, {'s', ' '}};

QString escapeValue(const QString &text) {
    QString out;
    for (const QChar c : text) {
        const auto *e =
            std::find_if(std::begin(Escapes), std::end(Escapes) - 1,
                         [c](const auto &pair) { return c == QLatin1Char(pair.second); });
        if (e == std::end(Escapes) - 1) {
            out += c;
        } else {
            out += QLatin1Char('\\');
            out += QLatin1Char(e->first);
        }
    }
    return out;
}

QString unescapeValue(const QString &value) {
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar letter = value.at(++i);
        const auto *e =
            std::find_if(std::begin(Escapes), std::end(Escapes),
                         [letter](const auto &pair) { return letter == QLatin1Char(pair.first); });
        if (e == std::end(Escapes)) { // not an escape: kept as written
            out += QLatin1Char('\\');
            out += letter;
        } else {
            out += QLatin1Char(e->second);
        }
    }
    return out;
}

// "%%" is a percent sign; any other field code stands for files or URLs a
// launcher would pass, of which an autostart has none.
QString dropFieldCodes(const QString &argument) {
    QString out;
    for (qsizetype i = 0; i < argument.size(); ++i) {
        if (argument.at(i) != QLatin1Char('%')) {
            out += argument.at(i);
        } else if (++i < argument.size() && argument.at(i) == QLatin1Char('%')) {
            out += QLatin1Char('%');
        }
    }
    return out;
}

// Windows runs the Run value as a command line: our quoted path.
QString commandText(const QString &program) {
    return QLatin1Char('"') + QDir::toNativeSeparators(program) + QLatin1Char('"');
}

QString entryFor(AutostartStore::Form form, const QString &program) {
    return form == AutostartStore::Form::DesktopEntry ? entryText(program) : commandText(program);
}

State stateOf(AutostartStore::Form form, const std::optional<QString> &entry,
              const QString &program) {
    if (form == AutostartStore::Form::DesktopEntry || !entry)
        return classify(entry, program);
    return entry->trimmed() == commandText(program) ? State::On : State::Edited;
}

} // namespace

QString execArgument(const QString &argument) {
    QString text = argument;
    text.replace(QLatin1Char('%'), QLatin1String("%%"));
    const bool quote = text.isEmpty() || std::any_of(text.cbegin(), text.cend(),
                                                     [](QChar c) { return reserved.contains(c); });
    if (quote) {
        QString quoted = QStringLiteral("\"");
        for (const QChar c : std::as_const(text)) {
            if (QStringLiteral("\"`$\\").contains(c))
                quoted += QLatin1Char('\\');
            quoted += c;
        }
        text = quoted + QLatin1Char('"');
    }
    return escapeValue(text);
}

std::optional<QStringList> execArguments(const QString &execValue) {
    const QString exec = unescapeValue(execValue);
    QStringList arguments;
    QString current;
    bool inArgument = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (c == QLatin1Char('"')) {
            inArgument = true;
            for (++i;; ++i) {
                if (i >= exec.size())
                    return std::nullopt; // the quote never closes
                QChar q = exec.at(i);
                if (q == QLatin1Char('"'))
                    break;
                if (q == QLatin1Char('\\')) {
                    if (++i >= exec.size() || !QStringLiteral("\"`$\\").contains(exec.at(i)))
                        return std::nullopt;
                    q = exec.at(i);
                }
                current += q;
            }
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n')) {
            if (inArgument)
                arguments << dropFieldCodes(current);
            current.clear();
            inArgument = false;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inArgument)
        arguments << dropFieldCodes(current);
    arguments.removeAll(QString()); // what was only a field code
    return arguments;
}

QMap<QString, QString> entryKeys(const QString &text) {
    QMap<QString, QString> keys;
    bool inMain = false;
    for (const QString &raw : text.split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inMain = line == QLatin1String("[Desktop Entry]");
        } else if (inMain && !line.startsWith(QLatin1Char('#'))) {
            const qsizetype eq = line.indexOf(QLatin1Char('='));
            if (eq > 0)
                keys.insert(line.left(eq).trimmed(), line.mid(eq + 1).trimmed());
        }
    }
    return keys;
}

QString entryText(const QString &program) {
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Mirell\n"
                          "Comment=Wallpaper rotator in the notification area\n"
                          "Icon=" MIRELL_APP_ID "\n"
                          // At login a desktop without a notification area
                          // gets a note instead of the settings window.
                          "Exec=%1 --login\n"
                          // Desktops skip the entry once the program is gone.
                          "TryExec=%2\n"
                          "Terminal=false\n"
                          // Tray programs that start before the panel have
                          // nowhere to dock; these keys make desktops wait.
                          "X-GNOME-Autostart-Delay=5\n"
                          "X-KDE-autostart-after=panel\n"
                          "X-LXQt-Need-Tray=true\n")
        .arg(execArgument(program), escapeValue(program));
}

State classify(const std::optional<QString> &entry, const QString &program) {
    if (!entry)
        return State::Off;
    const QMap<QString, QString> keys = entryKeys(*entry);
    if (keys.value(QStringLiteral("Hidden")) == QLatin1String("true") ||
        keys.value(QStringLiteral("X-GNOME-Autostart-enabled")) == QLatin1String("false"))
        return State::Disabled;
    const auto arguments = execArguments(keys.value(QStringLiteral("Exec")));
    // Entries of older copies start the program without the flag.
    return arguments == QStringList{program} ||
                   arguments == QStringList{program, QStringLiteral("--login")}
               ? State::On
               : State::Edited;
}

QString whyNotStartable(AutostartStore::Form form, const QString &program) {
    // A folder name that is not text in the system's encoding comes back
    // mangled or empty, and names no file.
    if (program.isEmpty() || !QFileInfo(program).isFile() ||
        QFile::decodeName(QFile::encodeName(program)) != program)
        return QStringLiteral("the name of the folder that holds Mirell cannot be written into "
                              "an autostart entry; move Mirell to a folder with a plain name");
    // Correct by the Desktop Entry rules, yet GLib and systemd's autostart
    // generator look for the program before they undo the "%%", and find none.
    if (form == AutostartStore::Form::DesktopEntry && program.contains(QLatin1Char('%')))
        return QStringLiteral("desktops do not start a program whose path holds \"%\" (%1); "
                              "move Mirell to a folder without one")
            .arg(program);
    return {};
}

int runCommand(AutostartStore &store, const QString &program, const QString &value, QString *out,
               QString *err) {
    const QString where = QDir::toNativeSeparators(store.where());
    QString error;
    const std::optional<QString> entry = store.read(&error);
    if (!error.isEmpty()) {
        *err += QStringLiteral("Start at login: cannot read %1: %2\n"
                               "It was left as it is.\n")
                    .arg(where, error);
        return 1;
    }
    const State state = stateOf(store.form(), entry, program);
    const QString on = QStringLiteral("Start at login: on (%1)\n").arg(where);
    const QString off = QStringLiteral("Start at login: off\n");
    const QString edited =
        QStringLiteral("Start at login: an entry of yours starts something else: %1\n").arg(where);
    const QString disabled =
        QStringLiteral("Start at login: off, turned off in your desktop's settings (%1)\n")
            .arg(where);
    const QString leftAlone = QStringLiteral("It was left as it is; change or remove it there.\n");

    if (value.isEmpty()) {
        *out += state == State::On       ? on
                : state == State::Off    ? off
                : state == State::Edited ? edited
                                         : disabled;
        return 0;
    }
    if (value == QLatin1String("on")) {
        if (state == State::On) {
            *out += on;
            return 0;
        }
        if (state != State::Off) {
            *err += (state == State::Edited ? edited : disabled) + leftAlone;
            return 1;
        }
        if (const QString why = whyNotStartable(store.form(), program); !why.isEmpty()) {
            *err += QStringLiteral("Start at login: not turned on: %1\n").arg(why);
            return 1;
        }
        if (!store.write(entryFor(store.form(), program))) {
            *err += QStringLiteral("Cannot write %1\n").arg(where);
            return 1;
        }
        *out += on;
        return 0;
    }
    // off
    if (state == State::Edited) {
        *err += edited + leftAlone;
        return 1;
    }
    if (state == State::On && !store.remove()) {
        *err += QStringLiteral("Cannot remove %1\n").arg(where);
        return 1;
    }
    *out += state == State::Disabled ? disabled : off;
    return 0;
}

} // namespace Autostart

int runAutostartCommand(const QString &value) {
    QString out, err;
    const auto store = userAutostartStore(QStringLiteral(MIRELL_APP_ID));
    const int status =
        Autostart::runCommand(*store, QCoreApplication::applicationFilePath(), value, &out, &err);
    std::fputs(out.toLocal8Bit().constData(), stdout);
    std::fputs(err.toLocal8Bit().constData(), stderr);
    return status;
}
