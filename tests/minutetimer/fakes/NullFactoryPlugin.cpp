// Lists the timer's identifier and offers the factory, but creates nothing.
#include "ControlFactory.h"

#include <QObject>

class NullFactoryPlugin : public QObject, public ControlFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ControlFactory_iid FILE "NullFactory.json")
    Q_INTERFACES(ControlFactory)
  public:
    QObject *create(const QString &, QObject *) override { return nullptr; }
};

#include "NullFactoryPlugin.moc"
