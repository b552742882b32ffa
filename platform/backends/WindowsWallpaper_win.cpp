#include "WindowsWallpaper_win.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <shobjidl.h>

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

EachMonitorResult
setWindowsWallpaperEach(const std::function<std::wstring(long, long, long, long)> &fileFor,
                        std::wstring *error) {
    // Qt has already entered a single-threaded apartment on this thread; this only counts it.
    const HRESULT entered = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IDesktopWallpaper *wallpaper = nullptr;
    HRESULT hr =
        CoCreateInstance(CLSID_DesktopWallpaper, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&wallpaper));
    EachMonitorResult result = EachMonitorResult::Unavailable;
    UINT count = 0;
    if (SUCCEEDED(hr))
        hr = wallpaper->GetMonitorDevicePathCount(&count);
    for (UINT i = 0; SUCCEEDED(hr) && i < count; ++i) {
        result = EachMonitorResult::Done;
        LPWSTR monitor = nullptr;
        RECT r{};
        hr = wallpaper->GetMonitorDevicePathAt(i, &monitor);
        // A monitor Windows remembers but does not show has no rectangle: nothing to set.
        if (SUCCEEDED(hr) && SUCCEEDED(wallpaper->GetMonitorRECT(monitor, &r))) {
            const std::wstring file = fileFor(r.left, r.top, r.right, r.bottom);
            if (!file.empty())
                hr = wallpaper->SetWallpaper(monitor, file.c_str());
        }
        CoTaskMemFree(monitor);
    }
    if (wallpaper)
        wallpaper->Release();
    if (SUCCEEDED(entered))
        CoUninitialize();
    if (FAILED(hr) && result == EachMonitorResult::Done) {
        result = EachMonitorResult::Failed;
        if (error)
            *error = L"Windows did not take a monitor's wallpaper: " + systemMessage(DWORD(hr));
    }
    return result;
}
