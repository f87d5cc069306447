#include "platform/X11WindowSystem.h"

#include <QGuiApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdlib>
#include <cstring>
#include <utility>

// After Qt's headers: the X11 headers define macros that collide with Qt's names.
#include <xcb/xcb.h>

namespace telvor {

namespace {

xcb_connection_t* qtConnection()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

/** Frees what xcb hands out with malloc. */
struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using XcbPointer = std::unique_ptr<T, FreeDeleter>;

XcbPointer<xcb_get_geometry_reply_t> geometry(xcb_connection_t* connection, quint32 window)
{
    xcb_generic_error_t* error = nullptr;
    XcbPointer<xcb_get_geometry_reply_t> reply(
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), &error));
    std::free(error);
    return reply;
}

xcb_atom_t atom(xcb_connection_t* connection, const char* name)
{
    const XcbPointer<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

} // namespace

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
        while (XcbPointer<xcb_generic_event_t> event{xcb_poll_for_event(connection)}) {
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
    xcb_connection_t* connection = qtConnection();
    if (!connection)
        return std::nullopt;
    const XcbPointer<xcb_get_geometry_reply_t> reply = geometry(connection, window);
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
    const XcbPointer<xcb_generic_error_t> error(xcb_request_check(
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
    xcb_connection_t* connection = qtConnection();
    if (!connection)
        return;
    const XcbPointer<xcb_get_geometry_reply_t> reply = geometry(connection, window);
    if (!reply)
        return;
    // The window manager's way to change the layer of a shown window (a new flag would hide it).
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = atom(connection, "_NET_WM_STATE");
    message.data.data32[0] = above ? 1 : 0; // _NET_WM_STATE_ADD or _NET_WM_STATE_REMOVE
    message.data.data32[1] = atom(connection, "_NET_WM_STATE_ABOVE");
    message.data.data32[3] = 1; // from an application
    xcb_send_event(connection, 0, reply->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(connection);
}

} // namespace telvor
