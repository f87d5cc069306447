#include "platform/DBusStatusNotifier.h"

#include "platform/DBusMenuAdaptor.h"
#include "platform/StatusNotifierItemAdaptor.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace telvor {

namespace {

const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString kWatcherInterface = QStringLiteral("org.kde.StatusNotifierWatcher");
// Where notification areas look for an item registered by its bus name.
const QString kItemPath = QStringLiteral("/StatusNotifierItem");
const QString kMenuPath = QStringLiteral("/MenuBar");

} // namespace

DBusStatusNotifier::DBusStatusNotifier(QDBusConnection bus, QString id, QString title, QObject* parent)
    : StatusNotifier(parent), m_bus(std::move(bus)), m_menuObject(std::make_unique<DBusContextObject>()),
      m_watcher(kWatcherService, m_bus, QDBusServiceWatcher::WatchForOwnerChange)
{
    registerDBusTrayTypes();
    m_item = new StatusNotifierItemAdaptor(&m_itemObject, std::move(id), std::move(title), QDBusObjectPath(kMenuPath));
    m_item->onContextMenu = [this](QPoint at) { emit menuRequested(at); };
    m_menu = new DBusMenuAdaptor(m_menuObject.get());
    m_menu->onChosen = [this](int index) { emit entryChosen(index); };
    m_menu->onAboutToShow = [this] { emit menuAboutToShow(); };
    // A panel that restarts hands the watcher's name over or drops it and takes it again.
    connect(&m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString& oldOwner, const QString& newOwner) {
                if (!oldOwner.isEmpty())
                    watcherGone();
                if (!newOwner.isEmpty())
                    watcherCame();
            });
}

DBusStatusNotifier::~DBusStatusNotifier()
{
    withdraw();
}

void DBusStatusNotifier::offer()
{
    if (!m_bus.isConnected())
        return;
    if (!m_offered) {
        m_offered = true;
        m_bus.registerObject(kItemPath, &m_itemObject, QDBusConnection::ExportAdaptors);
        m_bus.registerObject(kMenuPath, m_menuObject.get(), QDBusConnection::ExportAdaptors);
        const QString wanted =
            QStringLiteral("org.kde.StatusNotifierItem-%1-1").arg(QCoreApplication::applicationPid());
        m_serviceName = m_bus.registerService(wanted) ? wanted : m_bus.baseService();
        m_bus.connect(kWatcherService, kWatcherPath, kWatcherInterface, QStringLiteral("StatusNotifierHostRegistered"),
                      this, SLOT(hostRegistered()));
    }
    // Asked at every look, not only when a watcher's name comes: a watcher may take its name
    // before its object is there and refuse the first asking.
    if (!m_registered)
        askWatcher();
    else if (!m_hostThere)
        askForHost();
}

void DBusStatusNotifier::withdraw()
{
    if (!m_offered)
        return;
    m_offered = false;
    ++m_asked;
    m_asking = false;
    m_registered = false;
    m_hostThere = false;
    m_bus.disconnect(kWatcherService, kWatcherPath, kWatcherInterface, QStringLiteral("StatusNotifierHostRegistered"),
                     this, SLOT(hostRegistered()));
    // The watcher drops an item whose name goes. One offered under the connection's own name
    // (another had taken ours) stays listed until the program ends, without objects behind it.
    if (m_serviceName != m_bus.baseService())
        m_bus.unregisterService(m_serviceName);
    m_bus.unregisterObject(kItemPath);
    m_bus.unregisterObject(kMenuPath);
    m_serviceName.clear();
}

void DBusStatusNotifier::askWatcher()
{
    if (m_asking)
        return;
    m_asking = true;
    const int asked = ++m_asked;
    QDBusMessage call = QDBusMessage::createMethodCall(kWatcherService, kWatcherPath, kWatcherInterface,
                                                       QStringLiteral("RegisterStatusNotifierItem"));
    call << m_serviceName;
    // No watcher is started for us: one that comes by itself is seen by m_watcher.
    call.setAutoStartService(false);
    auto* pending = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this, asked](QDBusPendingCallWatcher* answer) {
        answer->deleteLater();
        if (asked != m_asked)
            return;
        m_asking = false;
        if (answer->isError())
            return;
        m_registered = true;
        askForHost();
    });
}

void DBusStatusNotifier::askForHost()
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        kWatcherService, kWatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    call << kWatcherInterface << QStringLiteral("IsStatusNotifierHostRegistered");
    call.setAutoStartService(false);
    auto* pending = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this, asked = m_asked](QDBusPendingCallWatcher* answer) {
                answer->deleteLater();
                const QDBusPendingReply<QDBusVariant> reply = *answer;
                if (asked == m_asked && m_registered && reply.isValid())
                    setPlaced(true, reply.value().variant().toBool());
            });
}

void DBusStatusNotifier::hostRegistered()
{
    if (m_registered)
        setPlaced(true, true);
}

void DBusStatusNotifier::watcherCame()
{
    if (!m_offered)
        return;
    // An asking still under way went to no watcher or to the one before; this one needs its own.
    m_asking = false;
    askWatcher();
}

void DBusStatusNotifier::watcherGone()
{
    ++m_asked;
    m_asking = false;
    setPlaced(false, false);
}

void DBusStatusNotifier::setPlaced(bool registered, bool hostThere)
{
    const bool before = m_registered && m_hostThere;
    m_registered = registered;
    m_hostThere = hostThere;
    const bool now = m_registered && m_hostThere;
    if (now != before)
        emit placedChanged(now);
}

void DBusStatusNotifier::setIcon(const QList<NotifierPixmap>& pictures)
{
    DBusPixmapList pixmaps;
    for (const NotifierPixmap& picture : pictures)
        pixmaps.append({picture.width, picture.height, picture.argb});
    m_item->setIcon(std::move(pixmaps));
}

void DBusStatusNotifier::setToolTip(const QString& text)
{
    m_item->setToolTip(text);
}

void DBusStatusNotifier::setMenu(const QList<NotifierMenuEntry>& entries)
{
    m_menu->setEntries(entries);
}

} // namespace telvor
