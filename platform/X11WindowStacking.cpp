#include "platform/X11WindowStacking.h"

#include <QWindow>

#include <algorithm>

#include "platform/Xcb.h"

namespace telvor {

namespace {

// The source of a request as the window manager hears it: a task bar or pager, which acts for the
// user, rather than an application that wants attention.
constexpr uint32_t kFromPager = 2;
constexpr uint32_t kStackAbove = 0;

/**
 * Asks the window manager to stack window right above sibling with the request a client sends for
 * a window it does not parent. A plain raise names no sibling, and some window managers take it
 * for a wish for the keyboard.
 */
void restackAbove(xcb_connection_t* connection, xcb_window_t window, xcb_window_t sibling)
{
    xcb_configure_request_event_t request{};
    request.response_type = XCB_CONFIGURE_REQUEST;
    request.parent = xcb::rootWindow(connection);
    request.window = window;
    request.sibling = sibling;
    request.stack_mode = XCB_STACK_MODE_ABOVE;
    request.value_mask = XCB_CONFIG_WINDOW_SIBLING | XCB_CONFIG_WINDOW_STACK_MODE;
    xcb_send_event(connection, 0, request.parent,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&request));
    xcb_flush(connection);
}

} // namespace

uint32_t X11WindowStacking::atom(const char* name)
{
    const auto known = m_atoms.find(name);
    if (known != m_atoms.end())
        return known->second;
    const xcb_atom_t number = xcb::atom(xcb::qtConnection(), name);
    if (number != XCB_ATOM_NONE)
        m_atoms.emplace(name, number);
    return number;
}

bool X11WindowStacking::windowManagerSupports(uint32_t hint)
{
    // Read each time: another window manager may have taken over the desktop.
    xcb_connection_t* connection = xcb::qtConnection();
    const std::vector<uint32_t> supported =
        xcb::property32(connection, xcb::rootWindow(connection), atom("_NET_SUPPORTED"), XCB_ATOM_ATOM);
    return hint != XCB_ATOM_NONE && std::find(supported.begin(), supported.end(), hint) != supported.end();
}

void X11WindowStacking::raiseWithoutFocus(QWindow& window)
{
    xcb_connection_t* connection = xcb::qtConnection();
    if (!connection)
        return window.raise();
    const auto id = static_cast<xcb_window_t>(window.winId());
    const xcb_atom_t restack = atom("_NET_RESTACK_WINDOW");
    if (windowManagerSupports(restack))
        return xcb::sendToWindowManager(connection, id, restack, kFromPager, XCB_WINDOW_NONE, kStackAbove);
    const std::vector<uint32_t> stacking =
        xcb::property32(connection, xcb::rootWindow(connection), atom("_NET_CLIENT_LIST_STACKING"), XCB_ATOM_WINDOW);
    if (stacking.empty())
        return window.raise();
    if (stacking.back() != id)
        restackAbove(connection, id, stacking.back());
}

void X11WindowStacking::activate(QWindow& window)
{
    xcb_connection_t* connection = xcb::qtConnection();
    const xcb_atom_t active = connection ? atom("_NET_ACTIVE_WINDOW") : xcb_atom_t(XCB_ATOM_NONE);
    if (!connection || !windowManagerSupports(active)) {
        window.raise();
        return window.requestActivate();
    }
    xcb::sendToWindowManager(connection, static_cast<xcb_window_t>(window.winId()), active, kFromPager,
                             XCB_CURRENT_TIME);
}

bool X11WindowStacking::fullScreenWindowActive()
{
    xcb_connection_t* connection = xcb::qtConnection();
    if (!connection)
        return false;
    const std::vector<uint32_t> active =
        xcb::property32(connection, xcb::rootWindow(connection), atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW);
    if (active.empty() || active.front() == XCB_WINDOW_NONE)
        return false;
    const std::vector<uint32_t> states =
        xcb::property32(connection, active.front(), atom("_NET_WM_STATE"), XCB_ATOM_ATOM);
    const xcb_atom_t fullScreen = atom("_NET_WM_STATE_FULLSCREEN");
    return std::find(states.begin(), states.end(), fullScreen) != states.end();
}

} // namespace telvor
