#include "clipboard/x11_clipboard_reader.hpp"

#include <xcb/xcb.h>

#include <poll.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <optional>

namespace tavlets {
namespace {

using Clock = std::chrono::steady_clock;

// How long one wait sleeps before it looks at the abort flag again.
constexpr std::chrono::milliseconds kSlice{20};
// Properties are fetched in pieces of this many 32-bit units (4 MB).
constexpr uint32_t kPieceUnits = 1u << 20;
// More than this is not text anyone means to act on; an owner that never stops sending is cut off.
constexpr std::size_t kMaxBytes = std::size_t(1) << 30;

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Owned = std::unique_ptr<T, FreeDeleter>;

class Session {
public:
    Session(const char* display, std::chrono::milliseconds idleBound, const std::atomic<bool>& abort)
        : idleBound_(idleBound), abort_(abort) {
        connection_ = xcb_connect(display, &screenNumber_);
    }
    ~Session() {
        if (connection_) xcb_disconnect(connection_);
    }

    SelectionBytes read();

private:
    enum class Wait { ok, timeout, aborted, failed };
    enum class Convert { ok, refused, timeout, aborted, failed };

    bool setUp();
    xcb_atom_t intern(const char* name);
    // Waits for the next event that `wanted` accepts; progress restarts the idle bound.
    template <typename Pred>
    Wait waitFor(Pred wanted, Owned<xcb_generic_event_t>& event);
    // Asks the owner to put the selection in `target` form on our property.
    Convert convert(xcb_atom_t target);
    // Reads the property whole and deletes it, which is also what lets an INCR owner go on.
    bool takeProperty(std::string& bytes, xcb_atom_t& type);
    // The selection in `target` form, following INCR transfers.
    Convert fetch(xcb_atom_t target, std::string& bytes, xcb_atom_t* typeOut = nullptr);
    std::vector<std::string> atomNames(const std::vector<xcb_atom_t>& atoms);

    static SelectionBytes ended(Convert why) {
        SelectionBytes result;
        result.status = why == Convert::timeout ? SelectionBytes::Status::notAnswering
                                                : SelectionBytes::Status::none;
        return result;
    }

    xcb_connection_t* connection_ = nullptr;
    int screenNumber_ = 0;
    xcb_window_t window_ = XCB_WINDOW_NONE;
    std::chrono::milliseconds idleBound_;
    const std::atomic<bool>& abort_;
    Clock::time_point lastProgress_ = Clock::now();

    xcb_atom_t clipboard_ = XCB_ATOM_NONE;
    xcb_atom_t targets_ = XCB_ATOM_NONE;
    xcb_atom_t incr_ = XCB_ATOM_NONE;
    xcb_atom_t utf8String_ = XCB_ATOM_NONE;
    xcb_atom_t property_ = XCB_ATOM_NONE;
};

xcb_atom_t Session::intern(const char* name) {
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection_, 0, static_cast<uint16_t>(std::strlen(name)), name);
    Owned<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection_, cookie, nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

bool Session::setUp() {
    if (!connection_ || xcb_connection_has_error(connection_)) return false;
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection_));
    for (int i = 0; i < screenNumber_ && screens.rem > 0; ++i) xcb_screen_next(&screens);
    if (screens.rem <= 0 || !screens.data) return false;

    window_ = xcb_generate_id(connection_);
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window_, screens.data->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
    clipboard_ = intern("CLIPBOARD");
    targets_ = intern("TARGETS");
    incr_ = intern("INCR");
    utf8String_ = intern("UTF8_STRING");
    property_ = intern("TAVLETS_CLIPBOARD");
    return clipboard_ && targets_ && incr_ && utf8String_ && property_ &&
           !xcb_connection_has_error(connection_);
}

template <typename Pred>
Session::Wait Session::waitFor(Pred wanted, Owned<xcb_generic_event_t>& event) {
    xcb_flush(connection_);
    const int fd = xcb_get_file_descriptor(connection_);
    for (;;) {
        while (xcb_generic_event_t* next = xcb_poll_for_event(connection_)) {
            Owned<xcb_generic_event_t> owned(next);
            if (wanted(owned.get())) {
                lastProgress_ = Clock::now();
                event = std::move(owned);
                return Wait::ok;
            }
        }
        if (xcb_connection_has_error(connection_)) return Wait::failed;
        if (abort_.load(std::memory_order_relaxed)) return Wait::aborted;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            lastProgress_ + idleBound_ - Clock::now());
        if (left.count() <= 0) return Wait::timeout;
        pollfd readable{fd, POLLIN, 0};
        ::poll(&readable, 1, static_cast<int>(std::min(left, kSlice).count()) + 1);
    }
}

