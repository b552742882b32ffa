// Lists the timer's identifier under an interface of its own.
#include <QObject>

class ForeignPlugin : public QObject {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.example.Foreign/1.0" FILE "Foreign.json")
};

#include "ForeignPlugin.moc"
