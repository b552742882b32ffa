#pragma once

#include "SettingsStore.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>

// The settings the program runs on, one field per stored key. The field
// names are those of the keys.
struct Settings {
    qint16 MirellTime = 60;
    qint16 OrderMode = 0; // 0 list order, 1 shuffled, 2 random
    bool Stretch = false;
    bool ShowCaption = false;
    qint16 CaptionType = 1; // 0 date, 1 file name, 2 free text
    QString CaptionString = {};
    QString FontName = QStringLiteral("ＭＳ Ｐゴシック");
    qint16 FontSize = 12;
    qint32 FontColor = 0;          // RGB with red in the low byte
    qint16 Location = 0;           // 0 top left, 1 top right, 2 bottom left, 3 bottom right
    qint16 MonitorMode = 0;        // 0 same on each monitor, 1 each its own, 2 one across all
    bool MatchOrientation = false; // each its own: upright pictures to upright monitors

    bool operator==(const Settings &) const = default;
};

// The most pictures a list holds: positions are 16-bit, so "ListCount" (the
// highest position) ends at 32766.
inline constexpr int MaxPictureCount = 32767;

// The stored window position is in twips, 15 to a pixel at 96 dots per inch.
inline constexpr double TwipsPerPixel = 15.0;

// The picture list: full paths and display titles, index for index.
struct PictureList {
    QStringList Files;
    QStringList Titles;

    int count() const { return int(Files.size()); }
    bool operator==(const PictureList &) const = default;
};

namespace SettingsKeys {
inline const QString Window = QStringLiteral("Window");
inline const QString Setting = QStringLiteral("Setting");
inline const QString Caption = QStringLiteral("Caption");
inline const QString UpdateInfo = QStringLiteral("UpdateInfo");
} // namespace SettingsKeys

// What the store holds besides the record itself.
struct StoredSettings {
    Settings record;
    qint32 storedCurrent = 1;   // "Current", 1-based; default 1
    std::optional<double> top;  // "Window"/"Top" in twips, when stored and sound
    std::optional<double> left; // "Window"/"Left"
};

// Reads every key of the record with its default. A value that does not fit
// (not a number, out of range, an option outside its group) falls back to
// the key's default, so a damaged store can never take the program down.
StoredSettings readSettings(const SettingsStore &store);
// "ListCount"+1 entries, Files n / Title n each; keys above "ListCount" are
// ignored, and so is any entry past MaxPictureCount.
PictureList readPictureList(const SettingsStore &store);

// Writes "ListCount" then Files n / Title n for the first count entries (at
// most MaxPictureCount), and nothing else: stale keys of a longer list stay
// and are ignored on load.
void writePictureList(SettingsStore &store, const PictureList &list);
// Writes every key of the record and the window position, in the order the
// OK handler saves them.
void writeSettings(SettingsStore &store, const Settings &record, double top, double left);
void writeCurrent(SettingsStore &store, int index);
void writeUpdateInfo(SettingsStore &store, const QString &applicationPath,
                     const QString &versionText);
