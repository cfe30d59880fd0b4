#pragma once
// Reads the X11 CLIPBOARD selection away from the user interface: on a thread of its own, over an
// X connection of its own, so that an app holding the clipboard that is slow or hung never holds
// the panel. Large contents come in increments (INCR) and arrive whole.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "clipboard/clipboard_formats.hpp"

namespace tavlets {

// The raw bytes of the best text format the clipboard offered.
struct SelectionBytes {
    enum class Status {
        data,          // `bytes` in `encoding`
        none,          // no owner, no text format, a refusal, or no display
        notAnswering,  // the owner showed no progress within the bound
        tooLarge,      // HTML over kMaxHtmlBytes: not read
    };
    Status status = Status::none;
    std::string bytes;
    TextEncoding encoding = TextEncoding::utf8;
    bool concealed = false;  // the owner marked the content as a password
};

// Whether a transfer in pieces is getting anywhere. A piece now and then keeps an owner from
// looking silent; this tells a trickle from a transfer: from `window` after its start on, less
// than `minBytes` in the last `window` is no progress.
class TransferPace {
public:
    using Clock = std::chrono::steady_clock;
    explicit TransferPace(Clock::time_point start, Clock::duration window = std::chrono::seconds(2),
                          std::size_t minBytes = 64 * 1024);
    // `total` bytes have arrived by `at`.
    void received(Clock::time_point at, std::size_t total);
    bool stalled(Clock::time_point now) const;

private:
    Clock::time_point start_;
    Clock::duration window_;
    std::size_t minBytes_;
    // (time, total then), oldest first, the latest last; only the last one older than a window
    // is kept.
    std::deque<std::pair<Clock::time_point, std::size_t>> samples_;
};

// The name of the X display the application opened (a -display argument may have chosen it over
// $DISPLAY); empty when it runs on another platform.
std::string openedX11Display();

// The whole read, blocking: for a worker thread. `display` as for xcb_connect (nullptr: $DISPLAY).
// Gives up with notAnswering once the owner has shown no progress for `idleBound` (or trickles,
// see TransferPace), and with none within a few hundredths of a second after `abort` is set.
SelectionBytes readClipboardSelection(const char* display, std::chrono::milliseconds idleBound,
                                      const std::atomic<bool>& abort);

class X11ClipboardReader {
public:
    using Done = std::function<void(SelectionBytes)>;

    explicit X11ClipboardReader(std::string display,
                                std::chrono::milliseconds idleBound = std::chrono::milliseconds(2000));
    ~X11ClipboardReader();  // abandons running reads and waits for their threads
    X11ClipboardReader(const X11ClipboardReader&) = delete;
    X11ClipboardReader& operator=(const X11ClipboardReader&) = delete;

    // Starts a read and abandons any earlier one. `done` runs on the worker thread when the read
    // ends, unless it was abandoned first, with the bytes decoded to UTF-8 text (HTML to its text).
    // false when no thread could be had; `done` never runs then.
    bool start(Done done);
    // Abandons the running read, if any.
    void cancel();

private:
    struct Job {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> abort;
        std::shared_ptr<std::atomic<bool>> finished;
    };
    void reap();

    std::string display_;
    std::chrono::milliseconds idleBound_;
    std::vector<Job> jobs_;
};

}  // namespace tavlets
