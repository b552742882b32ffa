#pragma once

#include "ControlFactory.h"

#include <QObject>

// The library's entry point: the host finds it by the keys in chronome.json
// and asks it for controls by programmatic identifier.
class ChronomePlugin : public QObject, public ControlFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ControlFactory_iid FILE "chronome.json")
    Q_INTERFACES(ControlFactory)
  public:
    QObject *create(const QString &progId, QObject *parent) override;
};
