#include "WindowsWallpaper_win.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <vector>

namespace {

std::wstring systemMessage(DWORD code) {
    wchar_t *buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t *>(&buffer), 0, nullptr);
    std::wstring text = length ? std::wstring(buffer, length) : std::wstring();
    if (buffer)
        LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
        text.pop_back();
    if (text.empty())
        text = L"error " + std::to_wstring(code);
    return text;
}

} // namespace

bool setWindowsWallpaper(const std::wstring &path, std::wstring *error) {
    // The call takes a non-const buffer although it only reads it.
    std::vector<wchar_t> buffer(path.begin(), path.end());
    buffer.push_back(L'\0');
    SetLastError(ERROR_SUCCESS);
    if (SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, buffer.data(),
                              SPIF_UPDATEINIFILE | SPIF_SENDCHANGE))
        return true;
    if (error)
        *error = L"Windows did not take the wallpaper: " + systemMessage(GetLastError());
    return false;
}

std::wstring currentWindowsWallpaper() {
    wchar_t buffer[MAX_PATH + 1] = {};
    if (!SystemParametersInfoW(SPI_GETDESKWALLPAPER, MAX_PATH, buffer, 0))
        return {};
    return buffer;
}
