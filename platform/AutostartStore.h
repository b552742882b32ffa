#pragma once

#include <QString>

#include <memory>
#include <optional>

// Where this user's start-at-login entry is kept: a desktop entry file in
// the autostart folder, or the per-user Run key on Windows. The text of the
// entry is the caller's; this only stores it.
class AutostartStore {
  public:
    enum class Form {
        DesktopEntry, // a [Desktop Entry] file whose Exec starts the program
        CommandLine,  // a command line, the program's quoted path
    };
    virtual ~AutostartStore() = default;
    virtual Form form() const = 0;
    // The entry; nothing when there is none or, with the reason in error,
    // when what is there cannot be an entry (a pipe, a device, a huge file).
    virtual std::optional<QString> read(QString *error) const = 0;
    virtual bool write(const QString &entry) = 0;
    virtual bool remove() = 0;
    virtual QString where() const = 0;
};

// desktopId names the entry file where entries are files.
std::unique_ptr<AutostartStore> userAutostartStore(const QString &desktopId);
