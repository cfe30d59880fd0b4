// Holds the CLIPBOARD selection the way odd apps do, for end-to-end cases.
//   clipboard_owner silent                 owns it and never answers
//   clipboard_owner targets-only           lists UTF8_STRING but never sends it
//   clipboard_owner incr-stall             starts sending UTF8_STRING in increments, then stops
//   clipboard_owner serve TEXT TARGET...   offers TEXT under each TARGET; the target
//                                          x-kde-passwordManagerHint answers "secret"
//   clipboard_owner late MS TEXT           offers TEXT as UTF8_STRING, answering every request MS
//                                          ms late, also those of readers that have gone
//   clipboard_owner html FILE              offers only text/html, the contents of FILE
//   clipboard_owner targets-flood N TEXT   lists N bogus formats, then UTF8_STRING (in increments),
//                                          and offers TEXT
//   clipboard_owner trickle                sends UTF8_STRING in increments of 1 byte every 1.5 s
// Large values go in increments (INCR). Prints "ready" once it owns the selection; ends when
// another client takes it over.
#include <xcb/xcb.h>

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

xcb_connection_t* connection;

xcb_atom_t intern(const std::string& name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(name.size()), name.c_str()), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : 0;
    std::free(reply);
    return atom;
}

void setProperty(xcb_window_t window, xcb_atom_t property, xcb_atom_t type, int format, const void* data, std::size_t bytes) {
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, property, type, static_cast<uint8_t>(format),
                        static_cast<uint32_t>(bytes / (format / 8)), data);
}

// A value sent in increments: the next piece goes once the requestor deletes the property, after
// `pause` when it has one.
struct Transfer {
    xcb_window_t window;
    xcb_atom_t property;
    xcb_atom_t type;
    int format;
    std::string data;
    std::size_t piece;
    std::chrono::milliseconds pause;
    std::size_t sent = 0;
    bool done = false;
    Clock::time_point due = Clock::time_point::max();  // of a paced piece
};
std::vector<Transfer> transfers;

void sendPiece(Transfer& t) {
    const std::size_t n = std::min(t.piece, t.data.size() - t.sent);
    setProperty(t.window, t.property, t.type, t.format, t.data.data() + t.sent, n);
    t.sent += n;
    t.done = n == 0;
    xcb_flush(connection);
}

