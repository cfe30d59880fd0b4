#include "clipboard/x11_clipboard_reader.hpp"

#include <xcb/xcb.h>

#include <poll.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <mutex>
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
// A real format list is a few dozen atoms; a longer one is not trusted.
constexpr std::size_t kMaxTargetsBytes = 65536 * sizeof(xcb_atom_t);
// Names of the offered formats resolved one by one, for spellings the interned names miss.
constexpr std::size_t kMaxResolvedNames = 64;
// Each conversion gets a property of its own from this many names, so that an answer meant for an
// abandoned conversion (possibly of an earlier connection whose window id the server reuses) lands
// where nobody waits for it.
constexpr unsigned kPropertyNames = 32;

// libxcb's authority lookup (libXau) uses a static buffer: connections are made one at a time.
std::mutex connectMutex;
std::atomic<unsigned> nextProperty{0};

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Owned = std::unique_ptr<T, FreeDeleter>;

class Session {
public:
    Session(const char* display, std::chrono::milliseconds idleBound, const std::atomic<bool>& abort)
        : idleBound_(idleBound), abort_(abort) {
        const std::lock_guard lock(connectMutex);
        connection_ = xcb_connect(display, &screenNumber_);
    }
    ~Session() {
        if (connection_) xcb_disconnect(connection_);
    }

    SelectionBytes read();

private:
    enum class Wait { ok, timeout, aborted, failed };
    enum class Convert { ok, refused, timeout, aborted, failed, tooLarge };

    bool setUp();
    xcb_atom_t intern(const std::string& name);
    // Waits for the next event that `wanted` accepts; progress restarts the idle bound.
    template <typename Pred>
    Wait waitFor(Pred wanted, Owned<xcb_generic_event_t>& event);
    // A server timestamp for our requests, taken from a property change of our own.
    bool takeServerTime();
    // Asks the owner to put the selection in `target` form on a property of its own.
    Convert convert(xcb_atom_t target);
    // Reads the property whole and deletes it, which is also what lets an INCR owner go on.
    Convert takeProperty(std::string& bytes, xcb_atom_t& type, std::size_t maxBytes);
    // The selection in `target` form, following INCR transfers; at most `maxBytes`.
    Convert fetch(xcb_atom_t target, std::string& bytes, std::size_t maxBytes, xcb_atom_t* typeOut = nullptr);
    // The text formats among those offered, by name, resolving as few atoms as it can.
    std::vector<std::pair<xcb_atom_t, std::string>> textFormats(const std::vector<xcb_atom_t>& offered,
                                                                 xcb_atom_t& hint);

    static SelectionBytes ended(Convert why) {
        SelectionBytes result;
        if (why == Convert::timeout) result.status = SelectionBytes::Status::notAnswering;
        if (why == Convert::tooLarge) result.status = SelectionBytes::Status::tooLarge;
        return result;
    }
    // A wait that ended without the event, as the conversion's outcome.
    static Convert unfinished(Wait why) {
        if (why == Wait::timeout) return Convert::timeout;
        if (why == Wait::aborted) return Convert::aborted;
        return Convert::failed;
    }
    static bool endsRead(Convert why) { return why != Convert::ok && why != Convert::refused; }

    xcb_connection_t* connection_ = nullptr;
    int screenNumber_ = 0;
    xcb_window_t window_ = XCB_WINDOW_NONE;
    std::chrono::milliseconds idleBound_;
    const std::atomic<bool>& abort_;
    Clock::time_point lastProgress_ = Clock::now();
    const TransferPace* pace_ = nullptr;  // while a transfer in pieces runs
    xcb_timestamp_t time_ = XCB_CURRENT_TIME;

    xcb_atom_t clipboard_ = XCB_ATOM_NONE;
    xcb_atom_t targets_ = XCB_ATOM_NONE;
    xcb_atom_t incr_ = XCB_ATOM_NONE;
    xcb_atom_t utf8String_ = XCB_ATOM_NONE;
    xcb_atom_t property_ = XCB_ATOM_NONE;
};

