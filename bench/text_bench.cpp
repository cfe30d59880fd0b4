// Throughput of the text layer on large clipboards: ASCII prose and mixed-script prose.

#include "tavlets/text.hpp"

#include <benchmark/benchmark.h>

#include <string>

namespace text = tavlets::text;

namespace {

const std::string& prose(bool ascii, std::size_t bytes) {
    static std::string cache[2][2];
    std::string& s = cache[ascii ? 0 : 1][bytes > 2'000'000 ? 1 : 0];
    if (s.empty()) {
        const char* asciiLines[] = {
            "Dr. Smith reviewed the quarterly numbers with the team on Monday. ",
            "Alice will send the updated deck by Friday, and Bob owns the follow-up.\n",
            "We agreed to ship version 2.3 after the last round of tests passes! ",
            "Questions? Ask in the channel, e.g. about the rollout plan.\r\n",
        };
        const char* mixedLines[] = {
            "Le caf\u00E9 \u00E9tait d\u00E9j\u00E0 ferm\u00E9, alors nous sommes all\u00E9s \u00E0 la gare. ",
            "Die Stra\u00DFe war nass; \u00FCberall lagen Bl\u00E4tter.\n",
            "\u039F \u03B4\u03C1\u03CC\u03BC\u03BF\u03C2 \u03AE\u03C4\u03B1\u03BD \u03BC\u03B1\u03BA\u03C1\u03CD\u03C2. ",
            "\u4ECA\u65E5\u306F\u3044\u3044\u5929\u6C17\u3067\u3059\u306D\u3002 The team \U0001F44D\U0001F3FD agreed. ",
            "Ca\u0301mara lista \U0001F1E9\U0001F1EA \u2014 \u00BFlisto?\n",
        };
        std::size_t k = 0;
        while (s.size() < bytes) {
            if (ascii) s += asciiLines[k++ % 4];
            else s += mixedLines[k++ % 5];
        }
    }
    return s;
}

template <typename F>
void run(benchmark::State& state, F f) {
    const std::string& s = prose(state.range(0) == 0, static_cast<std::size_t>(state.range(1)));
    for (auto _ : state) benchmark::DoNotOptimize(f(s));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(s.size()));
}

void BM_characterCount(benchmark::State& st) { run(st, [](const std::string& s) { return text::characterCount(s); }); }
void BM_characterIterator(benchmark::State& st) {
    run(st, [](const std::string& s) {
        std::size_t n = 0;
        text::CharacterIterator it(s);
        while (it.next()) ++n;
        return n;
    });
}
void BM_isValidUTF8(benchmark::State& st) { run(st, [](const std::string& s) { return text::isValidUTF8(s); }); }
void BM_splitLines(benchmark::State& st) { run(st, [](const std::string& s) { return text::splitLines(s).size(); }); }
void BM_uppercased(benchmark::State& st) { run(st, [](const std::string& s) { return text::uppercased(s).size(); }); }
void BM_lowercased(benchmark::State& st) { run(st, [](const std::string& s) { return text::lowercased(s).size(); }); }
void BM_capitalized(benchmark::State& st) { run(st, [](const std::string& s) { return text::capitalized(s).size(); }); }
void BM_sentenceRanges(benchmark::State& st) { run(st, [](const std::string& s) { return text::sentenceRanges(s).size(); }); }
void BM_wordRanges(benchmark::State& st) { run(st, [](const std::string& s) { return text::wordRanges(s).size(); }); }
void BM_regexKeywordScan(benchmark::State& st) {
    static const text::Regex keyword("(?m)^\\s*(import|func|def|class|struct|return|if|for|while|#include)\\b");
    run(st, [](const std::string& s) { return keyword.search(s); });
}

// Arguments: {0 = ASCII, 1 = mixed scripts} x {1 MB, 10 MB}.
#define TEXT_BENCH(name) \
    BENCHMARK(name)->ArgsProduct({{0, 1}, {1'000'000, 10'000'000}})->Unit(benchmark::kMillisecond)

TEXT_BENCH(BM_characterCount);
TEXT_BENCH(BM_characterIterator);
TEXT_BENCH(BM_isValidUTF8);
TEXT_BENCH(BM_splitLines);
TEXT_BENCH(BM_uppercased);
TEXT_BENCH(BM_lowercased);
TEXT_BENCH(BM_capitalized);
TEXT_BENCH(BM_sentenceRanges);
TEXT_BENCH(BM_wordRanges);
TEXT_BENCH(BM_regexKeywordScan);

// Many short calls, as the text-mining code makes per line and per sentence.
void BM_shortCalls(benchmark::State& state) {
    const std::string line = "Alice: Let's ship it. Bob will test it.";
    for (auto _ : state) {
        benchmark::DoNotOptimize(text::sentenceRanges(line));
        benchmark::DoNotOptimize(text::wordRanges(line));
        benchmark::DoNotOptimize(text::characterCount("caf\u00E9"));
    }
}
BENCHMARK(BM_shortCalls);

}  // namespace
