// Reads against a real X server (Xvfb, started here) and the end-to-end cases' clipboard owner.
#include "clipboard/x11_clipboard_reader.hpp"

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

// A program started with DISPLAY set and its standard output on a pipe; the first line it writes
// within ten seconds is kept (empty when it writes none).
class Child {
public:
    Child(std::vector<const char*> argv, const std::string& display) {
        int out[2];
        if (pipe(out) != 0) return;
        argv.push_back(nullptr);
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            if (!display.empty()) setenv("DISPLAY", display.c_str(), 1);
            execvp(argv[0], const_cast<char* const*>(argv.data()));
            _exit(127);
        }
        close(out[1]);
        char line[64] = {};
        pollfd readable{out[0], POLLIN, 0};
        if (pid_ > 0 && poll(&readable, 1, 10000) == 1 && read(out[0], line, sizeof line - 1) > 0) firstLine_ = line;
        close(out[0]);
    }
    ~Child() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    const std::string& firstLine() const { return firstLine_; }

private:
    pid_t pid_ = -1;
    std::string firstLine_;
};

TEST(X11ClipboardReader, AbandonedReadsNeverLeakIntoTheNext) {
#ifndef CLIPBOARD_OWNER
    GTEST_SKIP() << "built without the clipboard owner";
#else
    // Xvfb picks a free display and writes its number once it takes clients (fd 1 is the pipe).
    const Child xvfb({"Xvfb", "-displayfd", "1", "-nolisten", "tcp", "-noreset"}, "");
    if (xvfb.firstLine().empty()) GTEST_SKIP() << "Xvfb is not available";
    char display[24];
    std::snprintf(display, sizeof display, ":%d", std::atoi(xvfb.firstLine().c_str()));
    // Every answer 3 ms late: those to reads given up on land in windows the next reads get.
    const std::string text = "the owner's text";
    const Child owner({CLIPBOARD_OWNER, "late", "3", text.c_str()}, display);
    ASSERT_EQ(owner.firstLine(), "ready\n");

    X11ClipboardReader reader(display);
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
#endif
}

}  // namespace
}  // namespace tavlets
