// Prints the wallpaper Windows has on record, as SPI_GETDESKWALLPAPER gives it.
#include <windows.h>

#include <cstdio>

int wmain() {
    wchar_t path[MAX_PATH] = {};
    if (!SystemParametersInfoW(SPI_GETDESKWALLPAPER, MAX_PATH, path, 0))
        return 1;
    std::printf("%ls\n", path);
    return 0;
}
