// The model when the clipboard answers later: waiting, answers that arrive too late, an owner
// that does not answer, and text marked as a password.
#include "core/panel/panel_fixture.hpp"

namespace tavlets {
namespace {

using F = PanelModel::Field;
using R = PanelModel::Reading;
using S = ClipboardRead::Status;

ClipboardRead text(std::string s, bool concealed = false) { return {S::text, std::move(s), concealed}; }

// Once `first` is loaded, every read waits for the test to answer it.
struct Panel : testing::Panel {
    explicit Panel(std::optional<std::string> first = std::nullopt) : testing::Panel(std::move(first)) {
        clipboard->later = true;
        clipboard->cancels = 0;
        take();
    }
    void answer(std::size_t request, ClipboardRead read) { clipboard->requests.at(request)(std::move(read)); }
};

TEST(PanelModelReading, WaitsEmptyThenTakesTheAnswer) {
    Panel p("old text");
    p.model.load();
    EXPECT_EQ(p.take(), (std::vector{F::text, F::outcome, F::selected, F::analysis, F::actions, F::reading}));
    EXPECT_EQ(p.model.reading(), R::waiting);
    EXPECT_EQ(p.model.text(), "");
    EXPECT_TRUE(p.model.actions().empty());
    p.model.confirm();  // nothing to run meanwhile
    EXPECT_FALSE(p.model.outcome());

    p.answer(0, text("[1, 2]"));
    EXPECT_EQ(p.take(), (std::vector{F::text, F::outcome, F::selected, F::analysis, F::actions, F::reading}));
    EXPECT_EQ(p.model.reading(), R::done);
    EXPECT_EQ(p.model.analysis().json, Analysis::JSONState::valid);
    EXPECT_FALSE(p.model.actions().empty());
}

TEST(PanelModelReading, AnAnswerForAnEarlierOrAbandonedLoadNeverLands) {
    struct Case {
        const char* name;
        std::function<void(Panel&)> between;  // after the first load, before its answer
        R reading;                            // once the stale answer has been dropped
    };
    const Case cases[] = {
        {"a newer load is waiting", [](Panel& p) { p.model.load(); }, R::waiting},
        {"the panel closed", [](Panel& p) { p.model.cancelLoad(); }, R::waiting},
        {"a newer load was answered",
         [](Panel& p) {
             p.model.load();
             p.answer(1, text("newer"));
         },
         R::done},
    };
    for (const Case& c : cases) {
        Panel p;
        p.model.load();
        c.between(p);
        const std::string textBefore = p.model.text();
        p.take();
        p.answer(0, text("stale"));
        EXPECT_TRUE(p.take().empty()) << c.name;
        EXPECT_EQ(p.model.text(), textBefore) << c.name;
        EXPECT_EQ(p.model.reading(), c.reading) << c.name;
        EXPECT_FALSE(p.model.deliverText(1, text("stale"))) << c.name;
    }
    Panel closed;
    closed.model.load();
    closed.model.cancelLoad();
    closed.model.cancelLoad();  // nothing left to cancel
    EXPECT_EQ(closed.clipboard->cancels, 1);
}

TEST(PanelModelReading, AnOwnerThatDoesNotAnswerLeavesNothingToRun) {
    Panel p;
    p.model.load();
    p.answer(0, ClipboardRead{S::notAnswering, "ignored", true});
    EXPECT_EQ(p.model.reading(), R::notAnswering);
    EXPECT_EQ(p.model.text(), "");
    EXPECT_FALSE(p.model.concealed());
    EXPECT_TRUE(p.model.actions().empty());
    p.model.confirm();
    p.model.move(1);
    EXPECT_FALSE(p.model.outcome());
}

TEST(PanelModelReading, APasswordIsUsedButMarked) {
    Panel p;
    p.model.load();
    p.answer(0, text("hunter2", true));
    EXPECT_TRUE(p.model.concealed());
    ASSERT_FALSE(p.model.actions().empty());
    p.model.confirm();  // UPPERCASE runs on the real text
    EXPECT_EQ(p.model.outcome(), (Outcome{"HUNTER2", false, false}));
    p.model.confirm();
    EXPECT_EQ(p.clipboard->writes, std::vector<std::string>{"HUNTER2"});

    p.model.load();
    EXPECT_FALSE(p.model.concealed());  // waiting: nothing to hide
    p.answer(1, text("plain"));
    EXPECT_FALSE(p.model.concealed());
    p.model.load();
    p.answer(2, text(" \n", true));  // a blank secret is still no text
    EXPECT_TRUE(p.model.actions().empty());
}

TEST(PanelModelReading, BeginLoadReadsOnlyWhenAsked) {
    Panel p;
    const std::uint64_t first = p.model.beginLoad();
    EXPECT_EQ(p.model.reading(), R::waiting);
    EXPECT_TRUE(p.clipboard->requests.empty());
    const std::uint64_t second = p.model.beginLoad();
    p.model.readClipboard(first);  // superseded: no request
    EXPECT_TRUE(p.clipboard->requests.empty());
    p.model.readClipboard(second);
    ASSERT_EQ(p.clipboard->requests.size(), 1u);
    p.answer(0, text("{\"a\": 1}"));
    EXPECT_EQ(p.model.text(), "{\"a\": 1}");
    p.model.readClipboard(second);  // answered already
    EXPECT_EQ(p.clipboard->requests.size(), 1u);
}

TEST(PanelModelReading, AnAnswerAfterTheModelIsGoneGoesNowhere) {
    auto clipboard = std::make_shared<testing::FakeClipboard>();
    clipboard->later = true;
    {
        PanelModel model(clipboard);
        model.load();
    }
    ASSERT_EQ(clipboard->requests.size(), 1u);
    clipboard->requests[0](text("late"));  // must not touch the destroyed model
}

}  // namespace
}  // namespace tavlets
