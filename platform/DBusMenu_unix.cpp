#include "DBusMenu_unix.h"

#include <QAction>
#include <QDBusMetaType>
#include <QTimer>

QDBusArgument &operator<<(QDBusArgument &arg, const DBusMenuLayout &item) {
    arg.beginStructure();
    arg << item.id << item.properties;
    arg.beginArray(qMetaTypeId<QDBusVariant>());
    for (const DBusMenuLayout &child : item.children)
        arg << QDBusVariant(QVariant::fromValue(child));
    arg.endArray();
    arg.endStructure();
    return arg;
}
const QDBusArgument &operator>>(const QDBusArgument &arg, DBusMenuLayout &item) {
    // Only ever sent; a host never hands a layout back.
    arg.beginStructure();
    arg >> item.id >> item.properties;
    arg.beginArray();
    while (!arg.atEnd()) {
        QDBusVariant child;
        arg >> child;
    }
    arg.endArray();
    arg.endStructure();
    return arg;
}

DBusMenu::DBusMenu(const QList<QAction *> &actions, QObject *object)
    : QDBusAbstractAdaptor(object), m_actions(actions) {
    qDBusRegisterMetaType<DBusMenuLayout>();
    qDBusRegisterMetaType<DBusMenuItem>();
    qDBusRegisterMetaType<QList<DBusMenuItem>>();
    qDBusRegisterMetaType<DBusMenuEvent>();
    qDBusRegisterMetaType<QList<DBusMenuEvent>>();
}

QString DBusMenu::label(const QString &text) {
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('_'))
            out += QLatin1String("__");
        else if (text[i] != QLatin1Char('&'))
            out += text[i];
        else if (i + 1 < text.size() && text[i + 1] == QLatin1Char('&'))
            out += text[++i];
        else
            out += QLatin1Char('_');
    }
    return out;
}

QVariantMap DBusMenu::properties(int id, const QStringList &names) const {
    QVariantMap all;
    if (id == 0) {
        all.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
    } else if (const QAction *action = m_actions.value(id - 1)) {
        if (action->isSeparator())
            all.insert(QStringLiteral("type"), QStringLiteral("separator"));
        else
            all.insert(QStringLiteral("label"), label(action->text()));
        all.insert(QStringLiteral("enabled"), action->isEnabled());
        all.insert(QStringLiteral("visible"), action->isVisible());
    }
    if (names.isEmpty())
        return all;
    QVariantMap asked;
    for (const QString &name : names)
        if (all.contains(name))
            asked.insert(name, all.value(name));
    return asked;
}

uint DBusMenu::GetLayout(int parentId, int recursionDepth, const QStringList &propertyNames,
                         DBusMenuLayout &layout) {
    layout = {parentId, properties(parentId, propertyNames), {}};
    if (parentId == 0 && recursionDepth != 0)
        for (int id = 1; id <= m_actions.size(); ++id)
            layout.children.append({id, properties(id, propertyNames), {}});
    return 1; // the menu never changes, so its revision neither
}

QList<DBusMenuItem> DBusMenu::GetGroupProperties(const QList<int> &ids,
                                                 const QStringList &propertyNames) {
    QList<DBusMenuItem> items;
    for (int id : ids)
        if (id >= 0 && id <= m_actions.size())
            items.append({id, properties(id, propertyNames)});
    return items;
}

QDBusVariant DBusMenu::GetProperty(int id, const QString &name) {
    return QDBusVariant(properties(id, {name}).value(name));
}

void DBusMenu::Event(int id, const QString &eventId, const QDBusVariant &, uint) {
    QAction *action = m_actions.value(id - 1);
    // After the answer: the action may end the program.
    if (action && eventId == QLatin1String("clicked"))
        QTimer::singleShot(0, action, &QAction::trigger);
}

QList<int> DBusMenu::EventGroup(const QList<DBusMenuEvent> &events) {
    QList<int> unknown;
    for (const DBusMenuEvent &event : events) {
        if (event.id < 1 || event.id > m_actions.size())
            unknown << event.id;
        else
            Event(event.id, event.eventId, event.data, event.timestamp);
    }
    return unknown;
}

bool DBusMenu::AboutToShow(int) {
    return false;
}

QList<int> DBusMenu::AboutToShowGroup(const QList<int> &, QList<int> &idErrors) {
    idErrors.clear();
    return {};
}
