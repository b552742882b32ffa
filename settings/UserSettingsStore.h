#pragma once

#include "SettingsStore.h"

#include <memory>

// The per-user store of the platform: an INI file under $XDG_CONFIG_HOME,
// the registry under HKCU\Software\Mirell! on Windows.
std::unique_ptr<SettingsStore> openUserSettingsStore();
