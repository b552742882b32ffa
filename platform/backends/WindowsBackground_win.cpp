#include "WindowsBackground_win.h"

#include "WindowsWallpaper_win.h"

#include <QDir>

bool WindowsBackground::apply(const QString &path, const QImage &, QString *error) {
    std::wstring why;
    if (setWindowsWallpaper(QDir::toNativeSeparators(path).toStdWString(), &why))
        return true;
    if (error)
        *error = QString::fromStdWString(why);
    return false;
}
