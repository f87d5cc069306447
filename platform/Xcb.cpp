#include <QGuiApplication>

#include "platform/Xcb.h"

#include <cstring>

namespace telvor::xcb {

xcb_connection_t* qtConnection()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_window_t rootWindow(xcb_connection_t* connection)
{
    return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
}

xcb_atom_t atom(xcb_connection_t* connection, const char* name)
{
    const Pointer<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

Pointer<xcb_get_geometry_reply_t> geometry(xcb_connection_t* connection, xcb_window_t window)
{
    xcb_generic_error_t* error = nullptr;
    Pointer<xcb_get_geometry_reply_t> reply(
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), &error));
    std::free(error);
    return reply;
}

std::vector<uint32_t> property32(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property,
                                 xcb_atom_t type)
{
    // More items than any window manager sets on one window (its list of supported hints).
    constexpr uint32_t kMaxItems = 4096;
    xcb_generic_error_t* error = nullptr;
    const Pointer<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, property, type, 0, kMaxItems), &error));
    std::free(error);
    if (!reply || reply->format != 32 || reply->type != type)
        return {};
    const auto* items = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
    return {items, items + xcb_get_property_value_length(reply.get()) / 4};
}

void sendToWindowManager(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t type, uint32_t data0,
                         uint32_t data1, uint32_t data2, uint32_t data3)
{
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = type;
    message.data.data32[0] = data0;
    message.data.data32[1] = data1;
    message.data.data32[2] = data2;
    message.data.data32[3] = data3;
    xcb_send_event(connection, 0, rootWindow(connection),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(connection);
}

} // namespace telvor::xcb
