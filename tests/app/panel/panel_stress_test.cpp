// Many quick rounds of open, run, Escape and hide, with quick, slow and external actions, so that
// a race between the UI thread, the workers and the runs shows up (under ThreadSanitizer above
// all). Each round leaves the panel closed, and in the end nothing is left running.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>

#include "commands/command_runner.hpp"
#include "panel_fixture.hpp"

namespace tavlets {
namespace {

using testing::eventually;

// A hundred by default; the ThreadSanitizer run asks for a thousand.
int rounds() {
    const char* set = std::getenv("TAVLETS_STRESS_ROUNDS");
    return set ? std::atoi(set) : 100;
}

TEST(PanelStress, OpenRunEscapeAndHideOverAndOver) {
    std::atomic<int> started{0};
    testing::OpenPanel p("stress text", false);
    p.model().extraActions = [&](const Analysis&, std::string_view) {
        return std::vector<Tavlet>{testing::slowAction(started), {"test.command", "Command", "terminal", [](std::string_view text) {
                                        CommandRequest request;
                                        request.argv = {"cat"};
                                        request.input = text;
                                        return Outcome{runCommand(request, "/").output, false, false};
                                    }}};
    };
    const int n = rounds();
    for (int round = 0; round < n; ++round) {
        p.controller.show();  // without waiting for the last round's runs to wind down
        QCoreApplication::processEvents();
        ASSERT_TRUE(p.controller.isVisible());
        const int count = static_cast<int>(p.model().actions().size());
        ASSERT_GE(count, 3);
        // In turn: a built-in action (UPPERCASE or the like), the slow one, the command.
        const int pick = round % 3 == 0 ? round / 3 % (count - 2) : count - (round % 3 == 1 ? 2 : 1);
        p.model().start(pick);  // as Return does
        for (int i = 0; i < round % 4; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        testing::send(p.view(), Qt::Key_Escape);
        ASSERT_FALSE(p.controller.isVisible()) << "round " << round;
        if (round % 2) p.controller.hide();
    }
    EXPECT_TRUE(eventually([&] { return p.controller.worker().liveThreads() == 0; }));
    EXPECT_TRUE(p.clipboard->writes.empty());
    EXPECT_GT(started, 0);
}

}  // namespace
}  // namespace tavlets
