#pragma once

#include <QObject>
#include <QString>
#include <QtPlugin>

// What a control library offers its host: controls created by programmatic
// identifier. The plugin's metadata lists the identifiers under "Keys".
class ControlFactory {
  public:
    virtual ~ControlFactory() = default;
    // A new control for progId, owned by parent; nullptr for an unknown id.
    virtual QObject *create(const QString &progId, QObject *parent) = 0;
};

#define ControlFactory_iid "org.mirell.ControlFactory/1.0"
Q_DECLARE_INTERFACE(ControlFactory, ControlFactory_iid)
