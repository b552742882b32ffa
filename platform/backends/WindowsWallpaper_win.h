#pragma once

#include <string>

// Sets the desktop wallpaper of the current user to a picture file, stores
// the choice in the user profile and tells every window. Free of Qt so it can
// be built and checked on its own.
bool setWindowsWallpaper(const std::wstring &path, std::wstring *error);

// The wallpaper path the user profile holds now; empty on failure.
std::wstring currentWindowsWallpaper();