xcb_atom_t Session::intern(const std::string& name) {
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection_, 0, static_cast<uint16_t>(name.size()), name.data());
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
    return clipboard_ && targets_ && incr_ && utf8String_ && property_ && !xcb_connection_has_error(connection_) &&
           takeServerTime();
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
        const Clock::time_point now = Clock::now();
        if (pace_ && pace_->stalled(now)) return Wait::timeout;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(lastProgress_ + idleBound_ - now);
        if (left.count() <= 0) return Wait::timeout;
        pollfd readable{fd, POLLIN, 0};
        ::poll(&readable, 1, static_cast<int>(std::min(left, kSlice).count()) + 1);
    }
}

bool Session::takeServerTime() {
    // Appending nothing still changes the property, and the notification carries the server's time.
    xcb_change_property(connection_, XCB_PROP_MODE_APPEND, window_, property_, XCB_ATOM_STRING, 8, 0, nullptr);
    Owned<xcb_generic_event_t> event;
    const Wait wait = waitFor(
        [&](xcb_generic_event_t* e) {
            if ((e->response_type & 0x7f) != XCB_PROPERTY_NOTIFY) return false;
            const auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(e);
            return notify->window == window_ && notify->atom == property_;
        },
        event);
    if (wait != Wait::ok) return false;
    time_ = reinterpret_cast<xcb_property_notify_event_t*>(event.get())->time;
    return true;
}

Session::Convert Session::convert(xcb_atom_t target) {
    const std::string name = "TAVLETS_CLIPBOARD_" + std::to_string(nextProperty.fetch_add(1) % kPropertyNames);
    property_ = intern(name);
    if (!property_) return Convert::failed;
    xcb_delete_property(connection_, window_, property_);
    xcb_convert_selection(connection_, window_, clipboard_, target, property_, time_);
    Owned<xcb_generic_event_t> event;
    const Wait wait = waitFor(
        [&](xcb_generic_event_t* e) {
            if ((e->response_type & 0x7f) != XCB_SELECTION_NOTIFY) return false;
            // Only the answer to this very request: an owner may still answer one given up on.
            const auto* notify = reinterpret_cast<xcb_selection_notify_event_t*>(e);
            return notify->requestor == window_ && notify->selection == clipboard_ && notify->target == target &&
                   (notify->property == property_ || notify->property == XCB_ATOM_NONE) &&
                   (notify->time == time_ || notify->time == XCB_CURRENT_TIME);
        },
        event);
    if (wait != Wait::ok) return unfinished(wait);
    const auto* notify = reinterpret_cast<xcb_selection_notify_event_t*>(event.get());
    return notify->property == XCB_ATOM_NONE ? Convert::refused : Convert::ok;
}

Session::Convert Session::takeProperty(std::string& bytes, xcb_atom_t& type, std::size_t maxBytes) {
    uint32_t offset = 0;
    for (;;) {
        if (abort_.load(std::memory_order_relaxed)) return Convert::aborted;
        const xcb_get_property_cookie_t cookie = xcb_get_property(
            connection_, 0, window_, property_, XCB_GET_PROPERTY_TYPE_ANY, offset, kPieceUnits);
        Owned<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection_, cookie, nullptr));
        if (!reply) return Convert::failed;
        type = reply->type;
        const int length = xcb_get_property_value_length(reply.get());
        if (length > 0) {
            if (bytes.size() + static_cast<std::size_t>(length) > maxBytes) return Convert::tooLarge;
            bytes.append(static_cast<const char*>(xcb_get_property_value(reply.get())),
                         static_cast<std::size_t>(length));
        }
        if (reply->bytes_after == 0) break;
        offset += static_cast<uint32_t>(length) / 4;
    }
    xcb_delete_property(connection_, window_, property_);
    xcb_flush(connection_);
    return Convert::ok;
}

