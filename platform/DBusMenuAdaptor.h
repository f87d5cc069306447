#pragma once

#include "common/StatusNotifier.h"
#include "platform/DBusTrayTypes.h"

#include <QDBusAbstractAdaptor>
#include <QDBusContext>
#include <QDBusVariant>

#include <functional>

namespace telvor {

/** An object on the bus that may answer a call with an error: the bus tells it of the call under way. */
class DBusContextObject final : public QObject, public QDBusContext {
    Q_OBJECT
};

/**
 * The icon's menu as a notification area reads it on the message bus (com.canonical.dbusmenu,
 * version 3): one level of entries under the root item 0, entry i having the id i + 1. Each change
 * of the entries is announced: a change of their number or kind as a new layout revision, a
 * change of labels or states as the changed items' properties.
 */
class DBusMenuAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ version)
    Q_PROPERTY(QString TextDirection READ textDirection)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath)

public:
    explicit DBusMenuAdaptor(DBusContextObject* object);

    void setEntries(const QList<NotifierMenuEntry>& entries);

    /** Called (from the event loop, after the answer has gone) with the place of a clicked entry. */
    std::function<void(int)> onChosen;
    /** Called when the menu is about to open; changes it makes are in the answer. */
    std::function<void()> onAboutToShow;

    [[nodiscard]] uint version() const { return 3; }
    [[nodiscard]] QString textDirection() const { return QStringLiteral("ltr"); }
    [[nodiscard]] QString status() const { return QStringLiteral("normal"); }
    [[nodiscard]] QStringList iconThemePath() const { return {}; }

    // The bus looks parameter types up by the names written here: no aliases.
public slots:
    uint GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                   telvor::DBusMenuLayoutItem& layout);
    QList<telvor::DBusMenuItemProperties> GetGroupProperties(const QList<int>& ids, const QStringList& propertyNames);
    QDBusVariant GetProperty(int id, const QString& name);
    void Event(int id, const QString& eventId, const QDBusVariant& data, uint timestamp);
    QList<int> EventGroup(const QList<telvor::DBusMenuEvent>& events);
    bool AboutToShow(int id);
    QList<int> AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors);

signals:
    void ItemsPropertiesUpdated(const QList<telvor::DBusMenuItemProperties>& updatedProps,
                                const QList<telvor::DBusMenuItemRemovedProperties>& removedProps);
    void LayoutUpdated(uint revision, int parent);
    void ItemActivationRequested(int id, uint timestamp);

private:
    [[nodiscard]] bool exists(int id) const { return id >= 0 && id <= m_entries.size(); }
    [[nodiscard]] QVariantMap properties(int id, const QStringList& names = {}) const;
    /** Handles one event; false when the item does not exist. */
    bool handleEvent(int id, const QString& eventId);
    void invalidId(int id);

    DBusContextObject* m_object;
    QList<NotifierMenuEntry> m_entries;
    uint m_revision = 0;
};

} // namespace telvor
