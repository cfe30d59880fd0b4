// Timings of the panel on the offscreen platform: opening on a small and on a 10 MB clipboard,
// and formatting or minifying the 10 MB JSON, each up to the first paint that shows it.

#include <QApplication>

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "panel/panel_controller.hpp"
#include "panel/panel_view.hpp"
#include "panel_fixture.hpp"

namespace tavlets::bench {
namespace {

struct Rig {
    explicit Rig(std::string text) : clipboard(std::make_shared<MemoryClipboard>()) {
        clipboard->text = std::move(text);
        controller = std::make_unique<PanelController>(clipboard);
    }

    // show() up to the first paint of the panel.
    void showAndPaint() {
        controller->show();
        auto* view = controller->view();
        view->installEventFilter(&watch);
        watch.painted = false;
        view->update();
        runUntil([&] { return watch.painted; });
        view->removeEventFilter(&watch);
    }

    std::shared_ptr<MemoryClipboard> clipboard;
    std::unique_ptr<PanelController> controller;
    PaintWatch watch;
};

// Opening the panel, up to its first paint; hiding again is not timed.
void showRepeatedly(benchmark::State& state, Rig& rig) {
    state.counters["bytes"] = static_cast<double>(rig.clipboard->text->size());
    for (auto _ : state) {
        rig.showAndPaint();
        state.PauseTiming();
        rig.controller->hide();
        flush();
        state.ResumeTiming();
    }
}

void BM_ShowSmallClipboard(benchmark::State& state) {
    Rig rig(R"({"name": "Ada", "roles": ["admin", "editor"], "active": true})");
    showRepeatedly(state, rig);
}
BENCHMARK(BM_ShowSmallClipboard)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

void BM_ShowLargeJson(benchmark::State& state) {
    Rig rig(largeJson(10'000'000));
    showRepeatedly(state, rig);
}
BENCHMARK(BM_ShowLargeJson)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// Running an action on the 10 MB JSON, up to the paint that shows the result: Return on
// "Format as JSON" (0, many short lines) and a click on "Minify" (1, one 7 MB line).
void BM_RunOnLargeJson(benchmark::State& state) {
    const int action = static_cast<int>(state.range(0));
    Rig rig(largeJson(10'000'000));
    rig.showAndPaint();
    PanelView* view = rig.controller->view();
    for (auto _ : state) {
        view->installEventFilter(&rig.watch);
        rig.watch.painted = false;
        rig.controller->model().choose(action);
        runUntil([&] { return rig.watch.painted && view->showsResult(); });
        view->removeEventFilter(&rig.watch);
        state.PauseTiming();
        if (!view->showsResult()) state.SkipWithError("no result shown");
        // Back to choosing, with the first action selected again.
        rig.controller->model().move(+1);
        rig.controller->model().move(-1);
        runUntil([&] { return !view->showsResult(); });
        state.ResumeTiming();
    }
}
BENCHMARK(BM_RunOnLargeJson)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);

// A 60 MB result landing from a worker, up to the paint that shows it: how long the UI is held.
void BM_ShowHugeResult(benchmark::State& state) {
    Rig rig("some text");
    rig.showAndPaint();
    PanelModel& model = rig.controller->model();
    std::vector<PanelModel::Run> runs;
    model.runner = [&](PanelModel::Run run) { runs.push_back(std::move(run)); };
    std::string huge;
    huge.reserve(60'000'100);
    while (huge.size() < 60'000'000) huge += "2026-12-06 07:15:00 INFO request completed in 12 ms\n";
    PanelView* view = rig.controller->view();
    for (auto _ : state) {
        state.PauseTiming();
        runs.clear();
        model.start(0);
        Outcome outcome{huge, false, true};
        view->installEventFilter(&rig.watch);
        rig.watch.painted = false;
        state.ResumeTiming();
        model.deliver(runs.back().ticket, std::move(outcome));
        runUntil([&] { return rig.watch.painted && view->showsResult(); });
        state.PauseTiming();
        view->removeEventFilter(&rig.watch);
        model.move(+1);
        runUntil([&] { return !view->showsResult(); });
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ShowHugeResult)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
}  // namespace tavlets::bench

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
