// Actions on worker threads: the panel answers while one works, and abandoned runs go away.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

#include <tavlets/cancel.hpp>

#include "panel/panel_text.hpp"
#include "panel_fixture.hpp"

namespace tavlets {
namespace {

using namespace std::chrono_literals;
using testing::eventually;
using testing::kChooseFooter;

TEST(PanelBusy, ShowsWorkingAfterAMomentIgnoresReturnAndArrowsAbandonTheRun) {
    std::atomic<int> started{0};  // outlives the controller, whose worker may still be running the action
    testing::OpenPanel p("hello", false);
    p.offer({testing::slowAction(started)});
    const int height = p.controller.window()->height();
    p.model().start(static_cast<int>(p.model().actions().size()) - 1);
    ASSERT_TRUE(eventually([&] { return started > 0; }));
    EXPECT_TRUE(p.model().busy());
    ASSERT_TRUE(eventually([&] { return p.view().showsBusy(); }));
    EXPECT_TRUE(p.view().busyLabelText().startsWith(QStringLiteral(u"Working\u2026")));
    EXPECT_EQ(p.view().footerLabelText(), busyFooterText());
    EXPECT_TRUE(eventually([&] { return p.controller.window()->height() > height; }));

    testing::send(p.view(), Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_TRUE(p.model().busy());
    EXPECT_EQ(started, 1) << "Return while busy ran the action again";
    EXPECT_TRUE(p.clipboard->writes.empty());

    testing::send(p.view(), Qt::Key_Right);  // wraps to the first action; the slow one is abandoned
    EXPECT_FALSE(p.model().busy());
    EXPECT_EQ(p.model().selected(), 0);
    EXPECT_TRUE(eventually([&] { return p.controller.worker().liveThreads() == 0; })) << "the abandoned run kept going";
    EXPECT_TRUE(eventually([&] { return p.controller.window()->height() == height; }));
    EXPECT_FALSE(p.view().showsBusy());
    EXPECT_EQ(p.view().footerLabelText(), kChooseFooter);
}

// ---- the worker on its own ----

struct Posted {
    std::mutex mutex;
    std::deque<std::function<void()>> tasks;
    ActionWorker::Post post() {
        return [this](std::function<void()> task) {
            std::lock_guard lock(mutex);
            tasks.push_back(std::move(task));
        };
    }
    void runAll() {
        std::deque<std::function<void()>> now;
        {
            std::lock_guard lock(mutex);
            now.swap(tasks);
        }
        for (auto& task : now) task();
    }
};

PanelModel::Run runOf(std::uint64_t ticket, std::function<Outcome(std::string_view)> action) {
    return PanelModel::Run{ticket, std::move(action), std::make_shared<const std::string>("text"),
                           std::make_shared<std::atomic<bool>>(false)};
}

TEST(ActionWorker, AbandonedRunsThatWillNotStopCannotPileUp) {
    Posted posted;
    std::atomic<bool> letGo{false};
    std::atomic<int> ranC{0}, entered{0};
    std::vector<std::pair<std::uint64_t, std::string>> results;
    int idles = 0;
    {
        ActionWorker worker(posted.post(), 2);
        // A failed assertion must not leave the worker's destructor joining threads that never stop.
        struct LetGo { std::atomic<bool>& flag; ~LetGo() { flag = true; } } letGoOnExit{letGo};
        worker.onIdle = [&] { ++idles; };
        const auto done = [&](std::uint64_t ticket, Outcome outcome) { results.emplace_back(ticket, outcome.text); };
        const auto stubborn = [&](std::string_view) {
            ++entered;
            while (!letGo) std::this_thread::sleep_for(1ms);
            return Outcome{"late", false, false};
        };
        // Cancelled only once inside the action: a run cancelled before its thread looks at the
        // flag is skipped and its thread ends at once, which is not the case under test.
        PanelModel::Run a = runOf(1, stubborn), b = runOf(2, stubborn);
        worker.start(a, done);
        ASSERT_TRUE(eventually([&] { return entered == 1; }));
        a.cancelled->store(true);
        worker.start(b, done);
        ASSERT_TRUE(eventually([&] { return entered == 2; }));
        b.cancelled->store(true);
        EXPECT_EQ(worker.liveThreads(), 2u);

        // No third thread: C waits, and is dropped unrun when D comes.
        PanelModel::Run c = runOf(3, [&](std::string_view) { ++ranC; return Outcome{"C", false, false}; });
        worker.start(c, done);
        c.cancelled->store(true);
        worker.start(runOf(4, [](std::string_view text) { return Outcome{std::string(text) + " D", false, false}; }), done);
        EXPECT_EQ(worker.liveThreads(), 2u);

        letGo = true;
        ASSERT_TRUE(eventually([&] { posted.runAll(); return worker.liveThreads() == 0 && idles > 0; }));
        posted.runAll();
        EXPECT_EQ(results, (std::vector<std::pair<std::uint64_t, std::string>>{{4, "text D"}}));
        EXPECT_EQ(ranC, 0);
    }
}

TEST(ActionWorker, StartWaitsBrieflySoAQuickResultIsPostedOnReturn) {
    Posted posted;
    std::vector<std::string> results;
    std::atomic<bool> letGo{false};
    ActionWorker worker(posted.post());
    const auto done = [&](std::uint64_t, Outcome outcome) { results.push_back(outcome.text); };
    EXPECT_TRUE(worker.start(runOf(1, [](std::string_view t) { return Outcome{std::string(t), false, false}; }), done, 5s));
    posted.runAll();  // the result is already there
    EXPECT_EQ(results, std::vector<std::string>{"text"});

    const auto slow = [&](std::string_view) {
        while (!letGo) std::this_thread::sleep_for(1ms);
        return Outcome{"slow", false, false};
    };
    EXPECT_FALSE(worker.start(runOf(2, slow), done, 10ms));
    letGo = true;
    ASSERT_TRUE(eventually([&] { posted.runAll(); return results.size() == 2; }));
    EXPECT_EQ(results.back(), "slow");
}

// Its posted tasks may outlive it: neither a cancelled result nor an idle notice arrives then.
TEST(ActionWorker, DestroyingItCancelsAndWaitsForTheRuns) {
    Posted posted;
    std::atomic<bool> started{false}, stopped{false};
    int idles = 0;
    {
        ActionWorker worker(posted.post());
        worker.onIdle = [&] { ++idles; };
        worker.start(runOf(1, [](std::string_view) { return Outcome{}; }), nullptr, 5s);
        ASSERT_TRUE(eventually([&] { return worker.liveThreads() == 0; }));
        worker.start(runOf(2, [&](std::string_view) {
                         started = true;
                         while (!cancelRequested()) std::this_thread::sleep_for(1ms);
                         stopped = true;
                         return Outcome{};
                     }),
                     [](std::uint64_t, Outcome) { ADD_FAILURE() << "a cancelled run delivered"; });
        ASSERT_TRUE(eventually([&] { return started.load(); }));
    }
    EXPECT_TRUE(stopped);
    posted.runAll();
    EXPECT_EQ(idles, 0);
}

TEST(ActionWorker, NoThreadToBeHadFailsTheRunAndKeepsTheCounts) {
    Posted posted;
    std::vector<Outcome> results;
    const auto done = [&](std::uint64_t, Outcome outcome) { results.push_back(outcome); };
    const std::size_t before = ActionWorker::liveThreadsInProcess();
    ActionWorker worker(posted.post());
    worker.startThread = [](std::function<void()>) -> std::thread {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    };

    EXPECT_TRUE(worker.start(runOf(1, [](std::string_view) { return Outcome{}; }), done));
    posted.runAll();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_TRUE(results[0].isError);
    EXPECT_EQ(worker.liveThreads(), 0u);
    EXPECT_EQ(ActionWorker::liveThreadsInProcess(), before);
}

}  // namespace
}  // namespace tavlets
