#pragma once
// The system clipboard as the panel needs it. The app implements it on the desktop's clipboard;
// tests use a fake.
//
// Reading may take a while: the text lives in another app, which may be slow, busy or hung. So a
// read is a request whose answer comes later, on the thread that asked (the app's main thread).
// Sources that know the text at once implement readText and get the request for free.

#include <functional>
#include <optional>
#include <string>

namespace tavlets {

// What one read of the clipboard found.
struct ClipboardRead {
    enum class Status {
        text,          // `text` holds the clipboard's plain text
        noText,        // empty, or nothing that reads as text
        notAnswering,  // the app that holds the clipboard did not deliver in time
        tooLarge,      // offered only in a form too large to read (huge HTML)
    };
    Status status = Status::noText;
    std::string text;
    // The app that copied the text marked it as a password: it may be used, not shown.
    bool concealed = false;

    static ClipboardRead of(std::optional<std::string> text) {
        if (!text) return {};
        return ClipboardRead{Status::text, std::move(*text), false};
    }
    friend bool operator==(const ClipboardRead&, const ClipboardRead&) = default;
};

class Clipboard {
public:
    using Delivery = std::function<void(ClipboardRead)>;

    virtual ~Clipboard() = default;

    // Starts reading the plain text. `deliver` is called once, on the calling thread: at once for
    // sources that answer at once, else later from that thread's event loop. A newer request or
    // cancelRead may drop a pending one without calling its `deliver`.
    virtual void requestText(Delivery deliver) { deliver(ClipboardRead::of(readText())); }
    // Gives up a pending read, if any (the panel closed meanwhile).
    virtual void cancelRead() {}

    // The plain text, for sources that answer at once; nullopt when there is none (empty or
    // non-text content).
    virtual std::optional<std::string> readText() { return std::nullopt; }
    // Replaces the whole contents with the given plain text. `concealed` marks it as a password
    // (as password managers do), so that clipboard histories leave it out.
    virtual void writeText(const std::string& text, bool concealed) = 0;
};

}  // namespace tavlets
