#include "platform/X11WindowSystem.h"

#include <QSocketNotifier>
#include <QTimer>

#include <utility>

#include "platform/Xcb.h"

namespace telvor {

using xcb::Pointer;

struct X11WindowSystem::Watch {
    ~Watch()
    {
        notifier.reset();
        if (connection)
            xcb_disconnect(connection);
    }

    /** Takes every event that has arrived; the host's end or a lost connection ends the watch. */
    void drain()
    {
        while (Pointer<xcb_generic_event_t> event{xcb_poll_for_event(connection)}) {
            switch (event->response_type & 0x7f) {
            case XCB_DESTROY_NOTIFY:
                if (reinterpret_cast<xcb_destroy_notify_event_t*>(event.get())->window == window)
                    return end();
                break;
            case XCB_CONFIGURE_NOTIFY: {
                const auto* configure = reinterpret_cast<xcb_configure_notify_event_t*>(event.get());
                if (configure->window == window && onResized)
                    onResized(QSize(configure->width, configure->height));
                break;
            }
            default:
                break;
            }
        }
        if (xcb_connection_has_error(connection))
            end();
    }

    void end()
    {
        if (notifier)
            notifier->setEnabled(false);
        if (const std::function<void()> gone = std::exchange(onGone, nullptr))
            gone();
    }

    quint32 window = 0;
    xcb_connection_t* connection = nullptr;
    std::unique_ptr<QSocketNotifier> notifier;
    std::function<void()> onGone;
    std::function<void(QSize)> onResized;
};

X11WindowSystem::X11WindowSystem() = default;

X11WindowSystem::~X11WindowSystem() = default;

std::optional<QSize> X11WindowSystem::windowSize(quint32 window)
{
    xcb_connection_t* connection = xcb::qtConnection();
    if (!connection)
        return std::nullopt;
    const Pointer<xcb_get_geometry_reply_t> reply = xcb::geometry(connection, window);
    if (!reply)
        return std::nullopt;
    return QSize(reply->width, reply->height);
}

void X11WindowSystem::watchWindow(quint32 window, std::function<void()> onGone, std::function<void(QSize)> onResized)
{
    m_watch = std::make_unique<Watch>();
    m_watch->window = window;
    m_watch->onGone = std::move(onGone);
    m_watch->onResized = std::move(onResized);
    Watch* watch = m_watch.get();
    // Told from the event loop, as every later end is.
    const auto endSoon = [watch] { QTimer::singleShot(0, [watch] { watch->end(); }); };

    watch->connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(watch->connection))
        return endSoon();
    // Any number of clients may hear of a window's structure changes, so the host's own mask stays.
    const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    const Pointer<xcb_generic_error_t> error(xcb_request_check(
        watch->connection, xcb_change_window_attributes_checked(watch->connection, window, XCB_CW_EVENT_MASK, &mask)));
    if (error)
        return endSoon();
    watch->notifier =
        std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(watch->connection), QSocketNotifier::Read);
    QObject::connect(watch->notifier.get(), &QSocketNotifier::activated, [watch] { watch->drain(); });
    // Events read along with the check's reply wait in xcb's queue, where the notifier never sees them.
    QTimer::singleShot(0, watch->notifier.get(), [watch] { watch->drain(); });
}

void X11WindowSystem::setAbove(quint32 window, bool above)
{
    xcb_connection_t* connection = xcb::qtConnection();
    if (!connection || !xcb::geometry(connection, window))
        return;
    // The window manager's way to change the layer of a shown window (a new flag would hide it).
    constexpr uint32_t kAdd = 1;
    constexpr uint32_t kRemove = 0;
    constexpr uint32_t kFromApplication = 1;
    xcb::sendToWindowManager(connection, window, xcb::atom(connection, "_NET_WM_STATE"), above ? kAdd : kRemove,
                             xcb::atom(connection, "_NET_WM_STATE_ABOVE"), 0, kFromApplication);
}

} // namespace telvor