Session::Convert Session::fetch(xcb_atom_t target, std::string& bytes, std::size_t maxBytes, xcb_atom_t* typeOut) {
    const Convert converted = convert(target);
    if (converted != Convert::ok) return converted;
    xcb_atom_t type = XCB_ATOM_NONE;
    if (const Convert took = takeProperty(bytes, type, std::max(maxBytes, std::size_t(4))); took != Convert::ok) {
        return took;
    }
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
    bytes.reserve(std::min(hint, maxBytes));
    TransferPace pace(Clock::now());
    pace_ = &pace;
    const struct Unset {
        const TransferPace*& pace;
        ~Unset() { pace = nullptr; }
    } unset{pace_};
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
        if (wait != Wait::ok) return unfinished(wait);
        const std::size_t before = bytes.size();
        xcb_atom_t pieceType = XCB_ATOM_NONE;
        if (const Convert took = takeProperty(bytes, pieceType, maxBytes); took != Convert::ok) return took;
        if (typeOut) *typeOut = pieceType;
        if (bytes.size() == before) return Convert::ok;
        pace.received(Clock::now(), bytes.size());
    }
}

std::vector<std::pair<xcb_atom_t, std::string>> Session::textFormats(const std::vector<xcb_atom_t>& offered,
                                                                     xcb_atom_t& hint) {
    // The usual names, compared by atom: a name nobody has interned is offered by nobody.
    const std::string usual[] = {"text/plain;charset=utf-8", "text/plain", "text/html", std::string(kPasswordHintFormat)};
    std::vector<xcb_intern_atom_cookie_t> cookies;
    for (const std::string& name : usual) {
        cookies.push_back(xcb_intern_atom(connection_, 1, static_cast<uint16_t>(name.size()), name.data()));
    }
    std::vector<std::pair<xcb_atom_t, std::string>> known{{utf8String_, "UTF8_STRING"}, {XCB_ATOM_STRING, "STRING"}};
    for (std::size_t i = 0; i < cookies.size(); ++i) {
        Owned<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection_, cookies[i], nullptr));
        if (reply && reply->atom != XCB_ATOM_NONE) known.emplace_back(reply->atom, usual[i]);
    }
    hint = known.back().second == kPasswordHintFormat ? known.back().first : xcb_atom_t(XCB_ATOM_NONE);

    std::vector<std::pair<xcb_atom_t, std::string>> found;
    std::vector<xcb_atom_t> unknown;
    for (const xcb_atom_t atom : offered) {
        const auto it = std::find_if(known.begin(), known.end(), [&](const auto& k) { return k.first == atom; });
        if (it != known.end()) {
            found.push_back(*it);
        } else if (atom != targets_ && atom > XCB_ATOM_WM_TRANSIENT_FOR && unknown.size() < kMaxResolvedNames) {
            unknown.push_back(atom);
        }
    }
    // Other spellings of the same types (another case, blanks, quotes around the charset).
    std::vector<xcb_get_atom_name_cookie_t> names;
    for (const xcb_atom_t atom : unknown) names.push_back(xcb_get_atom_name(connection_, atom));
    for (std::size_t i = 0; i < names.size(); ++i) {
        Owned<xcb_get_atom_name_reply_t> reply(xcb_get_atom_name_reply(connection_, names[i], nullptr));
        if (!reply) continue;
        std::string name(xcb_get_atom_name_name(reply.get()),
                         static_cast<std::size_t>(xcb_get_atom_name_name_length(reply.get())));
        if (chooseTextFormat({name})) found.emplace_back(unknown[i], std::move(name));
    }
    return found;
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
    const Convert listed = fetch(targets_, list, kMaxTargetsBytes, &listType);
    if (endsRead(listed) && listed != Convert::tooLarge) return ended(listed);
    std::vector<xcb_atom_t> offered;
    // The list's type is ATOM; a few owners put TARGETS there. A list too long to be real is
    // treated as none.
    if (listed == Convert::ok && (listType == XCB_ATOM_ATOM || listType == targets_)) {
        offered.resize(list.size() / sizeof(xcb_atom_t));
        std::memcpy(offered.data(), list.data(), offered.size() * sizeof(xcb_atom_t));
    }
    std::string().swap(list);

    SelectionBytes result;
    if (offered.empty()) {
        // An owner that cannot list its formats: ask for the usual text forms in turn.
        for (const auto& [atom, encoding] : {std::pair{utf8String_, TextEncoding::utf8},
                                             std::pair{xcb_atom_t(XCB_ATOM_STRING), TextEncoding::latin1}}) {
            const Convert got = fetch(atom, result.bytes, kMaxBytes);
            if (got == Convert::ok) {
                result.status = SelectionBytes::Status::data;
                result.encoding = encoding;
                return result;
            }
            if (got != Convert::refused) return ended(got);
        }
        return {};
    }

    xcb_atom_t hint = XCB_ATOM_NONE;
    const std::vector<std::pair<xcb_atom_t, std::string>> formats = textFormats(offered, hint);
    if (hint != XCB_ATOM_NONE && std::find(offered.begin(), offered.end(), hint) != offered.end()) {
        std::string value;
        const Convert got = fetch(hint, value, 4096);
        if (endsRead(got) && got != Convert::tooLarge) return ended(got);
        result.concealed = got == Convert::ok && marksSecret(value);
    }
    std::vector<std::string> names;
    for (const auto& format : formats) names.push_back(format.second);
    const std::optional<TextFormat> format = chooseTextFormat(names);
    if (!format) return {};
    const auto chosen = std::find_if(formats.begin(), formats.end(), [&](const auto& f) { return f.second == format->name; });
    const Convert got = fetch(chosen->first, result.bytes, format->encoding == TextEncoding::html ? kMaxHtmlBytes : kMaxBytes);
    if (got != Convert::ok) return ended(got);
    result.status = SelectionBytes::Status::data;
    result.encoding = format->encoding;
    return result;
}

}  // namespace

