#include "platform/XineramaMonitorLayout.h"

#include "platform/Xcb.h"

#include <algorithm>

#include <xcb/xinerama.h>

namespace telvor {

std::vector<QRect> XineramaMonitorLayout::monitors()
{
    xcb_connection_t* connection = xcb::qtConnection();
    if (!connection)
        return {};
    const xcb::Pointer<xcb_xinerama_is_active_reply_t> active(
        xcb_xinerama_is_active_reply(connection, xcb_xinerama_is_active(connection), nullptr));
    if (!active || !active->state)
        return {};
    const xcb::Pointer<xcb_xinerama_query_screens_reply_t> reply(
        xcb_xinerama_query_screens_reply(connection, xcb_xinerama_query_screens(connection), nullptr));
    if (!reply)
        return {};
    const xcb_xinerama_screen_info_t* heads = xcb_xinerama_query_screens_screen_info(reply.get());
    const int count = xcb_xinerama_query_screens_screen_info_length(reply.get());
    std::vector<QRect> areas;
    areas.reserve(static_cast<size_t>(std::max(count, 0)));
    for (int i = 0; i < count; ++i)
        areas.emplace_back(heads[i].x_org, heads[i].y_org, heads[i].width, heads[i].height);
    return areas;
}

} // namespace telvor