Session::Convert Session::convert(xcb_atom_t target) {
    xcb_delete_property(connection_, window_, property_);
    xcb_convert_selection(connection_, window_, clipboard_, target, property_, XCB_CURRENT_TIME);
    Owned<xcb_generic_event_t> event;
    const Wait wait = waitFor(
        [&](xcb_generic_event_t* e) {
            if ((e->response_type & 0x7f) != XCB_SELECTION_NOTIFY) return false;
            const auto* notify = reinterpret_cast<xcb_selection_notify_event_t*>(e);
            return notify->requestor == window_ && notify->selection == clipboard_;
        },
        event);
    switch (wait) {
        case Wait::ok: break;
        case Wait::timeout: return Convert::timeout;
        case Wait::aborted: return Convert::aborted;
        case Wait::failed: return Convert::failed;
    }
    const auto* notify = reinterpret_cast<xcb_selection_notify_event_t*>(event.get());
    return notify->property == XCB_ATOM_NONE ? Convert::refused : Convert::ok;
}

bool Session::takeProperty(std::string& bytes, xcb_atom_t& type) {
    uint32_t offset = 0;
    for (;;) {
        const xcb_get_property_cookie_t cookie = xcb_get_property(
            connection_, 0, window_, property_, XCB_GET_PROPERTY_TYPE_ANY, offset, kPieceUnits);
        Owned<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection_, cookie, nullptr));
        if (!reply) return false;
        type = reply->type;
        const int length = xcb_get_property_value_length(reply.get());
        if (length > 0) {
            if (bytes.size() + static_cast<std::size_t>(length) > kMaxBytes) return false;
            bytes.append(static_cast<const char*>(xcb_get_property_value(reply.get())),
                         static_cast<std::size_t>(length));
        }
        if (reply->bytes_after == 0) break;
        offset += static_cast<uint32_t>(length) / 4;
    }
    xcb_delete_property(connection_, window_, property_);
    xcb_flush(connection_);
    return true;
}

Session::Convert Session::fetch(xcb_atom_t target, std::string& bytes, xcb_atom_t* typeOut) {
    const Convert converted = convert(target);
    if (converted != Convert::ok) return converted;
    xcb_atom_t type = XCB_ATOM_NONE;
    if (!takeProperty(bytes, type)) return Convert::failed;
    if (typeOut) *typeOut = type;
    if (type != incr_) return Convert::ok;

    // INCR: the value was a size hint; deleting it asked for the first piece. Each piece comes as
    // a new value of the property, and an empty one ends the transfer.
    std::size_t hint = 0;
    if (bytes.size() >= 4) {
        uint32_t size = 0;
        std::memcpy(&size, bytes.data(), 4);
        hint = size;
    }
    bytes.clear();
    bytes.reserve(std::min(hint, kMaxBytes));
    for (;;) {
        Owned<xcb_generic_event_t> event;
        const Wait wait = waitFor(
            [&](xcb_generic_event_t* e) {
                if ((e->response_type & 0x7f) != XCB_PROPERTY_NOTIFY) return false;
                const auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(e);
                return notify->window == window_ && notify->atom == property_ &&
                       notify->state == XCB_PROPERTY_NEW_VALUE;
            },
            event);
        if (wait == Wait::timeout) return Convert::timeout;
        if (wait == Wait::aborted) return Convert::aborted;
        if (wait == Wait::failed) return Convert::failed;
        const std::size_t before = bytes.size();
        xcb_atom_t pieceType = XCB_ATOM_NONE;
        if (!takeProperty(bytes, pieceType)) return Convert::failed;
        if (typeOut) *typeOut = pieceType;
        if (bytes.size() == before) return Convert::ok;
    }
}

std::vector<std::string> Session::atomNames(const std::vector<xcb_atom_t>& atoms) {
    std::vector<xcb_get_atom_name_cookie_t> cookies;
    cookies.reserve(atoms.size());
    for (const xcb_atom_t atom : atoms) cookies.push_back(xcb_get_atom_name(connection_, atom));
    std::vector<std::string> names;
    names.reserve(atoms.size());
    for (const xcb_get_atom_name_cookie_t cookie : cookies) {
        Owned<xcb_get_atom_name_reply_t> reply(xcb_get_atom_name_reply(connection_, cookie, nullptr));
        if (!reply) {
            names.emplace_back();
            continue;
        }
        names.emplace_back(xcb_get_atom_name_name(reply.get()),
                           static_cast<std::size_t>(xcb_get_atom_name_name_length(reply.get())));
    }
    return names;
}

