// Runs handed to a worker: results land only for the run in progress on the current text.
#include <tavlets/cancel.hpp>

#include <stdexcept>

#include "core/panel/panel_fixture.hpp"

namespace tavlets {
namespace {

using F = PanelModel::Field;

struct Panel : testing::Panel {
    explicit Panel(std::string content) : testing::Panel(std::move(content), true) { take(); }
};

TEST(PanelRuns, StartedRunIsBusyUntilItsResultLandsAndReturnWhileBusyIsIgnored) {
    Panel p("  hi\n");
    p.model.confirm();  // starts UPPERCASE (action 0)
    ASSERT_EQ(p.runs.size(), 1u);
    EXPECT_TRUE(p.model.busy());
    EXPECT_FALSE(p.model.outcome());
    EXPECT_EQ(p.take(), (std::vector{F::selected, F::outcome, F::busy}));
    EXPECT_EQ(*p.runs[0].text, "  hi\n");  // the untrimmed text

    p.model.confirm();
    p.model.confirm();
    EXPECT_EQ(p.runs.size(), 1u) << "Return while busy started another run";
    EXPECT_TRUE(p.clipboard->writes.empty());
    EXPECT_TRUE(p.take().empty());

    EXPECT_TRUE(p.finish(0));
    EXPECT_FALSE(p.model.busy());
    EXPECT_EQ(p.model.outcome(), (Outcome{"  HI\n", false, false}));
    EXPECT_EQ(p.take(), (std::vector{F::busy, F::outcome}));
    EXPECT_FALSE(p.finish(0)) << "a result landed twice";

    p.model.confirm();
    EXPECT_EQ(p.clipboard->writes, std::vector<std::string>{"  HI\n"});
    EXPECT_EQ(p.closes, 1);
}

TEST(PanelRuns, AbandonedRunIsCancelledAndItsLateResultNeverLandsNorIsCopied) {
    struct Case {
        const char* name;
        std::function<void(Panel&)> abandon;
        std::string textAfter;
    };
    const std::vector<Case> cases = {
        {"arrow to another action", [](Panel& p) { p.model.move(+1); }, "Hello there"},
        {"click on another action", [](Panel& p) { p.model.start(p.indexOf("case.lower")); }, "Hello there"},
        {"synchronous choose", [](Panel& p) { p.model.choose(p.indexOf("case.lower")); }, "Hello there"},
        {"new clipboard text", [](Panel& p) { p.clipboard->content = "other text"; p.model.load(); }, "other text"},
        {"panel put away", [](Panel& p) { p.model.release(); }, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Panel p("Hello there");
        p.model.start(p.indexOf("case.upper"));
        ASSERT_EQ(p.runs.size(), 1u);
        const PanelModel::Run a = p.runs[0];
        c.abandon(p);
        EXPECT_TRUE(a.cancelled->load());
        // A is late: its result must not show, whatever else is running or showing now.
        const std::optional<Outcome> before = p.model.outcome();
        const bool wasBusy = p.model.busy();
        EXPECT_FALSE(p.model.deliver(a.ticket, Outcome{"HELLO THERE", false, false}));
        EXPECT_EQ(p.model.outcome(), before);
        EXPECT_EQ(p.model.busy(), wasBusy);
        EXPECT_EQ(p.model.text(), c.textAfter);
        p.model.confirm();
        p.model.confirm();
        for (const std::string& written : p.clipboard->writes) EXPECT_NE(written, "HELLO THERE");
    }
}

TEST(PanelRuns, RunASwitchToBThenAArrivesLate) {
    Panel p("Hello there");
    p.model.start(p.indexOf("case.upper"));
    p.model.move(+1);  // case.lower, nothing running
    EXPECT_FALSE(p.model.busy());
    p.model.confirm();  // runs B
    ASSERT_EQ(p.runs.size(), 2u);
    EXPECT_FALSE(p.runs[1].cancelled->load());
    EXPECT_GT(p.runs[1].ticket, p.runs[0].ticket);
    EXPECT_FALSE(p.finish(0));  // A arrives while B is still running
    EXPECT_TRUE(p.model.busy());
    EXPECT_FALSE(p.model.outcome());
    EXPECT_TRUE(p.finish(1));
    EXPECT_EQ(p.model.outcome(), (Outcome{"hello there", false, false}));
    p.model.confirm();
    EXPECT_EQ(p.clipboard->writes, std::vector<std::string>{"hello there"});
}

TEST(PanelRuns, RunOutlivesTheModelsTextAndSeesItsCancelFlag) {
    Panel p("some words here");
    p.model.start(0);
    PanelModel::Run run = p.runs[0];
    p.model.release();
    EXPECT_EQ(p.model.text(), "");
    EXPECT_TRUE(p.model.actions().empty());
    EXPECT_EQ(*run.text, "some words here");  // the worker's copy stays whole

    // The flag is installed for the thread that executes the run, and only while it does.
    run.action = [](std::string_view) { return Outcome{cancelRequested() ? "cancelled" : "running", false, false}; };
    EXPECT_EQ(run.execute().text, "cancelled");
    EXPECT_FALSE(cancelRequested());
    run.cancelled->store(false);
    EXPECT_EQ(run.execute().text, "running");

    run.action = [](std::string_view) -> Outcome { throw std::bad_alloc(); };
    EXPECT_TRUE(run.execute().isError);
    run.action = nullptr;
    EXPECT_TRUE(run.execute().isError);
}

}  // namespace
}  // namespace tavlets