// Puts a value on the requestor's property, in increments when it is large or paced.
void put(xcb_window_t window, xcb_atom_t property, xcb_atom_t type, int format, std::string data,
         std::size_t piece = 256 * 1024, std::chrono::milliseconds pause = std::chrono::milliseconds(0)) {
    if (data.size() <= piece && pause.count() == 0) return setProperty(window, property, type, format, data.data(), data.size());
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(connection, window, XCB_CW_EVENT_MASK, &mask);
    const uint32_t size = static_cast<uint32_t>(data.size());
    setProperty(window, property, intern("INCR"), 32, &size, sizeof size);
    transfers.push_back(Transfer{window, property, type, format, std::move(data), piece, pause});
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    const bool valid = mode == "silent" || mode == "targets-only" || mode == "incr-stall" || mode == "trickle" ||
                       (mode == "serve" && argc > 3) || (mode == "late" && argc == 4) ||
                       (mode == "html" && argc == 3) || (mode == "targets-flood" && argc == 4);
    if (!valid) {
        std::fprintf(stderr, "usage: clipboard_owner silent | targets-only | incr-stall | trickle | serve TEXT TARGET... |\n"
                             "       late MS TEXT | html FILE | targets-flood N TEXT\n");
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
    const xcb_atom_t utf8 = intern("UTF8_STRING");
    std::vector<xcb_atom_t> offered{targets};
    std::string text;
    std::chrono::milliseconds delay(0);
    if (mode == "targets-only" || mode == "incr-stall" || mode == "trickle") offered.push_back(utf8);
    if (mode == "serve") {
        text = argv[2];
        for (int i = 3; i < argc; ++i) offered.push_back(intern(argv[i]));
    }
    if (mode == "late") {
        delay = std::chrono::milliseconds(std::atoi(argv[2]));
        text = argv[3];
        offered.push_back(utf8);
    }
    if (mode == "html") {
        std::ifstream file(argv[2], std::ios::binary);
        text.assign(std::istreambuf_iterator<char>(file), {});
        offered.push_back(intern("text/html"));
    }
    if (mode == "targets-flood") {
        offered.resize(std::strtoul(argv[2], nullptr, 10), intern("x-bogus-format"));
        offered.push_back(utf8);
        text = argv[3];
    }

    xcb_set_selection_owner(connection, window, clipboard, XCB_CURRENT_TIME);
    xcb_get_selection_owner_reply_t* owner =
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, clipboard), nullptr);
    const bool owns = owner && owner->owner == window;
    std::free(owner);
    if (!owns) return 1;
    std::printf("ready\n");
    std::fflush(stdout);

    const auto answer = [&](const xcb_selection_request_event_t request) {
        const xcb_atom_t property = request.property ? request.property : request.target;
        const bool listed = std::find(offered.begin(), offered.end(), request.target) != offered.end();
        bool answered = true;
        if (request.target == targets) {
            put(request.requestor, property, XCB_ATOM_ATOM, 32,
                std::string(reinterpret_cast<const char*>(offered.data()), offered.size() * sizeof(xcb_atom_t)));
        } else if (mode == "targets-only") {
            return;  // the text never comes
        } else if (mode == "incr-stall") {
            // Announces a large transfer; the pieces never follow.
            const uint32_t size = 1u << 20;
            setProperty(request.requestor, property, intern("INCR"), 32, &size, sizeof size);
        } else if (mode == "trickle") {
            put(request.requestor, property, request.target, 8, std::string(1 << 20, 'x'), 1,
                std::chrono::milliseconds(1500));
        } else if (request.target == hint && listed) {
            put(request.requestor, property, request.target, 8, "secret");
        } else if (listed && request.target != intern("x-bogus-format")) {
            put(request.requestor, property, request.target, 8, text);
        } else {
            answered = false;
        }
        union {
            xcb_selection_notify_event_t event;
            char bytes[32];  // what xcb_send_event sends, more than the event's own size
        } notify{{XCB_SELECTION_NOTIFY, 0, 0, request.time, request.requestor, request.selection, request.target,
                  answered ? property : xcb_atom_t(XCB_ATOM_NONE)}};
        xcb_send_event(connection, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT, notify.bytes);
        xcb_flush(connection);
    };

    const int fd = xcb_get_file_descriptor(connection);
    std::vector<std::pair<Clock::time_point, xcb_selection_request_event_t>> lateRequests;
    for (;;) {
        const Clock::time_point now = Clock::now();
        Clock::time_point next = now + std::chrono::seconds(1);
        for (Transfer& t : transfers) {
            if (t.due <= now) {
                t.due = Clock::time_point::max();
                sendPiece(t);
            }
            next = std::min(next, t.due);
        }
        for (std::size_t i = 0; i < lateRequests.size();) {
            if (lateRequests[i].first > now) {
                next = std::min(next, lateRequests[i++].first);
                continue;
            }
            const xcb_selection_request_event_t request = lateRequests[i].second;
            lateRequests.erase(lateRequests.begin() + static_cast<std::ptrdiff_t>(i));
            answer(request);
        }
        xcb_flush(connection);
        xcb_generic_event_t* event = xcb_poll_for_event(connection);
        if (!event) {
            if (xcb_connection_has_error(connection)) break;
            pollfd readable{fd, POLLIN, 0};
            const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now()).count() + 1;
            ::poll(&readable, 1, static_cast<int>(std::max<decltype(wait)>(wait, 0)));
            continue;
        }
        const uint8_t type = event->response_type & 0x7f;
        if (type == XCB_SELECTION_CLEAR) {
            std::free(event);
            break;
        }
        if (type == XCB_PROPERTY_NOTIFY) {
            const auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(event);
            for (Transfer& t : transfers) {
                if (t.done || notify->state != XCB_PROPERTY_DELETE || t.window != notify->window || t.property != notify->atom)
                    continue;
                if (t.pause.count() == 0) sendPiece(t);
                else t.due = Clock::now() + t.pause;
            }
        }
        if (type == XCB_SELECTION_REQUEST && mode != "silent") {
            const xcb_selection_request_event_t request = *reinterpret_cast<xcb_selection_request_event_t*>(event);
            if (delay.count() > 0) lateRequests.push_back({Clock::now() + delay, request});
            else answer(request);
        }
        std::free(event);
    }
    xcb_disconnect(connection);
    return 0;
}
