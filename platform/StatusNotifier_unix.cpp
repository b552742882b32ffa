#include "StatusNotifier.h"

#include "DBusMenu_unix.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QImage>
#include <QtEndian>

namespace {

const QString WatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString WatcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString ItemPath = QStringLiteral("/StatusNotifierItem");
const QString MenuPath = QStringLiteral("/MenuBar");
// A notification service answers at once; one the bus starts on demand takes a moment.
constexpr int NotifyTimeoutMs = 5000;

// One size of the icon as the item sends it: ARGB32 in network byte order.
struct IconPixmap {
    int width = 0, height = 0;
    QByteArray data;
    static auto fields(auto &p) { return std::tie(p.width, p.height, p.data); }
};
using IconPixmaps = QList<IconPixmap>;
struct ToolTip {
    QString iconName;
    IconPixmaps pixmaps;
    QString title, text;
    static auto fields(auto &t) { return std::tie(t.iconName, t.pixmaps, t.title, t.text); }
};

} // namespace

Q_DECLARE_METATYPE(IconPixmap)
Q_DECLARE_METATYPE(ToolTip)

namespace {

IconPixmaps pixmapsOf(const QIcon &icon) {
    IconPixmaps out;
    for (int size : {16, 22, 24, 32, 48, 64}) {
        const QImage image = icon.pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32);
        if (image.isNull())
            continue;
        IconPixmap p{image.width(), image.height(), {}};
        p.data.resize(qsizetype(image.width()) * image.height() * 4);
        auto *to = reinterpret_cast<quint32 *>(p.data.data());
        for (int y = 0; y < image.height(); ++y) {
            const auto *row = reinterpret_cast<const quint32 *>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x)
                *to++ = qToBigEndian(row[x]);
        }
        out << p;
    }
    return out;
}

} // namespace

// The org.kde.StatusNotifierItem object a host reads and calls.
class ItemAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category MEMBER m_category)
    Q_PROPERTY(QString Id MEMBER m_id)
    Q_PROPERTY(QString Title MEMBER m_title)
    Q_PROPERTY(QString Status MEMBER m_status)
    Q_PROPERTY(int WindowId MEMBER m_windowId)
    Q_PROPERTY(QString IconName MEMBER m_empty)
    Q_PROPERTY(IconPixmaps IconPixmap READ pixmaps)
    Q_PROPERTY(QString OverlayIconName MEMBER m_empty)
    Q_PROPERTY(IconPixmaps OverlayIconPixmap READ none)
    Q_PROPERTY(QString AttentionIconName MEMBER m_empty)
    Q_PROPERTY(IconPixmaps AttentionIconPixmap READ none)
    Q_PROPERTY(QString AttentionMovieName MEMBER m_empty)
    Q_PROPERTY(QString IconThemePath MEMBER m_empty)
    Q_PROPERTY(ToolTip ToolTip READ toolTip)
    // A left click is ours (Activate): it opens the settings window.
    Q_PROPERTY(bool ItemIsMenu MEMBER m_itemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu MEMBER m_menu)
  public:
    explicit ItemAdaptor(QObject *object) : QDBusAbstractAdaptor(object) {}
    IconPixmaps pixmaps() const { return m_pixmaps; }
    static IconPixmaps none() { return {}; }
    ToolTip toolTip() const { return m_toolTip; }

    QString m_category = QStringLiteral("ApplicationStatus");
    QString m_id = QCoreApplication::applicationName();
    QString m_title = QCoreApplication::applicationName();
    QString m_status = QStringLiteral("Active");
    int m_windowId = 0;
    QString m_empty;
    IconPixmaps m_pixmaps;
    ToolTip m_toolTip;
    bool m_itemIsMenu = false;
    QDBusObjectPath m_menu{MenuPath};

  signals:
    void NewTitle();
    void NewIcon();
    void NewToolTip();
    void NewStatus(const QString &status);
    void activated();
    void secondaryActivated();
    void contextMenuRequested(const QPoint &at);

  public slots:
    void Activate(int, int) { emit activated(); }
    void SecondaryActivate(int, int) { emit secondaryActivated(); }
    void ContextMenu(int x, int y) { emit contextMenuRequested(QPoint(x, y)); }
    void Scroll(int, const QString &) {}
};

