// Sets the wallpaper through the Windows backend's own function and reads it
// back, under wine. Prints "N passed, N failed".
#include "WindowsWallpaper_win.h"

#include <cstdio>
#include <string>
#include <windows.h>

int wmain(int argc, wchar_t **argv) {
    const std::wstring folder = argc > 1 ? argv[1] : L"C:\\users\\Public";
    int passed = 0, failed = 0;
    for (const std::wstring &path :
         {folder + L"\\MirellWP.bmp",
          folder + L"\\\u58c1\u7d19 \u30d5\u30a9\u30eb\u30c0\\MirellWP.bmp",
          folder + L"\\blank and 'quote' $(x)\\MirellWP.bmp"}) {
        std::wstring error;
        const bool set = setWindowsWallpaper(path, &error);
        const std::wstring back = currentWindowsWallpaper();
        const bool ok = set && back == path;
        (ok ? passed : failed)++;
        if (!ok)
            std::fwprintf(stderr, L"FAIL: %ls -> %ls (%ls)\n", path.c_str(), back.c_str(),
                          error.c_str());
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed ? 1 : 0;
}
