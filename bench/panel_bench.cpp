// Opening the panel on a large clipboard (read, classify, build the list), alone and with the first
// Return, which runs the first offered action.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include <tavlets/panel_model.hpp>

namespace {

struct FixedClipboard : tavlets::Clipboard {
    std::string text;
    std::optional<std::string> readText() override { return text; }
    void writeText(const std::string&, bool) override {}
};

std::string bigJSON() {
    std::string s = "[";
    while (s.size() < 10'000'000) s += "{\"id\": 12345, \"name\": \"Ann Lee\", \"tags\": [\"a\", \"b\"]},\n";
    s.back() = ']';
    s.erase(s.size() - 2, 1);
    return s;
}

std::string bigProse() {
    std::string s;
    while (s.size() < 10'000'000) s += "We shipped the beta on Monday and the feedback was good. ";
    return s;
}

void open(benchmark::State& state, std::string text, bool thenReturn) {
    auto clipboard = std::make_shared<FixedClipboard>();
    clipboard->text = std::move(text);
    tavlets::PanelModel model(clipboard);
    for (auto _ : state) {
        model.load();
        if (thenReturn) model.confirm();
        // By pointer: newer Google Benchmark deprecates the const-reference form, and a copy would
        // add its own cost.
        const auto* outcome = &model.outcome();
        benchmark::DoNotOptimize(outcome);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(clipboard->text.size()));
}

void BM_OpenJSON10MB(benchmark::State& state) { open(state, bigJSON(), false); }
void BM_OpenProse10MB(benchmark::State& state) { open(state, bigProse(), false); }
void BM_OpenAndReturnJSON10MB(benchmark::State& state) { open(state, bigJSON(), true); }
void BM_OpenAndReturnProse10MB(benchmark::State& state) { open(state, bigProse(), true); }

}  // namespace

BENCHMARK(BM_OpenJSON10MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenProse10MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenAndReturnJSON10MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenAndReturnProse10MB)->Unit(benchmark::kMillisecond);
