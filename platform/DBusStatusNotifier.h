#pragma once

#include "common/StatusNotifier.h"

#include <QDBusConnection>
#include <QDBusServiceWatcher>

#include <memory>

namespace telvor {

class DBusContextObject;
class DBusMenuAdaptor;
class StatusNotifierItemAdaptor;

/**
 * The icon on the desktop's message bus: an org.kde.StatusNotifierItem with its menu as
 * com.canonical.dbusmenu, under the bus name org.kde.StatusNotifierItem-PID-1, registered with
 * the org.kde.StatusNotifierWatcher whenever one is on the bus. It counts as placed once the
 * watcher has taken it and knows a notification area (a host) that shows the icons it holds.
 * Nothing here waits for the watcher: its answers come through the event loop.
 */
class DBusStatusNotifier final : public StatusNotifier {
    Q_OBJECT
public:
    /** id names the program to the desktop, title is the icon's name for people. */
    DBusStatusNotifier(QDBusConnection bus, QString id, QString title, QObject* parent = nullptr);
    ~DBusStatusNotifier() override;
    DBusStatusNotifier(const DBusStatusNotifier&) = delete;
    DBusStatusNotifier& operator=(const DBusStatusNotifier&) = delete;

    /** Calling it again while the icon is not placed asks the watcher once more. */
    void offer() override;
    void withdraw() override;

    void setIcon(const QList<NotifierPixmap>& pictures) override;
    void setToolTip(const QString& text) override;
    void setMenu(const QList<NotifierMenuEntry>& entries) override;

    /** The bus name under which the icon was offered; empty while it is not. */
    [[nodiscard]] QString serviceName() const { return m_serviceName; }

private slots:
    void hostRegistered();

private:
    void askWatcher();
    void askForHost();
    void watcherCame();
    void watcherGone();
    void setPlaced(bool registered, bool hostThere);

    QDBusConnection m_bus;
    QObject m_itemObject;
    // The adaptors' types stay out of this header: forms that include it have a class named telvor.
    std::unique_ptr<DBusContextObject> m_menuObject;
    StatusNotifierItemAdaptor* m_item;
    DBusMenuAdaptor* m_menu;
    QDBusServiceWatcher m_watcher;
    QString m_serviceName;
    bool m_offered = false;
    bool m_registered = false;
    bool m_hostThere = false;
    bool m_asking = false;
    /** Counts the askings: an answer to an earlier one, from a watcher that has gone since, is void. */
    int m_asked = 0;
};

} // namespace telvor
