#include "ProgramFolder.h"

#include <QDir>

#include <string>

#include <windows.h>

QString programFolder() {
    // Paths may exceed MAX_PATH; the buffer grows until the name fits.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        if (path.size() >= 32768)
            return {};
        path.resize(path.size() * 2);
    }
    const QString file = QDir::fromNativeSeparators(QString::fromStdWString(path));
    const qsizetype slash = file.lastIndexOf(QLatin1Char('/'));
    if (slash < 0 || QDir::isRelativePath(file))
        return {};
    // "C:/mirell.exe" lives in "C:/", not in the drive-relative "C:".
    return file.left(slash == 2 ? 3 : slash);
}
