// Reads against a real X server (Xvfb, started here) and an owner that answers late.
#include "clipboard/x11_clipboard_reader.hpp"

#include <xcb/xcb.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <future>
#include <random>
#include <thread>

#include <gtest/gtest.h>

namespace tavlets {
namespace {

using namespace std::chrono_literals;

// A virtual display of the test's own; empty name when Xvfb is missing or does not start.
class VirtualDisplay {
public:
    VirtualDisplay() {
        int ready[2];
        if (pipe(ready) != 0) return;
        const std::string fd = std::to_string(ready[1]);
        pid_ = fork();
        if (pid_ == 0) {
            // Xvfb picks a free display and writes its number once it accepts clients.
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-noreset",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(ready[1]);
        char number[16] = {};
        pollfd readable{ready[0], POLLIN, 0};
        if (pid_ > 0 && poll(&readable, 1, 10000) == 1 && read(ready[0], number, sizeof number - 1) > 0) {
            char display[24];
            std::snprintf(display, sizeof display, ":%d", std::atoi(number));
            name_ = std::string(display);
        }
        close(ready[0]);
    }
    ~VirtualDisplay() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    const std::string& name() const { return name_; }

private:
    pid_t pid_ = -1;
    std::string name_;
};

// Owns CLIPBOARD and answers TARGETS and UTF8_STRING, each `delay` after it was asked, also when
// the reader that asked has gone: its window id then belongs to the next reader.
class LateOwner {
public:
    LateOwner(const std::string& display, std::string text, std::chrono::milliseconds delay) : text_(std::move(text)) {
        connection_ = xcb_connect(display.c_str(), nullptr);
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        window_ = xcb_generate_id(connection_);
        xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window_, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        clipboard_ = intern("CLIPBOARD");
        targets_ = intern("TARGETS");
        utf8_ = intern("UTF8_STRING");
        xcb_set_selection_owner(connection_, window_, clipboard_, XCB_CURRENT_TIME);
        xcb_flush(connection_);
        thread_ = std::thread([this, delay] { serve(delay); });
    }
    ~LateOwner() {
        stop_ = true;
        thread_.join();
        xcb_disconnect(connection_);
    }

private:
    xcb_atom_t intern(const char* name) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            connection_, xcb_intern_atom(connection_, 0, static_cast<uint16_t>(strlen(name)), name), nullptr);
        const xcb_atom_t atom = reply ? reply->atom : 0;
        free(reply);
        return atom;
    }
    void serve(std::chrono::milliseconds delay) {
        std::vector<std::pair<std::chrono::steady_clock::time_point, xcb_selection_request_event_t>> queue;
        while (!stop_) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
                if ((event->response_type & 0x7f) == XCB_SELECTION_REQUEST) {
                    queue.emplace_back(std::chrono::steady_clock::now() + delay,
                                       *reinterpret_cast<xcb_selection_request_event_t*>(event));
                }
                free(event);
            }
            while (!queue.empty() && queue.front().first <= std::chrono::steady_clock::now()) {
                answer(queue.front().second);
                queue.erase(queue.begin());
            }
            xcb_flush(connection_);
            pollfd readable{xcb_get_file_descriptor(connection_), POLLIN, 0};
            poll(&readable, 1, 1);
        }
    }
    void answer(const xcb_selection_request_event_t& request) {
        const xcb_atom_t offered[] = {targets_, utf8_};
        if (request.target == targets_) {
            xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, request.requestor, request.property, XCB_ATOM_ATOM,
                                32, 2, offered);
        } else {
            xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, request.requestor, request.property, utf8_, 8,
                                static_cast<uint32_t>(text_.size()), text_.data());
        }
        xcb_selection_notify_event_t notify{};
        notify.response_type = XCB_SELECTION_NOTIFY;
        notify.time = request.time;
        notify.requestor = request.requestor;
        notify.selection = request.selection;
        notify.target = request.target;
        notify.property = request.property;
        xcb_send_event(connection_, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&notify));
    }

    std::string text_;
    xcb_connection_t* connection_;
    xcb_window_t window_;
    xcb_atom_t clipboard_, targets_, utf8_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

TEST(X11ClipboardReader, AbandonedReadsNeverLeakIntoTheNext) {
    const VirtualDisplay display;
    if (display.name().empty()) GTEST_SKIP() << "Xvfb is not available";
    const std::string text = "the owner's text";
    const LateOwner owner(display.name(), text, 3ms);
    X11ClipboardReader reader(display.name());
    std::mt19937 random(22);
    int wrong = 0;
    for (int round = 1; round <= 1000; ++round) {
        if (round % 50 != 0) {
            // Started, then abandoned by the next start a moment later.
            reader.start([](SelectionBytes) {});
            std::this_thread::sleep_for(std::chrono::microseconds(random() % 5000));
            continue;
        }
        auto got = std::make_shared<std::promise<SelectionBytes>>();
        ASSERT_TRUE(reader.start([got](SelectionBytes bytes) { got->set_value(std::move(bytes)); }));
        std::future<SelectionBytes> result = got->get_future();
        ASSERT_EQ(result.wait_for(10s), std::future_status::ready) << round;
        const SelectionBytes bytes = result.get();
        if (bytes.status != SelectionBytes::Status::data || bytes.bytes != text) ++wrong;
    }
    EXPECT_EQ(wrong, 0);
}

}  // namespace
}  // namespace tavlets
