#include "clipboard/clipboard_formats.hpp"
#include "clipboard/x11_clipboard_reader.hpp"

#include <gtest/gtest.h>

namespace tavlets {
namespace {

TEST(HtmlText, ReadsAsABrowserCopiesText) {
    const struct { const char* name; std::string html; std::string text; } cases[] = {
        {"blanks collapse", "  a \n\t b  <span> c</span> ", "a b c"},
        {"pre keeps blanks", "<pre>a  b\n c</pre>d", "a  b\n c\nd"},
        {"hard breaks", "a<br><br/>b", "a\n\nb"},
        {"table cells", "<table><tr><td>a</td><td>b</td></tr><tr><th>c</th></tr></table>", "a\tb\nc"},
        {"hidden content", "<SCRIPT>if (a<b) x='</p>'</script ><style>p{}</style>t", "t"},
        {"comments", "a<!-- <p>x</p> -->b<!-- never closed <p>y", "ab"},
        {"quoted '>' in a tag", "<a title=\"x>y\" alt='>'>link</a>", "link"},
        {"'<' that starts no tag", "1 < 2 <3 <>", "1 < 2 <3 <>"},
        {"doctype", "<!DOCTYPE html><?xml x?>t", "t"},
        {"numeric entities", "&#65;&#x1F600;&#X41;&#0;&#xD800;&#99999999;", "A\xf0\x9f\x98\x80" "A\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd"},
        {"unknown or open entities", "&bogus; &amp &;", "&bogus; &amp &;"},
        {"named entities", "&eacute;&mdash;&hellip;&euro;&yuml;&lt;", "\xc3\xa9\xe2\x80\x94\xe2\x80\xa6\xe2\x82\xac\xc3\xbf<"},
        {"no-break spaces", "a\xc2\xa0" "b&nbsp;&nbsp;c", "a b  c"},
        {"ill-formed bytes", "<b>a\xff</b>", "a\xef\xbf\xbd"},
        {"unclosed everything", "<div><p><ul><li>a<li>b", "a\nb"},
    };
    for (const auto& c : cases) EXPECT_EQ(plainTextOfHtml(c.html), std::optional<std::string>(c.text)) << c.name;
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