TransferPace::TransferPace(Clock::time_point start, Clock::duration window, std::size_t minBytes)
    : start_(start), window_(window), minBytes_(minBytes) {}

void TransferPace::received(Clock::time_point at, std::size_t total) {
    samples_.emplace_back(at, total);
    while (samples_.size() > 1 && samples_[1].first <= at - window_) samples_.pop_front();
}

bool TransferPace::stalled(Clock::time_point now) const {
    if (now - start_ < window_) return false;
    // What had arrived a window ago: the last sample at or before then.
    std::size_t then = 0;
    for (const auto& [at, total] : samples_) {
        if (at > now - window_) break;
        then = total;
    }
    const std::size_t latest = samples_.empty() ? 0 : samples_.back().second;
    return latest - then < minBytes_;
}

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

bool X11ClipboardReader::start(Done done) {
    cancel();
    reap();
    try {
        // Room first: once the thread runs, adding its job must not fail.
        jobs_.reserve(jobs_.size() + 1);
        Job job;
        job.abort = std::make_shared<std::atomic<bool>>(false);
        job.finished = std::make_shared<std::atomic<bool>>(false);
        job.thread = std::thread([display = display_, bound = idleBound_, abort = job.abort,
                                  finished = job.finished, done = std::move(done)] {
            SelectionBytes got;
            try {
                got = readClipboardSelection(display.empty() ? nullptr : display.c_str(), bound, *abort);
                if (got.status == SelectionBytes::Status::data) {
                    // Decoded here, so that HTML never costs the user interface anything.
                    std::optional<std::string> text = decodeClipboardText(std::move(got.bytes), got.encoding, abort.get());
                    got.bytes = text ? std::move(*text) : std::string();
                    got.encoding = TextEncoding::utf8;
                }
            } catch (const std::exception&) {
                got = SelectionBytes{};  // out of memory for a huge clipboard: no text
            }
            try {
                if (!abort->load()) done(std::move(got));
            } catch (const std::exception&) {
                // Nowhere to report to; the panel's next read starts afresh.
            }
            finished->store(true);
        });
        jobs_.push_back(std::move(job));
        return true;
    } catch (const std::exception&) {
        return false;  // no thread to be had
    }
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
