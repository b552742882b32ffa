#pragma once

#include <QString>

// Opens a file with the application the desktop associates with it.
class FileOpener {
  public:
    virtual ~FileOpener() = default;
    virtual bool open(const QString &path) = 0;
};

// QDesktopServices, no shell involved.
class QtFileOpener : public FileOpener {
  public:
    bool open(const QString &path) override;
};
