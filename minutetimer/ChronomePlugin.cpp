#include "ChronomePlugin.h"

#include "MinuteTimer.h"

QObject *ChronomePlugin::create(const QString &progId, QObject *parent) {
    if (progId == QLatin1String("Chronome.MinuteTimer"))
        return new MinuteTimer(parent);
    return nullptr;
}
