// Holds the CLIPBOARD selection the way odd apps do, for end-to-end cases.
//   clipboard_owner silent                 owns it and never answers
//   clipboard_owner targets-only           lists UTF8_STRING but never sends it
//   clipboard_owner incr-stall             starts sending UTF8_STRING in increments, then stops
//   clipboard_owner serve TEXT TARGET...   offers TEXT under each TARGET; the target
//                                          x-kde-passwordManagerHint answers "secret"
// Prints "ready" once it owns the selection; ends when another client takes it over.
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

xcb_connection_t* connection;

xcb_atom_t intern(const std::string& name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(name.size()), name.c_str()), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : 0;
    std::free(reply);
    return atom;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode != "silent" && mode != "targets-only" && mode != "incr-stall" && !(mode == "serve" && argc > 3)) {
        std::fprintf(stderr, "usage: clipboard_owner silent | targets-only | incr-stall | serve TEXT TARGET...\n");
        return 2;
    }
    int screenNumber = 0;
    connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) return 1;
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber; ++i) xcb_screen_next(&screens);
    const xcb_window_t window = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screens.data->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);

    const xcb_atom_t clipboard = intern("CLIPBOARD");
    const xcb_atom_t targets = intern("TARGETS");
    const xcb_atom_t hint = intern("x-kde-passwordManagerHint");
    std::vector<xcb_atom_t> offered{targets};
    std::string text;
    const xcb_atom_t incr = intern("INCR");
    if (mode == "targets-only" || mode == "incr-stall") offered.push_back(intern("UTF8_STRING"));
    if (mode == "serve") {
        text = argv[2];
        for (int i = 3; i < argc; ++i) offered.push_back(intern(argv[i]));
    }

    xcb_set_selection_owner(connection, window, clipboard, XCB_CURRENT_TIME);
    xcb_get_selection_owner_reply_t* owner =
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, clipboard), nullptr);
    const bool owns = owner && owner->owner == window;
    std::free(owner);
    if (!owns) return 1;
    std::printf("ready\n");
    std::fflush(stdout);

    while (xcb_generic_event_t* event = xcb_wait_for_event(connection)) {
        const uint8_t type = event->response_type & 0x7f;
        if (type == XCB_SELECTION_CLEAR) {
            std::free(event);
            break;
        }
        if (type != XCB_SELECTION_REQUEST || mode == "silent") {
            std::free(event);
            continue;
        }
        const auto* request = reinterpret_cast<xcb_selection_request_event_t*>(event);
        xcb_atom_t property = request->property ? request->property : request->target;
        bool answered = true;
        if (request->target == targets) {
            xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request->requestor, property, XCB_ATOM_ATOM, 32,
                                static_cast<uint32_t>(offered.size()), offered.data());
        } else if (mode == "targets-only") {
            std::free(event);
            continue;  // the text never comes
        } else if (mode == "incr-stall") {
            // Announces a large transfer; the pieces never follow.
            const uint32_t size = 1u << 20;
            xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request->requestor, property, incr, 32, 1, &size);
        } else if (request->target == hint && std::find(offered.begin(), offered.end(), hint) != offered.end()) {
            xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request->requestor, property, request->target, 8,
                                6, "secret");
        } else if (std::find(offered.begin(), offered.end(), request->target) != offered.end()) {
            xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request->requestor, property, request->target, 8,
                                static_cast<uint32_t>(text.size()), text.data());
        } else {
            answered = false;
        }
        xcb_selection_notify_event_t notify{};
        notify.response_type = XCB_SELECTION_NOTIFY;
        notify.time = request->time;
        notify.requestor = request->requestor;
        notify.selection = request->selection;
        notify.target = request->target;
        notify.property = answered ? property : xcb_atom_t(XCB_ATOM_NONE);
        xcb_send_event(connection, 0, request->requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&notify));
        xcb_flush(connection);
        std::free(event);
    }
    xcb_disconnect(connection);
    return 0;
}
