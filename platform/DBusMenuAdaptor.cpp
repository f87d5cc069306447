#include "platform/DBusMenuAdaptor.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QMetaObject>

namespace telvor {

namespace {

/** The menu's access-key marker is '_' on the bus and '&' in the program; a plain '_' is doubled. */
QString busLabel(const QString& label)
{
    QString out;
    for (qsizetype i = 0; i < label.size(); ++i) {
        const QChar c = label.at(i);
        if (c == QLatin1Char('&')) {
            if (i + 1 < label.size() && label.at(i + 1) == QLatin1Char('&')) {
                out += QLatin1Char('&');
                ++i;
            } else {
                out += QLatin1Char('_');
            }
        } else if (c == QLatin1Char('_')) {
            out += QStringLiteral("__");
        } else {
            out += c;
        }
    }
    return out;
}

bool sameKinds(const QList<NotifierMenuEntry>& a, const QList<NotifierMenuEntry>& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (a.at(i).separator != b.at(i).separator)
            return false;
    return true;
}

} // namespace

DBusMenuAdaptor::DBusMenuAdaptor(DBusContextObject* object) : QDBusAbstractAdaptor(object), m_object(object)
{
}

void DBusMenuAdaptor::setEntries(const QList<NotifierMenuEntry>& entries)
{
    if (!sameKinds(entries, m_entries)) {
        m_entries = entries;
        emit LayoutUpdated(++m_revision, 0);
        return;
    }
    QList<DBusMenuItemProperties> updated;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (entries.at(i) == m_entries.at(i))
            continue;
        const int id = static_cast<int>(i) + 1;
        const QVariantMap before = properties(id);
        m_entries[i] = entries.at(i);
        QVariantMap changed = properties(id);
        for (auto it = before.cbegin(); it != before.cend(); ++it)
            if (changed.value(it.key()) == it.value())
                changed.remove(it.key());
        updated.append({id, changed});
    }
    if (!updated.isEmpty())
        emit ItemsPropertiesUpdated(updated, {});
}

QVariantMap DBusMenuAdaptor::properties(int id, const QStringList& names) const
{
    QVariantMap all;
    if (id == 0) {
        all.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
    } else {
        const NotifierMenuEntry& entry = m_entries.at(id - 1);
        if (entry.separator) {
            all.insert(QStringLiteral("type"), QStringLiteral("separator"));
        } else {
            all.insert(QStringLiteral("label"), busLabel(entry.label));
            all.insert(QStringLiteral("enabled"), entry.enabled);
        }
        all.insert(QStringLiteral("visible"), entry.visible);
    }
    if (names.isEmpty())
        return all;
    QVariantMap chosen;
    for (const QString& name : names)
        if (all.contains(name))
            chosen.insert(name, all.value(name));
    return chosen;
}

void DBusMenuAdaptor::invalidId(int id)
{
    m_object->sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("no menu item %1").arg(id));
}

uint DBusMenuAdaptor::GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                                DBusMenuLayoutItem& layout)
{
    if (!exists(parentId)) {
        invalidId(parentId);
        return 0;
    }
    layout = {parentId, properties(parentId, propertyNames), {}};
    if (parentId == 0 && recursionDepth != 0)
        for (int id = 1; id <= m_entries.size(); ++id)
            layout.children.append({id, properties(id, propertyNames), {}});
    return m_revision;
}

QList<DBusMenuItemProperties> DBusMenuAdaptor::GetGroupProperties(const QList<int>& ids,
                                                                  const QStringList& propertyNames)
{
    QList<DBusMenuItemProperties> out;
    for (const int id : ids)
        if (exists(id))
            out.append({id, properties(id, propertyNames)});
    return out;
}

QDBusVariant DBusMenuAdaptor::GetProperty(int id, const QString& name)
{
    const QVariantMap all = exists(id) ? properties(id) : QVariantMap();
    if (!all.contains(name)) {
        m_object->sendErrorReply(QDBusError::InvalidArgs,
                                 QStringLiteral("menu item %1 has no property %2").arg(id).arg(name));
        return {};
    }
    return QDBusVariant(all.value(name));
}

bool DBusMenuAdaptor::handleEvent(int id, const QString& eventId)
{
    if (!exists(id))
        return false;
    if (id == 0 || eventId != QLatin1String("clicked"))
        return true;
    const NotifierMenuEntry& entry = m_entries.at(id - 1);
    if (entry.separator || !entry.enabled || !entry.visible)
        return true;
    // The answer goes first: the entry may end the program.
    QMetaObject::invokeMethod(
        this,
        [this, index = id - 1] {
            if (onChosen)
                onChosen(index);
        },
        Qt::QueuedConnection);
    return true;
}

void DBusMenuAdaptor::Event(int id, const QString& eventId, const QDBusVariant&, uint)
{
    if (!handleEvent(id, eventId))
        invalidId(id);
}

QList<int> DBusMenuAdaptor::EventGroup(const QList<DBusMenuEvent>& events)
{
    QList<int> idErrors;
    for (const DBusMenuEvent& event : events)
        if (!handleEvent(event.id, event.eventId))
            idErrors.append(event.id);
    if (!events.isEmpty() && idErrors.size() == events.size())
        m_object->sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("none of the menu items exists"));
    return idErrors;
}

bool DBusMenuAdaptor::AboutToShow(int id)
{
    if (!exists(id)) {
        invalidId(id);
        return false;
    }
    if (id != 0)
        return false;
    const uint before = m_revision;
    if (onAboutToShow)
        onAboutToShow();
    return m_revision != before;
}

QList<int> DBusMenuAdaptor::AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors)
{
    QList<int> updatesNeeded;
    for (const int id : ids) {
        if (!exists(id))
            idErrors.append(id);
        else if (id == 0 && AboutToShow(0))
            updatesNeeded.append(0);
    }
    return updatesNeeded;
}

} // namespace telvor
