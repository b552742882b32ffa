#include "Settings.h"

#include "TextForms.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const QString Top = QStringLiteral("Top");
const QString Left = QStringLiteral("Left");
const QString MirellTime = QStringLiteral("MirellTime");
const QString OrderMode = QStringLiteral("OrderMode");
const QString Current = QStringLiteral("Current");
const QString Stretch = QStringLiteral("Stretch");
const QString ListCount = QStringLiteral("ListCount");
const QString Files = QStringLiteral("Files");
const QString Title = QStringLiteral("Title");
const QString ShowCaption = QStringLiteral("ShowCaption");
const QString CaptionType = QStringLiteral("CaptionType");
const QString CaptionString = QStringLiteral("CaptionString");
const QString FontName = QStringLiteral("FontName");
const QString FontSize = QStringLiteral("FontSize");
const QString FontColor = QStringLiteral("FontColor");
const QString Location = QStringLiteral("Location");
const QString MonitorMode = QStringLiteral("MonitorMode");
const QString MatchOrientation = QStringLiteral("MatchOrientation");
const QString ApplicationPath = QStringLiteral("ApplicationPath");
const QString CurrentVersion = QStringLiteral("CurrentVersion");

// A caption taller than any screen is a damaged value, not a choice.
constexpr qint16 MaxFontSize = 1000;
// Window positions beyond a 16-bit pixel coordinate would put the window where
// no screen can show it.
constexpr double MaxCoordinate = std::numeric_limits<qint16>::max() * TwipsPerPixel;

qint16 readInt16(const SettingsStore &store, const QString &section, const QString &key,
                 qint16 defaultValue, int lowest = std::numeric_limits<qint16>::min(),
                 int highest = std::numeric_limits<qint16>::max()) {
    const std::optional<qint16> value =
        TextForms::parseInt16(store.get(section, key, TextForms::formatInt(defaultValue)));
    if (!value || *value < lowest || *value > highest)
        return defaultValue;
    return *value;
}

bool readBool(const SettingsStore &store, const QString &section, const QString &key,
              bool defaultValue) {
    return TextForms::parseBool(store.get(section, key, TextForms::formatBool(defaultValue)))
        .value_or(defaultValue);
}

std::optional<double> readCoordinate(const SettingsStore &store, const QString &key) {
    const std::optional<double> value =
        TextForms::parseNumber(store.get(SettingsKeys::Window, key, QString()));
    if (!value || std::abs(*value) > MaxCoordinate)
        return std::nullopt;
    return double(float(*value));
}

QString numbered(const QString &word, int n) {
    return word + QString::number(n);
}

} // namespace

StoredSettings readSettings(const SettingsStore &store) {
    using namespace SettingsKeys;
    StoredSettings stored;
    Settings &r = stored.record;
    const Settings defaults;

    stored.top = readCoordinate(store, Top);
    stored.left = readCoordinate(store, Left);

    r.MirellTime = readInt16(store, Setting, MirellTime, defaults.MirellTime);
    r.OrderMode = readInt16(store, Setting, OrderMode, defaults.OrderMode, 0, 2);
    // Held as a 16-bit index by the rotation, so only that range is a sound value.
    stored.storedCurrent = readInt16(store, Setting, Current, 1);
    r.Stretch = readBool(store, Setting, Stretch, defaults.Stretch);
    r.ShowCaption = readBool(store, Caption, ShowCaption, defaults.ShowCaption);
    r.CaptionType = readInt16(store, Caption, CaptionType, defaults.CaptionType, 0, 2);
    r.CaptionString = store.get(Caption, CaptionString, defaults.CaptionString);
    r.FontName = store.get(Caption, FontName, defaults.FontName);
    r.FontSize = readInt16(store, Caption, FontSize, defaults.FontSize, 1, MaxFontSize);
    r.FontColor = TextForms::parseInt32(
                      store.get(Caption, FontColor, TextForms::formatInt(defaults.FontColor)))
                      .value_or(defaults.FontColor);
    r.Location = readInt16(store, Caption, Location, defaults.Location, 0, 3);
    r.MonitorMode = readInt16(store, Setting, MonitorMode, defaults.MonitorMode, 0, 2);
    r.MatchOrientation = readBool(store, Setting, MatchOrientation, defaults.MatchOrientation);
    return stored;
}

PictureList readPictureList(const SettingsStore &store) {
    using namespace SettingsKeys;
    // A longer list (written by hand or by another program) is cut to what the
    // program can hold, as a save would cut it, rather than lost as a whole.
    const int last = std::clamp(
        TextForms::parseInt32(store.get(Setting, ListCount, TextForms::formatInt(-1))).value_or(-1),
        -1, MaxPictureCount - 1);
    PictureList list;
    list.Files.reserve(last + 1);
    list.Titles.reserve(last + 1);
    for (int n = 0; n <= last; ++n) {
        list.Files.append(store.get(Setting, numbered(Files, n), QString()));
        list.Titles.append(store.get(Setting, numbered(Title, n), QString()));
    }
    return list;
}

void writePictureList(SettingsStore &store, const PictureList &list) {
    using namespace SettingsKeys;
    const int count = std::min(list.count(), MaxPictureCount);
    store.put(Setting, ListCount, TextForms::formatInt(count - 1));
    for (int n = 0; n < count; ++n) {
        store.put(Setting, numbered(Files, n), list.Files.at(n));
        store.put(Setting, numbered(Title, n), list.Titles.value(n));
    }
}

void writeSettings(SettingsStore &store, const Settings &record, double top, double left) {
    using namespace SettingsKeys;
    store.put(Setting, MirellTime, TextForms::formatInt(record.MirellTime));
    store.put(Setting, OrderMode, TextForms::formatInt(record.OrderMode));
    store.put(Setting, Stretch, TextForms::formatBool(record.Stretch));
    store.put(Window, Top, TextForms::formatCoord(top));
    store.put(Window, Left, TextForms::formatCoord(left));
    store.put(Caption, ShowCaption, TextForms::formatBool(record.ShowCaption));
    store.put(Caption, CaptionType, TextForms::formatInt(record.CaptionType));
    store.put(Caption, CaptionString, record.CaptionString);
    store.put(Caption, FontName, record.FontName);
    store.put(Caption, FontSize, TextForms::formatInt(record.FontSize));
    store.put(Caption, FontColor, TextForms::formatInt(record.FontColor));
    store.put(Caption, Location, TextForms::formatInt(record.Location));
    // Last, so that a store written before this key keeps its order of lines.
    store.put(Setting, MonitorMode, TextForms::formatInt(record.MonitorMode));
    store.put(Setting, MatchOrientation, TextForms::formatBool(record.MatchOrientation));
}

void writeCurrent(SettingsStore &store, int index) {
    store.put(SettingsKeys::Setting, Current, TextForms::formatInt(index));
}

void writeUpdateInfo(SettingsStore &store, const QString &applicationPath,
                     const QString &versionText) {
    store.put(SettingsKeys::UpdateInfo, ApplicationPath, applicationPath);
    store.put(SettingsKeys::UpdateInfo, CurrentVersion, versionText);
}