namespace {

class DBusStatusNotifier : public StatusNotifier {
  public:
    explicit DBusStatusNotifier(const QList<QAction *> &menu)
        : m_bus(QDBusConnection::sessionBus()), m_item(new ItemAdaptor(&m_itemObject)),
          m_watcher(WatcherService, m_bus, QDBusServiceWatcher::WatchForOwnerChange) {
        new DBusMenu(menu, &m_menuObject);
        m_bus.registerObject(ItemPath, &m_itemObject, QDBusConnection::ExportAdaptors);
        m_bus.registerObject(MenuPath, &m_menuObject, QDBusConnection::ExportAdaptors);
        connect(m_item, &ItemAdaptor::activated, this, &StatusNotifier::activated);
        connect(m_item, &ItemAdaptor::secondaryActivated, this,
                &StatusNotifier::secondaryActivated);
        connect(m_item, &ItemAdaptor::contextMenuRequested, this,
                &StatusNotifier::contextMenuRequested);
        // A panel that starts, or restarts, after us brings a new watcher.
        connect(&m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
                [this](const QString &, const QString &, const QString &owner) {
                    setRegistered(false);
                    if (!owner.isEmpty())
                        registerWithWatcher();
                });
        // A watcher may run before its host does.
        m_bus.connect(WatcherService, WatcherPath, WatcherService,
                      QStringLiteral("StatusNotifierHostRegistered"), this, SLOT(hostCame()));
    }
    ~DBusStatusNotifier() override {
        setShown(false);
        m_bus.unregisterObject(MenuPath);
        m_bus.unregisterObject(ItemPath);
    }

    void setIcon(const QIcon &icon) override {
        m_item->m_pixmaps = pixmapsOf(icon);
        emit m_item->NewIcon();
    }
    void setToolTip(const QString &title, const QString &text) override {
        m_item->m_toolTip = {QString(), {}, title, text};
        emit m_item->NewToolTip();
    }
    void setShown(bool shown) override {
        if (shown == !m_service.isEmpty())
            return;
        if (shown) {
            // A fresh name each time: a host still holding the last one keeps it apart.
            static int serial = 0;
            m_service = QStringLiteral("org.kde.StatusNotifierItem-%1-%2")
                            .arg(QCoreApplication::applicationPid())
                            .arg(++serial);
            m_bus.registerService(m_service);
            registerWithWatcher();
        } else {
            // Hosts drop an item whose name goes.
            m_bus.unregisterService(m_service);
            m_service.clear();
            setRegistered(false);
        }
    }
    bool isRegistered() const override { return m_registered; }

  private:
    Q_OBJECT

  private slots:
    void hostCame() { registerWithWatcher(); }

  private:
    void registerWithWatcher() {
        if (m_service.isEmpty())
            return;
        // A plain message: an interface object would first ask the watcher
        // to describe itself, blocking, and send the call even when that
        // failed, so that a watcher coming meanwhile got the item twice.
        QDBusMessage call =
            QDBusMessage::createMethodCall(WatcherService, WatcherPath, WatcherService,
                                           QStringLiteral("RegisterStatusNotifierItem"));
        call << m_service;
        auto *pending = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
        const int attempt = ++m_attempts;
        connect(pending, &QDBusPendingCallWatcher::finished, this,
                [this, attempt](QDBusPendingCallWatcher *c) {
                    c->deleteLater();
                    // Only the answer to the latest attempt tells how things stand.
                    if (attempt == m_attempts)
                        setRegistered(!c->isError() && !m_service.isEmpty() && hostRunning());
                });
    }
    void setRegistered(bool registered) {
        if (registered == m_registered)
            return;
        m_registered = registered;
        emit registeredChanged(registered);
    }

    QDBusConnection m_bus;
    QObject m_itemObject, m_menuObject;
    ItemAdaptor *m_item;
    QDBusServiceWatcher m_watcher;
    QString m_service;
    bool m_registered = false;
    int m_attempts = 0;
};

} // namespace

std::unique_ptr<StatusNotifier> StatusNotifier::create(const QList<QAction *> &menu) {
    qDBusRegisterMetaType<IconPixmap>();
    qDBusRegisterMetaType<IconPixmaps>();
    qDBusRegisterMetaType<ToolTip>();
    if (!QDBusConnection::sessionBus().isConnected())
        return nullptr;
    return std::make_unique<DBusStatusNotifier>(menu);
}

bool StatusNotifier::hostRunning() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(WatcherService))
        return false;
    QDBusInterface watcher(WatcherService, WatcherPath, WatcherService, bus);
    return watcher.property("IsStatusNotifierHostRegistered").toBool();
}

void notifyDesktop(const QString &title, const QString &text,
                   const std::function<void(bool)> &told) {
    const QString service = QStringLiteral("org.freedesktop.Notifications");
    QDBusMessage notify =
        QDBusMessage::createMethodCall(service, QStringLiteral("/org/freedesktop/Notifications"),
                                       service, QStringLiteral("Notify"));
    notify << QCoreApplication::applicationName() << 0u
           << QStringLiteral("preferences-desktop-wallpaper") << title << text << QStringList()
           << QVariantMap() << -1;
    auto *reply = new QDBusPendingCallWatcher(
        QDBusConnection::sessionBus().asyncCall(notify, NotifyTimeoutMs));
    QObject::connect(reply, &QDBusPendingCallWatcher::finished, reply, [reply, told] {
        if (told)
            told(!reply->isError());
        reply->deleteLater();
    });
}

#include "StatusNotifier_unix.moc"
