// Reads against a real X server (Xvfb, started here) and the end-to-end cases' clipboard owner.
#include "clipboard/x11_clipboard_reader.hpp"
#include "clipboard/x_server.hpp"

#include <future>
#include <random>
#include <thread>

#include <gtest/gtest.h>

namespace tavlets {
namespace {

using namespace std::chrono_literals;

TEST(X11ClipboardReader, AbandonedReadsNeverLeakIntoTheNext) {
#ifndef CLIPBOARD_OWNER
    GTEST_SKIP() << "built without the clipboard owner";
#else
    const testing::Xvfb xvfb;
    if (xvfb.display.empty()) GTEST_SKIP() << "Xvfb is not available";
    const std::string& display = xvfb.display;
    // Every answer 3 ms late: those to reads given up on land in windows the next reads get.
    const std::string text = "the owner's text";
    const testing::Child owner({CLIPBOARD_OWNER, "late", "3", text.c_str()}, display);
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
