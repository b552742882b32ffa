// Prints the wallpaper Windows has on record, in UTF-8 whatever the console's code page: as
// SPI_GETDESKWALLPAPER gives it, then as the user profile's registry value holds it.
#include <windows.h>

#include <cstdio>

static void print(const wchar_t *text) {
    char utf8[4 * MAX_PATH];
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
    std::fwrite(utf8, 1, n > 0 ? n - 1 : 0, stdout);
    std::fputc('\n', stdout);
}

int wmain() {
    wchar_t path[MAX_PATH] = {}, value[MAX_PATH] = {};
    DWORD size = sizeof value;
    if (!SystemParametersInfoW(SPI_GETDESKWALLPAPER, MAX_PATH, path, 0) ||
        RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"Wallpaper", RRF_RT_REG_SZ,
                     nullptr, value, &size) != ERROR_SUCCESS)
        return 1;
    print(path);
    print(value);
    return 0;
}
