#pragma once

#include "client/core/ClientViews.h"
#include "common/Timer.h"

#include <QWidget>

#include <functional>
#include <memory>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace telvor {

class StatusNotifier;
class telvorinfo;

/**
 * The client's place in the notification area: the icon with its tooltip and, on the right
 * button, the menu "Info", "Einstellung", "Programm beenden". The form itself is never shown.
 * Qt's icon goes to the notification area that Qt found; where Qt found none, the same icon and
 * menu go to the first notification area on the message bus that takes them. Never both.
 */
class mnbar final : public QWidget, public TrayView {
    Q_OBJECT
public:
    /** trayAvailable tells whether the desktop has a notification area now. */
    using Availability = std::function<bool()>;

    /** notifier, when given, outlives the form. */
    explicit mnbar(Scheduler& scheduler, StatusNotifier* notifier = nullptr, QWidget* parent = nullptr);
    mnbar(Scheduler& scheduler, Availability trayAvailable, StatusNotifier* notifier = nullptr,
          QWidget* parent = nullptr);
    ~mnbar() override;

    /** Who hears of "Einstellung", "Programm beenden" and a desktop without a notification area. */
    void attach(ClientInput* client) { m_client = client; }

    void load() override;
    void setCutOff(bool cutOff) override;

    QSystemTrayIcon* icon() const { return m_icon; }
    QMenu* menu() const { return m_menu; }
    /** The info window once "Info" has made it; null before. */
    telvorinfo* info() const { return m_info.get(); }

    QAction* pinfo;
    QAction* peinstell;
    QAction* pbeend;

private:
    void pinfo_Click();
    void peinstell_Click();
    void pbeend_Click();
    void lookForTray();
    void notifierPlaced(bool placed);

    Availability m_trayAvailable;
    QMenu* m_menu;
    QSystemTrayIcon* m_icon;
    StatusNotifier* m_notifier;
    std::unique_ptr<telvorinfo> m_info;
    ClientInput* m_client = nullptr;
    /** Looks again for a notification area that appears after the client, as at a login. */
    Timer m_trayWatch;
    int m_trayLooks = 0;
    bool m_reportedMissing = false;
    bool m_iconWasShown = false;
};

} // namespace telvor
