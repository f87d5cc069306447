#pragma once

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariantMap>

class QDBusArgument;

namespace telvor {

/** An icon picture as notification areas read it: (iiay), ARGB32 in network byte order. */
struct DBusPixmap {
    int width = 0;
    int height = 0;
    QByteArray bytes;
};
using DBusPixmapList = QList<DBusPixmap>;

/** The icon's tooltip: (sa(iiay)ss), an icon name, its pictures, a title and a description. */
struct DBusToolTip {
    QString iconName;
    DBusPixmapList pixmaps;
    QString title;
    QString description;
};

/** One menu item with its children: (ia{sv}av), each child a variant holding the same structure. */
struct DBusMenuLayoutItem {
    int id = 0;
    QVariantMap properties;
    QList<DBusMenuLayoutItem> children;
};

/** The properties of one menu item: (ia{sv}). */
struct DBusMenuItemProperties {
    int id = 0;
    QVariantMap properties;
};

/** The names of properties an item no longer has: (ias). */
struct DBusMenuItemRemovedProperties {
    int id = 0;
    QStringList names;
};

/** One event of a group: (isvu), the item, the event's name, its data and its time. */
struct DBusMenuEvent {
    int id = 0;
    QString eventId;
    QVariant data;
    uint timestamp = 0;
};

QDBusArgument& operator<<(QDBusArgument& arg, const DBusPixmap& pixmap);
const QDBusArgument& operator>>(const QDBusArgument& arg, DBusPixmap& pixmap);
QDBusArgument& operator<<(QDBusArgument& arg, const DBusToolTip& tip);
const QDBusArgument& operator>>(const QDBusArgument& arg, DBusToolTip& tip);
QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuLayoutItem& item);
const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuLayoutItem& item);
QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuItemProperties& item);
const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuItemProperties& item);
QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuItemRemovedProperties& item);
const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuItemRemovedProperties& item);
QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuEvent& event);
const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuEvent& event);

/** Makes the types above known to Qt's D-Bus marshalling; call before the first object is exported. */
void registerDBusTrayTypes();

} // namespace telvor

Q_DECLARE_METATYPE(telvor::DBusPixmap)
Q_DECLARE_METATYPE(telvor::DBusToolTip)
Q_DECLARE_METATYPE(telvor::DBusMenuLayoutItem)
Q_DECLARE_METATYPE(telvor::DBusMenuItemProperties)
Q_DECLARE_METATYPE(telvor::DBusMenuItemRemovedProperties)
Q_DECLARE_METATYPE(telvor::DBusMenuEvent)
