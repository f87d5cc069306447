#pragma once

#include "common/StatusNotifier.h"

#include <QObject>

class QMenu;

namespace telvor {

/**
 * The menu of a notifier's icon is the program's own QMenu: its entries with their labels and
 * states, again after each change; an entry chosen in the notification area triggers the action,
 * and where that area cannot show menus the QMenu opens at the point it names.
 */
class NotifierMenu final : public QObject {
    Q_OBJECT
public:
    /** Both outlive this object. */
    NotifierMenu(QMenu* menu, StatusNotifier* notifier);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void publish();
    void choose(int index);

    QMenu* m_menu;
    StatusNotifier* m_notifier;
};

} // namespace telvor
