// The panel while the clipboard's text is on its way: when it shows, what it says, and that a
// late answer never lands on a closed panel.
#include <gtest/gtest.h>

#include "panel/panel_text.hpp"
#include "panel_fixture.hpp"

namespace tavlets {
namespace {

using testing::kLargeScreen;
using testing::settle;

struct LaterClipboard : Clipboard {
    std::vector<Delivery> requests;
    void requestText(Delivery deliver) override { requests.push_back(std::move(deliver)); }
    void writeText(const std::string&, bool) override {}
    void answer(ClipboardRead read) { requests.back()(std::move(read)); }
};

// Runs the event loop for `ms`, whatever happens.
void runFor(int ms) {
    testing::eventually([] { return false; }, ms);
    settle();
}

ClipboardRead text(std::string s, bool concealed = false) {
    return {ClipboardRead::Status::text, std::move(s), concealed};
}

struct Panel {
    std::shared_ptr<LaterClipboard> clipboard = std::make_shared<LaterClipboard>();
    PanelController controller{clipboard, std::make_unique<testing::FakeScreens>(kLargeScreen), nullptr};
    PanelView& view() { return *controller.view(); }
    QRect frame() { return controller.window()->geometry(); }
};

TEST(PanelReading, AQuickAnswerOpensThePanelWithItsContent) {
    Panel p;
    p.controller.show();
    settle();
    EXPECT_FALSE(p.controller.isVisible());  // a moment for the answer
    EXPECT_TRUE(p.controller.isOpening());
    p.clipboard->answer(text("{\"a\": [1, 2]}"));
    settle();
    ASSERT_TRUE(p.controller.isVisible());
    EXPECT_FALSE(p.view().showsReadingState());
    EXPECT_EQ(p.view().headerLabelText(), "JSON");
}

TEST(PanelReading, ASlowOwnerShowsTheReadingStateThenTheText) {
    Panel p;
    p.controller.show();
    runFor(PanelController::kFirstAnswerWaitMs + 50);
    ASSERT_TRUE(p.controller.isVisible());
    EXPECT_TRUE(p.view().showsReadingState());
    EXPECT_FALSE(p.view().showsEmptyState());
    EXPECT_EQ(p.view().readingStateLabelText(), readingText());
    EXPECT_EQ(p.view().footerLabelText(), closeOnlyFooterText());
    const int readingHeight = p.frame().height();

    std::string lines;
    for (int i = 0; i < 40; ++i) lines += "line " + std::to_string(i) + "\n";
    p.clipboard->answer(text(lines));
    settle();
    EXPECT_FALSE(p.view().showsReadingState());
    EXPECT_GT(p.view().pillCount(), 0);
    // Placed for the reading state, it is centred for its content, with a result and without.
    for (const bool result : {true, false}) {
        if (result) p.controller.model().choose(0);
        else p.controller.model().move(1);
        settle();
        EXPECT_EQ(p.frame().topLeft(), centredTopLeft(kLargeScreen.available, p.frame().size())) << result;
    }
    EXPECT_GT(p.frame().height(), readingHeight);
}

TEST(PanelReading, AnAnswerAfterTheReadingStateShowsItAndHidesPasswords) {
    const struct { const char* name; ClipboardRead read; QString preview; } cases[] = {
        {"password", text("hunter2", true), hiddenPreviewText()},
        {"plain", text("hunter2"), QStringLiteral("hunter2")},
        {"no text", ClipboardRead{}, {}},
    };
    Panel p;
    for (const auto& c : cases) {
        p.controller.show();
        runFor(PanelController::kFirstAnswerWaitMs + 20);
        p.clipboard->answer(c.read);
        settle();
        EXPECT_FALSE(p.view().showsReadingState()) << c.name;
        if (!c.preview.isEmpty()) {
            EXPECT_EQ(p.view().previewLabelText(), c.preview) << c.name;
            EXPECT_EQ(p.view().characterCountLabelText(), "7 characters") << c.name;
        }
        EXPECT_EQ(p.view().showsEmptyState(), c.preview.isEmpty()) << c.name;
        p.controller.hide();
    }
}

TEST(PanelReading, ClosingDropsTheReadAndItsLateAnswer) {
    const struct { const char* name; int waitMs; bool toggle; } cases[] = {
        {"hide before the panel showed", 0, false},
        {"shortcut before the panel showed", 0, true},
        {"hide in the reading state", PanelController::kFirstAnswerWaitMs + 50, false},
        {"shortcut in the reading state", PanelController::kFirstAnswerWaitMs + 50, true},
    };
    for (const auto& c : cases) {
        Panel p;
        p.controller.show();
        runFor(c.waitMs);
        if (c.toggle) {
            p.controller.toggle();
        } else {
            p.controller.hide();
        }
        runFor(PanelController::kFirstAnswerWaitMs + 50);
        EXPECT_FALSE(p.controller.isOpening()) << c.name;
        p.clipboard->answer(text("late"));
        settle();
        EXPECT_FALSE(p.controller.isOpening()) << c.name;
        EXPECT_EQ(p.controller.model().text(), "") << c.name;
        EXPECT_TRUE(p.controller.model().actions().empty()) << c.name;
    }
}

}  // namespace
}  // namespace tavlets
