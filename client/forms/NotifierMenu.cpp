#include "client/forms/NotifierMenu.h"

#include <QAction>
#include <QEvent>
#include <QMenu>

namespace telvor {

NotifierMenu::NotifierMenu(QMenu* menu, StatusNotifier* notifier) : QObject(menu), m_menu(menu), m_notifier(notifier)
{
    m_menu->installEventFilter(this);
    connect(m_notifier, &StatusNotifier::entryChosen, this, &NotifierMenu::choose);
    connect(m_notifier, &StatusNotifier::menuAboutToShow, m_menu, &QMenu::aboutToShow);
    connect(m_notifier, &StatusNotifier::menuRequested, m_menu, [this](QPoint at) { m_menu->popup(at); });
    publish();
}

bool NotifierMenu::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_menu && (event->type() == QEvent::ActionAdded || event->type() == QEvent::ActionChanged ||
                              event->type() == QEvent::ActionRemoved))
        publish();
    return QObject::eventFilter(watched, event);
}

void NotifierMenu::publish()
{
    QList<NotifierMenuEntry> entries;
    for (const QAction* action : m_menu->actions())
        entries.append({action->text(), action->isEnabled(), action->isVisible(), action->isSeparator()});
    m_notifier->setMenu(entries);
}

void NotifierMenu::choose(int index)
{
    QAction* action = m_menu->actions().value(index);
    // The entry may have changed since the notification area showed it.
    if (action && action->isEnabled() && action->isVisible() && !action->isSeparator())
        action->trigger();
}

} // namespace telvor
