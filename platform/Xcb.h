#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

// After Qt's headers: the X11 headers define macros that collide with Qt's names.
#include <xcb/xcb.h>

namespace telvor::xcb {

/** Frees what xcb hands out with malloc. */
struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using Pointer = std::unique_ptr<T, FreeDeleter>;

/** Qt's own connection; null where the program does not run on the xcb platform. */
xcb_connection_t* qtConnection();
xcb_window_t rootWindow(xcb_connection_t* connection);
xcb_atom_t atom(xcb_connection_t* connection, const char* name);
Pointer<xcb_get_geometry_reply_t> geometry(xcb_connection_t* connection, xcb_window_t window);
/** A window's property of 32-bit items (atoms, windows, cardinals); empty when it has none. */
std::vector<uint32_t> property32(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property,
                                 xcb_atom_t type);
/** Sends a client message about window to the root, where the window manager takes it. */
void sendToWindowManager(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t type, uint32_t data0,
                         uint32_t data1 = 0, uint32_t data2 = 0, uint32_t data3 = 0);

} // namespace telvor::xcb
