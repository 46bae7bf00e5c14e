// Shows one top-level X11 window and waits until it is ended. Arguments: title, then "utility"
// for a tool window that a taskbar does not show, or "host=NAME" for a window that says it comes
// from a client on host NAME. The window names our process in _NET_WM_PID.

#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s title [utility]\n", argv[0]);
        return 2;
    }
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection))
        return 3;
    xcb_ewmh_connection_t ewmh{};
    if (!xcb_ewmh_init_atoms_replies(&ewmh, xcb_ewmh_init_atoms(connection, &ewmh), nullptr))
        return 4;
    xcb_screen_t* screen = ewmh.screens[screenNumber];
    const xcb_window_t window = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 200, 100, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
    const std::string title = argv[1];
    xcb_ewmh_set_wm_name(&ewmh, window, title.size(), title.c_str());
    xcb_ewmh_set_wm_pid(&ewmh, window, static_cast<uint32_t>(getpid()));
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    const std::string option = argc > 2 ? argv[2] : "";
    const std::string machine = option.rfind("host=", 0) == 0 ? option.substr(5) : host;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLIENT_MACHINE,
                        XCB_ATOM_STRING, 8, machine.size(), machine.c_str());
    if (option == "utility") {
        xcb_atom_t type = ewmh._NET_WM_WINDOW_TYPE_UTILITY;
        xcb_ewmh_set_wm_window_type(&ewmh, window, 1, &type);
    }
    xcb_map_window(connection, window);
    xcb_flush(connection);
    while (xcb_generic_event_t* event = xcb_wait_for_event(connection))
        std::free(event);
    return 0;
}
