#pragma once

#include <functional>
#include <string>

// Sets the desktop wallpaper of the current user to a picture file, stores
// the choice in the user profile and tells every window.
bool setWindowsWallpaper(const std::wstring &path, std::wstring *error);

// Each monitor's own wallpaper, through the per-monitor interface of Windows 8 and later.
// fileFor is asked once per monitor with its rectangle (left, top, right, bottom, in
// physical pixels) and gives the picture for it, or nothing to leave that monitor as it is.
// Windows applies these to the current virtual desktop only.
enum class EachMonitorResult { Done, Unavailable, Failed };
EachMonitorResult
setWindowsWallpaperEach(const std::function<std::wstring(long, long, long, long)> &fileFor,
                        std::wstring *error);
