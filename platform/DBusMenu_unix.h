#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusVariant>
#include <QList>
#include <QVariantMap>

#include <tuple>

class QAction;

// A plain D-Bus structure: its members in their order on the wire, from
// T::fields(value), carried by the one pair of operators below.
template <typename T>
concept DBusStructure = requires(T &value) {
    T::fields(value);
};

template <DBusStructure T> QDBusArgument &operator<<(QDBusArgument &arg, const T &value) {
    arg.beginStructure();
    std::apply([&arg](const auto &...field) { (arg << ... << field); }, T::fields(value));
    arg.endStructure();
    return arg;
}
template <DBusStructure T> const QDBusArgument &operator>>(const QDBusArgument &arg, T &value) {
    arg.beginStructure();
    std::apply([&arg](auto &...field) { (arg >> ... >> field); }, T::fields(value));
    arg.endStructure();
    return arg;
}

// One entry of a com.canonical.dbusmenu layout: (ia{sv}av), its children
// wrapped in variants.
struct DBusMenuLayout {
    int id = 0;
    QVariantMap properties;
    QList<DBusMenuLayout> children;
};
struct DBusMenuItem {
    int id = 0;
    QVariantMap properties;
    static auto fields(auto &item) { return std::tie(item.id, item.properties); }
};
struct DBusMenuEvent {
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
    static auto fields(auto &e) { return std::tie(e.id, e.eventId, e.data, e.timestamp); }
};
Q_DECLARE_METATYPE(DBusMenuLayout)
Q_DECLARE_METATYPE(DBusMenuItem)
Q_DECLARE_METATYPE(DBusMenuEvent)

// A fixed menu of actions, exported for hosts that draw it themselves. The
// root is 0; action n of the list is item n + 1.
class DBusMenu : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ version)
    Q_PROPERTY(QString TextDirection READ textDirection)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath)
  public:
    DBusMenu(const QList<QAction *> &actions, QObject *object);

    static uint version() { return 3; }
    static QString textDirection() { return QStringLiteral("ltr"); }
    static QString status() { return QStringLiteral("normal"); }
    static QStringList iconThemePath() { return {}; }
    // The label as dbusmenu writes mnemonics: "_" for "&", "__" for a plain "_".
    static QString label(const QString &text);

  public slots:
    uint GetLayout(int parentId, int recursionDepth, const QStringList &propertyNames,
                   DBusMenuLayout &layout);
    QList<DBusMenuItem> GetGroupProperties(const QList<int> &ids, const QStringList &propertyNames);
    QDBusVariant GetProperty(int id, const QString &name);
    void Event(int id, const QString &eventId, const QDBusVariant &data, uint timestamp);
    QList<int> EventGroup(const QList<DBusMenuEvent> &events);
    bool AboutToShow(int id);
    QList<int> AboutToShowGroup(const QList<int> &ids, QList<int> &idErrors);

  signals:
    void LayoutUpdated(uint revision, int parent);

  private:
    QVariantMap properties(int id, const QStringList &names) const;

    QList<QAction *> m_actions;
};
