#include "clipboard/clipboard_formats.hpp"
#include "clipboard/x11_clipboard_reader.hpp"

#include <gtest/gtest.h>

#include "test_cases.hpp"

namespace tavlets {
namespace {

TEST(HtmlText, ReadsAsABrowserCopiesText) {
    for (const auto& c : readCases("app/html_text.tsv")) EXPECT_EQ(plainTextOfHtml(c.at(1)), std::optional(c.at(2))) << c[0];
}

TEST(HtmlText, DeepNestingAndAbortAreCheap) {
    std::string nested;
    for (int i = 0; i < 100000; ++i) nested += "<div><b>";
    nested += "deep";
    EXPECT_EQ(plainTextOfHtml(nested), std::optional<std::string>("deep"));

    const std::atomic<bool> abort{true};
    EXPECT_EQ(plainTextOfHtml(nested, &abort), std::nullopt);
}

TEST(TransferPace, TellsATrickleFromATransfer) {
    using namespace std::chrono_literals;
    const TransferPace::Clock::time_point t0{};
    const struct {
        const char* name;
        std::vector<std::pair<std::chrono::milliseconds, std::size_t>> pieces;  // (when, total so far)
        std::chrono::milliseconds now;
        bool stalled;
    } cases[] = {
        {"nothing yet, in the first window", {}, 1900ms, false},
        {"a byte now and then", {{500ms, 1}, {2000ms, 2}, {3500ms, 3}}, 3600ms, true},
        {"slow start, then fast", {{1500ms, 1}, {1900ms, 70000}}, 2100ms, false},
        {"under the least in the last window", {{100ms, 1'000'000}, {1500ms, 1'050'000}}, 2200ms, true},
        {"fast all along", {{1000ms, 4 << 20}, {2000ms, 8 << 20}, {3000ms, 12 << 20}, {4000ms, 16 << 20}}, 4100ms, false},
    };
    for (const auto& c : cases) {
        TransferPace pace(t0);
        for (const auto& [at, total] : c.pieces) pace.received(t0 + at, total);
        EXPECT_EQ(pace.stalled(t0 + c.now), c.stalled) << c.name;
    }
}

}  // namespace
}  // namespace tavlets
