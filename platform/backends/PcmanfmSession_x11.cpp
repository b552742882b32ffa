#include "PcmanfmSession_x11.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

QString pcmanfmSettingsFolder() {
    const uint me = QFileInfo(QStringLiteral("/proc/self")).ownerId();
    const QStringList processes =
        QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &pid : processes) {
        QFile file(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (QFileInfo(file.fileName()).ownerId() != me || !file.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> args = file.readAll().split('\0');
        if (QFileInfo(QFile::decodeName(args.value(0))).fileName() != QLatin1String("pcmanfm") ||
            !args.contains("--desktop"))
            continue;
        // "--profile NAME", "--profile=NAME", "-p NAME" or "-pNAME"; "default" without.
        QByteArray profile = "default";
        for (qsizetype i = 1; i < args.size(); ++i) {
            const QByteArray &a = args[i];
            if (a == "--profile" || a == "-p")
                profile = args.value(i + 1);
            else if (a.startsWith("--profile="))
                profile = a.mid(10);
            else if (a.startsWith("-p") && a.size() > 2)
                profile = a.mid(2);
        }
        return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
               QStringLiteral("/pcmanfm/") + QFile::decodeName(profile);
    }
    return {};
}

void announceCurrentWorkspace() {
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    static const char name[] = "_NET_CURRENT_DESKTOP";
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, sizeof name - 1, name), nullptr),
        &std::free);
    const std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> current(
        atom && atom->atom
            ? xcb_get_property_reply(
                  c, xcb_get_property(c, 0, root, atom->atom, XCB_ATOM_CARDINAL, 0, 1), nullptr)
            : nullptr,
        &std::free);
    // Appending nothing leaves the window manager's value as it is, but the
    // change is announced all the same.
    if (current && current->type == XCB_ATOM_CARDINAL)
        xcb_change_property(c, XCB_PROP_MODE_APPEND, root, atom->atom, XCB_ATOM_CARDINAL, 32, 0,
                            nullptr);
    xcb_flush(c);
    xcb_disconnect(c);
}
