#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QString>

namespace telvor {

/** One picture of the icon: width x height pixels, four bytes each, alpha, red, green, blue. */
struct NotifierPixmap {
    int width = 0;
    int height = 0;
    QByteArray argb;

    bool operator==(const NotifierPixmap&) const = default;
};

/** One entry of the icon's menu; the label may carry a '&' before its access key, "&&" is a '&'. */
struct NotifierMenuEntry {
    QString label;
    bool enabled = true;
    bool visible = true;
    bool separator = false;

    bool operator==(const NotifierMenuEntry&) const = default;
};

/**
 * An icon with a menu that the program hands to a notification area through the desktop's
 * message bus: the way in where the notification area is no window that icons dock into, or
 * where it came up after the program had asked the toolkit for one. Entries are named by their
 * place in the menu.
 */
class StatusNotifier : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    /**
     * Offers the icon to the notification areas: now, and again whenever one comes or comes back
     * (a panel that restarts), until withdraw(). placedChanged tells when one shows it.
     */
    virtual void offer() = 0;
    /** Takes the icon out of every notification area; emits nothing. */
    virtual void withdraw() = 0;

    virtual void setIcon(const QList<NotifierPixmap>& pictures) = 0;
    virtual void setToolTip(const QString& text) = 0;
    virtual void setMenu(const QList<NotifierMenuEntry>& entries) = 0;

signals:
    /** A notification area shows the icon now (true), or none does any longer (false). */
    void placedChanged(bool placed);
    /** The user chose the entry at this place. */
    void entryChosen(int index);
    /** The notification area is about to show the menu. */
    void menuAboutToShow();
    /** The notification area cannot show the menu itself and asks for it at this point of the screen. */
    void menuRequested(QPoint at);
};

} // namespace telvor
