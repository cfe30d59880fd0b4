#include <tavlets/panel_model.hpp>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace tavlets {
namespace {

using Field = PanelModel::Field;

struct FakeClipboard : Clipboard {
    std::optional<std::string> content;
    std::vector<std::string> writes;
    std::optional<std::string> readText() override { return content; }
    void writeText(const std::string& text) override {
        writes.push_back(text);
        content = text;
    }
};

struct Fixture {
    std::shared_ptr<FakeClipboard> clipboard = std::make_shared<FakeClipboard>();
    PanelModel model{clipboard};
    std::vector<Field> seen;
    int closes = 0;

    explicit Fixture(std::optional<std::string> content) {
        clipboard->content = std::move(content);
        model.onClose = [this] { ++closes; };
        model.observe([this](Field f) { seen.push_back(f); });
    }
    std::vector<Field> take() { return std::exchange(seen, {}); }
};

const std::vector<Field> kLoadOrder = {Field::text, Field::outcome, Field::selected, Field::analysis,
                                       Field::actions};

TEST(PanelModel, BlankClipboardGivesEmptyStateAndKeysDoNothing) {
    const std::vector<std::optional<std::string>> inputs = {
        std::nullopt, "", "  \n\t\r\n \u2028\u00a0 "};
    for (const auto& input : inputs) {
        Fixture f(input);
        f.model.load();
        EXPECT_EQ(f.take(), kLoadOrder);
        EXPECT_EQ(f.model.text(), input.value_or(""));
        EXPECT_EQ(f.model.analysis(), Analysis{});
        EXPECT_TRUE(f.model.actions().empty());
        f.model.move(1);
        f.model.move(-1);
        f.model.confirm();
        f.model.choose(0);
        EXPECT_TRUE(f.take().empty());
        EXPECT_EQ(f.model.selected(), 0);
        EXPECT_FALSE(f.model.outcome());
        EXPECT_TRUE(f.clipboard->writes.empty());
        EXPECT_EQ(f.closes, 0);
    }
}

TEST(PanelModel, NotifiesBeforeEveryAssignmentInStepOrder) {
    Fixture f("hello world");
    // Will-change: the observer still sees the old value.
    std::string textDuringNotice = "unset";
    f.model.observe([&](Field field) {
        if (field == Field::text) textDuringNotice = f.model.text();
    });
    f.model.load();
    EXPECT_EQ(f.take(), kLoadOrder);
    EXPECT_EQ(textDuringNotice, "");
    f.model.load();  // equal values are announced too
    EXPECT_EQ(f.take(), kLoadOrder);
    f.model.move(1);
    EXPECT_EQ(f.take(), (std::vector{Field::selected, Field::outcome}));
    f.model.choose(2);
    EXPECT_EQ(f.take(), (std::vector{Field::selected, Field::outcome}));
    f.model.choose(99);
    f.model.choose(-1);
    f.model.confirm();  // copies; changes nothing
    EXPECT_TRUE(f.take().empty());
    EXPECT_EQ(f.model.selected(), 2);
}

TEST(PanelModel, MoveWrapsAndClearsTheResult) {
    Fixture f("{\"a\": [1, 2]}");
    f.model.load();
    ASSERT_EQ(f.model.actions().size(), 12u);
    f.model.choose(11);
    f.model.move(1);
    EXPECT_EQ(f.model.selected(), 0);
    EXPECT_FALSE(f.model.outcome());
    f.model.choose(0);
    f.model.move(-1);
    EXPECT_EQ(f.model.selected(), 11);
    EXPECT_FALSE(f.model.outcome());
}

TEST(PanelModel, ChooseIgnoresIndicesOutsideTheList) {
    Fixture f("hello world");
    f.model.load();
    f.model.move(1);
    const int n = static_cast<int>(f.model.actions().size());
    for (const int index : {-1, n, n + 1}) {
        f.model.choose(index);
        EXPECT_EQ(f.model.selected(), 1);
        EXPECT_FALSE(f.model.outcome());
    }
}

TEST(PanelModel, ReturnRunsThenCopiesExactlyOnce) {
    Fixture f("  hello world\n");
    f.model.load();
    f.model.confirm();
    ASSERT_TRUE(f.model.outcome());
    // UPPERCASE first, on the untrimmed text.
    EXPECT_EQ(*f.model.outcome(), (Outcome{"  HELLO WORLD\n", false, false}));
    EXPECT_TRUE(f.clipboard->writes.empty());
    f.model.confirm();
    EXPECT_EQ(f.clipboard->writes, std::vector<std::string>{"  HELLO WORLD\n"});
    EXPECT_EQ(f.closes, 1);
    EXPECT_TRUE(f.model.outcome());  // state is left for the next load to reset
}

TEST(PanelModel, ErrorResultIsNeverCopied) {
    Fixture f("{\"a\": }");
    f.model.load();
    f.model.confirm();  // "Format as JSON" fails
    ASSERT_TRUE(f.model.outcome());
    EXPECT_TRUE(f.model.outcome()->isError);
    f.model.confirm();
    f.model.confirm();
    EXPECT_TRUE(f.clipboard->writes.empty());
    EXPECT_EQ(f.closes, 0);
    // A finding that is not an error is copied.
    f.model.choose(2);
    f.model.confirm();
    EXPECT_EQ(f.clipboard->writes.size(), 1u);
    EXPECT_EQ(f.closes, 1);
}

TEST(PanelModel, ChoosingAgainReplacesTheResult) {
    Fixture f("hi\n");
    f.model.load();
    f.model.choose(7);  // Base64 encode keeps the trailing line feed
    const Outcome first = *f.model.outcome();
    EXPECT_EQ(first, (Outcome{"aGkK", false, true}));
    f.take();
    f.model.choose(7);
    EXPECT_EQ(f.take(), (std::vector{Field::selected, Field::outcome}));
    EXPECT_EQ(*f.model.outcome(), first);
}

TEST(PanelModel, ObserverMayUnsubscribeWhileNotified) {
    Fixture f("hello");
    PanelModel::ObserverId self = 0;
    int calls = 0;
    self = f.model.observe([&](Field) {
        ++calls;
        f.model.unobserve(self);
    });
    int laterCalls = 0;
    f.model.observe([&](Field) { ++laterCalls; });
    f.model.load();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(laterCalls, 5);
    EXPECT_EQ(f.seen.size(), 5u);
}

}  // namespace
}  // namespace tavlets
