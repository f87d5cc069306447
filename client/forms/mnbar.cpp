#include "client/forms/mnbar.h"

#include "client/core/Company.h"
#include "client/forms/NotifierMenu.h"
#include "client/forms/NotifierPictures.h"
#include "client/forms/telvorinfo.h"
#include "common/StatusNotifier.h"
#include "pictures/ProgramIcon.h"

#include <QMenu>
#include <QSystemTrayIcon>

namespace telvor {

namespace {

const QString kToolTip = QStringLiteral("Quorvel");
const QString kCutOffToolTip = QStringLiteral("Quorvel - Austauschverzeichnis nicht erreichbar");

// At a login the panel may come up after the client: look again every 2 s, and after a minute
// without one say once that the client runs without its icon (it keeps looking all the same).
constexpr int kTrayLookMs = 2000;
constexpr int kTrayLooksBeforeReport = 30;

} // namespace

mnbar::mnbar(Scheduler& scheduler, StatusNotifier* notifier, QWidget* parent)
    : mnbar(scheduler, &QSystemTrayIcon::isSystemTrayAvailable, notifier, parent)
{
}

mnbar::mnbar(Scheduler& scheduler, Availability trayAvailable, StatusNotifier* notifier, QWidget* parent)
    : QWidget(parent), m_trayAvailable(std::move(trayAvailable)), m_menu(new QMenu(this)),
      m_icon(new QSystemTrayIcon(this)), m_notifier(notifier),
      m_trayWatch(scheduler, kTrayLookMs, false, [this] { lookForTray(); })
{
    setObjectName(QStringLiteral("mnbar"));
    setAttribute(Qt::WA_QuitOnClose, false);

    m_menu->setObjectName(QStringLiteral("mnbar"));
    pinfo = m_menu->addAction(QStringLiteral("Info"), this, [this] { pinfo_Click(); });
    pinfo->setObjectName(QStringLiteral("pinfo"));
    peinstell = m_menu->addAction(QStringLiteral("Einstellung"), this, [this] { peinstell_Click(); });
    peinstell->setObjectName(QStringLiteral("peinstell"));
    pbeend = m_menu->addAction(QStringLiteral("Programm beenden"), this, [this] { pbeend_Click(); });
    pbeend->setObjectName(QStringLiteral("pbeend"));

    m_icon->setObjectName(QStringLiteral("Picture1"));
    m_icon->setIcon(programIcon());
    m_icon->setToolTip(kToolTip);
    // The right button opens the menu; the left button and a double click do nothing.
    m_icon->setContextMenu(m_menu);

    if (m_notifier) {
        m_notifier->setIcon(notifierPictures(programIcon()));
        m_notifier->setToolTip(kToolTip);
        new NotifierMenu(m_menu, m_notifier);
        connect(m_notifier, &StatusNotifier::placedChanged, this, &mnbar::notifierPlaced);
    }
}

mnbar::~mnbar() = default;

void mnbar::load()
{
    setWindowTitle(companyCaption);
    lookForTray();
}

void mnbar::lookForTray()
{
    if (m_trayAvailable()) {
        m_trayWatch.setEnabled(false);
        if (m_notifier)
            m_notifier->withdraw();
        m_icon->show();
        m_iconWasShown = true;
        return;
    }
    if (m_notifier)
        m_notifier->offer();
    m_trayWatch.setEnabled(true);
    if (++m_trayLooks > kTrayLooksBeforeReport && !m_reportedMissing && !m_iconWasShown) {
        m_reportedMissing = true;
        if (m_client)
            m_client->trayUnavailable();
    }
}

void mnbar::notifierPlaced(bool placed)
{
    if (placed) {
        // No more looks: a panel that also docks icons must not get a second one.
        m_iconWasShown = true;
        m_trayWatch.setEnabled(false);
    } else {
        // The panel went away: wait for it to come back, or for another to appear.
        lookForTray();
    }
}

void mnbar::setCutOff(bool cutOff)
{
    const QIcon icon = cutOff ? cutOffIcon() : programIcon();
    const QString toolTip = cutOff ? kCutOffToolTip : kToolTip;
    m_icon->setIcon(icon);
    m_icon->setToolTip(toolTip);
    if (m_notifier) {
        m_notifier->setIcon(notifierPictures(icon));
        m_notifier->setToolTip(toolTip);
    }
}

void mnbar::pinfo_Click()
{
    if (!m_info)
        m_info = std::make_unique<telvorinfo>();
    m_info->showInfo();
}

void mnbar::peinstell_Click()
{
    if (m_client)
        m_client->setupRequested();
}

void mnbar::pbeend_Click()
{
    m_trayWatch.setEnabled(false);
    m_icon->hide();
    if (m_notifier)
        m_notifier->withdraw();
    if (m_client)
        m_client->endProgram();
}

} // namespace telvor
