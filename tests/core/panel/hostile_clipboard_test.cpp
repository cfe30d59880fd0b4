// Whatever the clipboard holds, the panel loads it unchanged, every offered action returns, and
// the second Return copies exactly the result that is showing.

#include <tavlets/text.hpp>

#include "core/panel/panel_fixture.hpp"
#include "test_cases.hpp"

namespace tavlets {
namespace {

using testing::Panel;

std::string csv(std::size_t rows, std::size_t columns, std::string_view header, std::string_view cell) {
    std::string out;
    for (std::size_t r = 0; r < rows; ++r) {
        for (std::size_t c = 0; c < columns; ++c) {
            if (c > 0) out += ',';
            out += r > 0 ? std::string(cell) : header.empty() ? "h" + std::to_string(c) : std::string(header);
        }
        out += '\n';
    }
    return out;
}

struct Case {
    const char* name;
    std::string text;
    Analysis expected;  // the classification, so a case keeps testing the road it was written for
};

using JS = Analysis::JSONState;
const Analysis kPlain{};
const Analysis kBadJSON{JS::invalid, {}, false, false};
const Analysis kGoodJSON{JS::valid, {}, false, false};
const Analysis kCSV{JS::none, ',', false, false};
const Analysis kLong{JS::none, {}, false, true};

std::vector<Case> hostileCases() {
    const std::string zwjFamily = "\U0001F468\u200D\U0001F469\u200D\U0001F467\u200D\U0001F466";
    const std::string flagsAndTones = "\U0001F1EB\U0001F1F7\U0001F44D\U0001F3FD\U0001F3F3\uFE0F\u200D\U0001F308 ";
    return {
        {"a megabyte of opening brackets", std::string(1 << 20, '['), kPlain},
        {"a megabyte of opening brackets, closed once", std::string(1 << 20, '[') + "]", kBadJSON},
        {"a megabyte of unfinished object keys", repeated("{\"a\":", 200'000), kBadJSON},
        {"400 nested arrays, the deepest allowed", repeated("[", 400) + "1" + repeated("]", 400), kGoodJSON},
        {"5000 columns", csv(30, 5000, "", "1"), kCSV},
        {"5000 equal headers", csv(5, 5000, "name", "x"), kCSV},
        {"NUL bytes in JSON and text",
         std::string("{\"a\": \"x\0y\", \"b\": [1, 2]}\0\0 tail\0", 33), kBadJSON},
        {"NUL bytes in a table", std::string("a,b\n\0,1\n2,\0\n", 12), kCSV},
        {"ill-formed UTF-8",
         "caf\xC3 \xE0\x80\xAF over\xFElong \xED\xA0\x80 surrogate \xF4\x90\x80\x80 \xC0\xAF. "
         "Alice: please send \xFF the report by Friday.\nBob: I will do it\xC3.\n", kPlain},
        {"ill-formed UTF-8 in JSON keys and values", "{\"k\xFF\": \"v\xC3\", \"\xED\xA0\x80\": 1}", kGoodJSON},
        {"right-to-left text",
         repeated("\u05E9\u05DC\u05D5\u05DD \u05E2\u05D5\u05DC\u05DD. \u200F\u0645\u0631\u062D\u0628\u0627 "
                "\u0628\u0627\u0644\u0639\u0627\u0644\u0645! \u202Eevil\u202C ok? ", 200), kLong},
        {"one character with ten thousand combining marks", "a" + repeated("\u0301", 10'000) + " b", kPlain},
        {"combining marks on every letter", repeated("e\u0301\u0323 o\u0308\u0304. ", 2000), kLong},
        {"ZWJ emoji sequences", repeated(zwjFamily + flagsAndTones, 2000), kLong},
        {"ZWJ emoji in a table", "who,what\n" + zwjFamily + "," + flagsAndTones + "\n|x|,\"a\r\nb\"\n", kCSV},
        {"lone line ends of every kind", repeated("\r\r\n\n\u2028\u2029\u0085\x0B\x0C x", 5000), kLong},
        {"a 200 kB word", std::string(200'000, 'w') + ".", kPlain},
    };
}

// Loads the clipboard, selects action `index` with the arrows, presses Return twice and checks
// what the panel shows and what lands on the clipboard.
void runThroughPanel(const Case& c, std::size_t index, std::size_t count) {
    Panel p(c.text);
    PanelModel& model = p.model;
    const auto& writes = p.clipboard->writes;
    ASSERT_EQ(model.actions().size(), count);
    for (std::size_t k = 0; k < index; ++k) model.move(+1);
    ASSERT_EQ(model.selected(), static_cast<int>(index));

    model.confirm();
    ASSERT_TRUE(model.outcome().has_value());
    const Outcome shown = *model.outcome();
    const std::string& id = model.actions()[index].id;
    EXPECT_EQ(model.text(), c.text) << id;  // the user's text is never touched
    EXPECT_EQ(shown, model.actions()[index].run(c.text)) << id << ": the same text gives the same result";
    if (text::isValidUTF8(c.text)) {
        EXPECT_TRUE(text::isValidUTF8(shown.text)) << id;
    }
    EXPECT_TRUE(writes.empty()) << id;

    model.confirm();
    if (shown.isError) {
        EXPECT_TRUE(writes.empty()) << id;
        EXPECT_EQ(p.closes, 0) << id;
    } else {
        ASSERT_EQ(writes.size(), 1u) << id;
        EXPECT_TRUE(writes[0] == shown.text) << id << ": the copy is exactly the result";
        EXPECT_EQ(p.closes, 1) << id;
    }
}

TEST(HostileClipboard, EveryActionReturnsAndReturnCopiesExactlyTheResult) {
    for (const Case& c : hostileCases()) {
        SCOPED_TRACE(c.name);
        Panel p(c.text);
        EXPECT_EQ(p.model.text(), c.text);
        EXPECT_EQ(p.model.analysis(), c.expected) << p.model.analysis().label();
        const std::size_t count = p.model.actions().size();
        ASSERT_GE(count, 9u);
        for (std::size_t i = 0; i < count; ++i) runThroughPanel(c, i, count);
    }
}

// The results that matter most on hostile input: deep JSON is reported, not recursed into; an
// unclosed quote in a table swallows the rest instead of losing it; equal headers stay apart.
TEST(HostileClipboard, ResultsOnHostileInputStayExact) {
    const auto run = [](const std::string& input, const std::string& id) {
        Panel p(input);
        p.model.choose(p.indexOf(id));
        return p.model.outcome().value_or(Outcome{});
    };

    const Outcome deep = run(std::string(1 << 20, '[') + "]", "json.error");
    EXPECT_EQ(deep.text.substr(0, deep.text.find('\n', deep.text.find('\n') + 1)),
              "Syntax error at line 1, column 402\nNesting is too deep");

    const Outcome unclosed = run("a,b\n1,\"open\n2,3\n4,5\n", "csv.json");
    EXPECT_FALSE(unclosed.isError);
    EXPECT_NE(unclosed.text.find("\"open\\n2,3\\n4,5\""), std::string::npos) << unclosed.text;

    const Outcome equal = run(csv(2, 5000, "k", "1"), "csv.json");
    EXPECT_NE(equal.text.find("\"k_5000\": 1"), std::string::npos);
    EXPECT_EQ(equal.text.find("\"k_5001\""), std::string::npos);

    // A raw NUL in a string is a control character like any other, not the end of the text.
    const Outcome nul = run(std::string("[\"a\0b\"]", 7), "json.error");
    EXPECT_EQ(nul.text.substr(0, nul.text.find('\n', nul.text.find('\n') + 1)),
              "Syntax error at line 1, column 4\nUnescaped control character in string");
}

}  // namespace
}  // namespace tavlets