SelectionBytes Session::read() {
    if (!setUp()) return {};
    {
        Owned<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
            connection_, xcb_get_selection_owner(connection_, clipboard_), nullptr));
        if (!owner || owner->owner == XCB_WINDOW_NONE) return {};
    }

    std::string list;
    xcb_atom_t listType = XCB_ATOM_NONE;
    const Convert listed = fetch(targets_, list, &listType);
    if (listed == Convert::timeout || listed == Convert::aborted || listed == Convert::failed) {
        return ended(listed);
    }
    std::vector<xcb_atom_t> offered;
    // The list's type is ATOM; a few owners put TARGETS there.
    if (listed == Convert::ok && (listType == XCB_ATOM_ATOM || listType == targets_)) {
        offered.resize(list.size() / sizeof(xcb_atom_t));
        std::memcpy(offered.data(), list.data(), offered.size() * sizeof(xcb_atom_t));
    }

    SelectionBytes result;
    if (offered.empty()) {
        // An owner that cannot list its formats: ask for the usual text forms in turn.
        for (const auto& [atom, encoding] : {std::pair{utf8String_, TextEncoding::utf8},
                                             std::pair{xcb_atom_t(XCB_ATOM_STRING), TextEncoding::latin1}}) {
            const Convert got = fetch(atom, result.bytes);
            if (got == Convert::ok) {
                result.status = SelectionBytes::Status::data;
                result.encoding = encoding;
                return result;
            }
            if (got != Convert::refused) return ended(got);
        }
        return {};
    }

    const std::vector<std::string> names = atomNames(offered);
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] != kPasswordHintFormat) continue;
        std::string hint;
        const Convert got = fetch(offered[i], hint);
        if (got == Convert::timeout || got == Convert::aborted || got == Convert::failed) return ended(got);
        result.concealed = got == Convert::ok && marksSecret(hint);
        break;
    }
    const std::optional<TextFormat> format = chooseTextFormat(names);
    if (!format) return {};
    xcb_atom_t formatAtom = XCB_ATOM_NONE;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == format->name) {
            formatAtom = offered[i];
            break;
        }
    }
    const Convert got = fetch(formatAtom, result.bytes);
    if (got != Convert::ok) return ended(got);
    result.status = SelectionBytes::Status::data;
    result.encoding = format->encoding;
    return result;
}

}  // namespace

SelectionBytes readClipboardSelection(const char* display, std::chrono::milliseconds idleBound,
                                      const std::atomic<bool>& abort) {
    try {
        Session session(display, idleBound, abort);
        return session.read();
    } catch (const std::exception&) {
        // Out of memory for a huge clipboard: no text rather than no app.
        return {};
    }
}

X11ClipboardReader::X11ClipboardReader(std::string display, std::chrono::milliseconds idleBound)
    : display_(std::move(display)), idleBound_(idleBound) {}

X11ClipboardReader::~X11ClipboardReader() {
    cancel();
    for (Job& job : jobs_) {
        if (job.thread.joinable()) job.thread.join();
    }
}

void X11ClipboardReader::start(Done done) {
    cancel();
    reap();
    Job job;
    job.abort = std::make_shared<std::atomic<bool>>(false);
    job.finished = std::make_shared<std::atomic<bool>>(false);
    job.thread = std::thread([display = display_, bound = idleBound_, abort = job.abort,
                              finished = job.finished, done = std::move(done)] {
        SelectionBytes bytes = readClipboardSelection(display.empty() ? nullptr : display.c_str(), bound, *abort);
        if (!abort->load()) done(std::move(bytes));
        finished->store(true);
    });
    jobs_.push_back(std::move(job));
}

void X11ClipboardReader::cancel() {
    for (Job& job : jobs_) job.abort->store(true);
}

void X11ClipboardReader::reap() {
    for (auto it = jobs_.begin(); it != jobs_.end();) {
        if (it->finished->load()) {
            it->thread.join();
            it = jobs_.erase(it);
        } else {
            ++it;
        }
    }
}

}  // namespace tavlets
