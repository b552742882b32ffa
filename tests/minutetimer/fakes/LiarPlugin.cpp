// Claims the factory interface in its metadata without implementing it.
#include "ControlFactory.h"

#include <QObject>

class LiarPlugin : public QObject {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ControlFactory_iid FILE "Liar.json")
};

#include "LiarPlugin.moc"
