#pragma once

#include "platform/DBusTrayTypes.h"

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QPoint>

#include <functional>

namespace telvor {

/**
 * The icon as a notification area reads it on the message bus (org.kde.StatusNotifierItem): its
 * pictures, tooltip and menu; an active item of the program's status whose clicks open the menu.
 */
class StatusNotifierItemAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconThemePath READ noName)
    Q_PROPERTY(QString IconName READ noName)
    Q_PROPERTY(telvor::DBusPixmapList IconPixmap READ iconPixmap)
    Q_PROPERTY(QString OverlayIconName READ noName)
    Q_PROPERTY(telvor::DBusPixmapList OverlayIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionIconName READ noName)
    Q_PROPERTY(telvor::DBusPixmapList AttentionIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionMovieName READ noName)
    Q_PROPERTY(telvor::DBusToolTip ToolTip READ toolTip)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)

public:
    /** Exports on object; menu is the path of the item's com.canonical.dbusmenu object. */
    StatusNotifierItemAdaptor(QObject* object, QString id, QString title, QDBusObjectPath menu);

    void setIcon(DBusPixmapList pixmaps);
    void setToolTip(const QString& text);

    /** Called when the notification area asks the program to open its menu at a point of the screen. */
    std::function<void(QPoint)> onContextMenu;

    [[nodiscard]] QString category() const { return QStringLiteral("ApplicationStatus"); }
    [[nodiscard]] QString id() const { return m_id; }
    [[nodiscard]] QString title() const { return m_title; }
    [[nodiscard]] QString status() const { return QStringLiteral("Active"); }
    [[nodiscard]] int windowId() const { return 0; }
    [[nodiscard]] QString noName() const { return {}; }
    [[nodiscard]] DBusPixmapList iconPixmap() const { return m_pixmaps; }
    [[nodiscard]] DBusPixmapList noPixmaps() const { return {}; }
    [[nodiscard]] DBusToolTip toolTip() const { return m_toolTip; }
    [[nodiscard]] bool itemIsMenu() const { return true; }
    [[nodiscard]] QDBusObjectPath menu() const { return m_menu; }

public slots:
    void ContextMenu(int x, int y);
    // A click with either button means nothing: the menu is the icon's one use.
    void Activate(int, int) {}
    void SecondaryActivate(int, int) {}
    void Scroll(int, const QString&) {}

signals:
    void NewTitle();
    void NewIcon();
    void NewAttentionIcon();
    void NewOverlayIcon();
    void NewToolTip();
    void NewStatus(const QString& status);

private:
    QString m_id;
    QString m_title;
    QDBusObjectPath m_menu;
    DBusPixmapList m_pixmaps;
    DBusToolTip m_toolTip;
};

} // namespace telvor
