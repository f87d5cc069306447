#include "platform/StatusNotifierItemAdaptor.h"

namespace telvor {

StatusNotifierItemAdaptor::StatusNotifierItemAdaptor(QObject* object, QString id, QString title, QDBusObjectPath menu)
    : QDBusAbstractAdaptor(object), m_id(std::move(id)), m_title(std::move(title)), m_menu(std::move(menu))
{
}

void StatusNotifierItemAdaptor::setIcon(DBusPixmapList pixmaps)
{
    m_pixmaps = std::move(pixmaps);
    emit NewIcon();
}

void StatusNotifierItemAdaptor::setToolTip(const QString& text)
{
    m_toolTip.title = text;
    emit NewToolTip();
}

void StatusNotifierItemAdaptor::ContextMenu(int x, int y)
{
    if (onContextMenu)
        onContextMenu(QPoint(x, y));
}

} // namespace telvor
