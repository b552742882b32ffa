#pragma once

#include <QString>

// What the LXDE backend asks of the session pcmanfm draws the desktop in.

// The settings folder of the profile that this user's desktop-drawing
// pcmanfm runs with, or "" when none runs.
QString pcmanfmSettingsFolder();

// Announces the current workspace again without changing it: pcmanfm's
// desktops with a picture per workspace then reload their pictures.
void announceCurrentWorkspace();
