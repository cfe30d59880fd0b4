// JSON engine throughput on 10 MB documents, side by side with RapidJSON in the same binary.
//
// Every benchmark of ours reports MB/s and a counter `vsRapidJSON`: our time divided by
// RapidJSON's for the same work (parse; parse and indent; parse and compact), both timed
// alternately a few times after the main loop in process CPU time, best of each. Below 1 means
// we are faster.
// `peakPerInput` is the most heap memory held at once during one run, divided by the input size
// (global operator new, and RapidJSON's allocator, are counted in this binary).

#include "tavlets/json.hpp"

#include "bench_random.hpp"

#include <benchmark/benchmark.h>

#define RAPIDJSON_SSE2
#include <rapidjson/document.h>
#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <algorithm>
#include <atomic>
#include <ctime>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>
#include <string>

// ---- Heap accounting ----
namespace {
std::atomic<std::int64_t> gLive{0};
std::atomic<std::int64_t> gPeak{0};

void* countedAlloc(std::size_t n)
{
    void* p = std::malloc(n + 16);
    if (!p)
        throw std::bad_alloc();
    *static_cast<std::size_t*>(p) = n;
    const std::int64_t live = gLive.fetch_add(std::int64_t(n), std::memory_order_relaxed) + std::int64_t(n);
    std::int64_t peak = gPeak.load(std::memory_order_relaxed);
    while (live > peak && !gPeak.compare_exchange_weak(peak, live, std::memory_order_relaxed)) {
    }
    return static_cast<char*>(p) + 16;
}

void countedFree(void* p) noexcept
{
    if (!p)
        return;
    char* base = static_cast<char*>(p) - 16;
    gLive.fetch_sub(std::int64_t(*reinterpret_cast<std::size_t*>(base)), std::memory_order_relaxed);
    std::free(base);
}
}  // namespace

void* operator new(std::size_t n) { return countedAlloc(n); }
void* operator new[](std::size_t n) { return countedAlloc(n); }
void operator delete(void* p) noexcept { countedFree(p); }
void operator delete[](void* p) noexcept { countedFree(p); }
void operator delete(void* p, std::size_t) noexcept { countedFree(p); }
void operator delete[](void* p, std::size_t) noexcept { countedFree(p); }

namespace {

using tavlets::JSONParser;
using tavlets::JSONTools;

// ---- Documents ----
using tavlets::bench::Random;

const char* const kWords[] = {"alpha", "beta", "gamma", "delta", "Zo\xC3\xAB", "\xC3\x85ngstr\xC3\xB6m",
                              "M\xC3\xBCnchen", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", "caf\xC3\xA9",
                              "na\xC3\xAFve", "\xF0\x9F\x98\x80", "quote\\\"d", "tab\\tbed", "slash\\/ed",
                              "\\u00e9t\\u00e9", "line\\nbreak"};

std::string word(Random& r) { return kWords[r.below(sizeof kWords / sizeof *kWords)]; }

std::string number(Random& r)
{
    switch (r.below(6)) {
    case 0:
        return std::to_string(r.below(100000));
    case 1:
        return std::to_string(-1 - int(r.below(1000))) + "." + std::to_string(r.below(100));
    case 2:
        return std::to_string(r.below(10)) + "." + std::to_string(r.below(1000)) + "e" + std::to_string(r.below(30));
    case 3:
        return "-0.50E+" + std::to_string(r.below(9));
    case 4:
        return "0";
    default:
        return std::to_string(r.next()) + std::to_string(r.next());
    }
}

std::string record(Random& r, std::uint32_t id)
{
    std::string s = "{\"id\":" + std::to_string(id) + ",\"guid\":\"" + std::to_string(r.next()) + "-" +
                    std::to_string(r.next()) + "\",\"active\":" + (r.below(2) ? "true" : "false") +
                    ",\"balance\":" + number(r) + ",\"score\":" + number(r) + ",\"name\":\"" + word(r) + " " +
                    word(r) + "\",\"about\":\"";
    for (std::uint32_t i = 0, n = 4 + r.below(12); i < n; ++i)
        s += word(r) + " ";
    s += "\",\"tags\":[";
    for (std::uint32_t i = 0, n = r.below(6); i < n; ++i)
        s += (i ? ",\"" : "\"") + word(r) + "\"";
    s += "],\"friends\":[";
    for (std::uint32_t i = 0, n = r.below(4); i < n; ++i)
        s += std::string(i ? "," : "") + "{\"id\":" + std::to_string(r.below(1000)) + ",\"name\":\"" + word(r) +
             "\",\"since\":" + number(r) + "}";
    s += "],\"location\":{\"lat\":" + number(r) + ",\"lng\":" + number(r) + ",\"address\":{\"city\":\"" + word(r) +
         "\",\"zip\":\"" + std::to_string(r.below(99999)) + "\"}},\"matrix\":[[" + number(r) + "," + number(r) +
         "],[" + number(r) + "," + number(r) + "]],\"empty\":{},\"none\":null,\"list\":[]}";
    return s;
}

constexpr std::size_t kTarget = 10 * 1000 * 1000;

// About 10 MB of records in one array, compact.
const std::string& compactDocument()
{
    static const std::string doc = [] {
        Random r;
        std::string s = "[";
        for (std::uint32_t id = 0; s.size() < kTarget; ++id) {
            if (id)
                s += ',';
            s += record(r, id);
        }
        return s + "]";
    }();
    return doc;
}

// The same records indented, as a formatted document on the clipboard looks.
const std::string& indentedDocument()
{
    static const std::string doc = JSONTools::pretty(JSONParser::parse(compactDocument()).node());
    return doc;
}

// About 10 MB of items each nested 350 containers deep.
const std::string& deepDocument()
{
    static const std::string doc = [] {
        Random r;
        std::string s = "[";
        for (std::uint32_t id = 0; s.size() < kTarget; ++id) {
            const std::uint32_t depth = 300 + r.below(50);
            std::string open, close;
            for (std::uint32_t d = 0; d < depth; ++d)
                open += d % 3 == 0 ? "{\"k\":" : "[";
            for (std::uint32_t d = depth; d-- > 0;)
                close += d % 3 == 0 ? "}" : (d % 2 ? ",1]" : "]");
            if (id)
                s += ',';
            s += open + "[" + number(r) + ",\"" + word(r) + "\"]" + close;
        }
        return s + "]";
    }();
    return doc;
}

const std::string& document(int which)
{
    switch (which) {
    case 0:
        return compactDocument();
    case 1:
        return indentedDocument();
    default:
        return deepDocument();
    }
}

const char* documentName(int which)
{
    static const char* const names[] = {"compact", "indented", "deep"};
    return names[which];
}

// RapidJSON allocates with malloc; route it through the same accounting.
struct CountingAllocator {
    static const bool kNeedFree = true;
    void* Malloc(std::size_t n) { return n ? countedAlloc(n) : nullptr; }
    void* Realloc(void* old, std::size_t oldSize, std::size_t newSize)
    {
        if (newSize == 0) {
            countedFree(old);
            return nullptr;
        }
        void* p = countedAlloc(newSize);
        if (old)
            std::memcpy(p, old, std::min(oldSize, newSize));
        countedFree(old);
        return p;
    }
    static void Free(void* p) { countedFree(p); }
    bool operator==(const CountingAllocator&) const { return true; }
    bool operator!=(const CountingAllocator&) const { return false; }
};


// ---- The work, ours and RapidJSON's ----
enum class Work { parse, pretty, minify };

std::size_t ours(Work work, const std::string& text)
{
    const auto result = JSONParser::parse(text);
    if (!result.ok())
        std::abort();
    switch (work) {
    case Work::parse:
        return result.node().size();
    case Work::pretty:
        return JSONTools::pretty(result.node()).size();
    case Work::minify:
        return JSONTools::minify(result.node()).size();
    }
    return 0;
}

// Timed with RapidJSON's own allocator (malloc and realloc); measured for memory with the
// counting one.
template <class Allocator>
std::size_t rapidWith(Work work, const std::string& text)
{
    using Document =
        rapidjson::GenericDocument<rapidjson::UTF8<>, rapidjson::MemoryPoolAllocator<Allocator>, Allocator>;
    using Buffer = rapidjson::GenericStringBuffer<rapidjson::UTF8<>, Allocator>;
    Document d;
    d.Parse(text.data(), text.size());
    if (d.HasParseError())
        std::abort();
    switch (work) {
    case Work::parse:
        return d.Size();
    case Work::pretty: {
        Buffer sb;
        rapidjson::PrettyWriter<Buffer, rapidjson::UTF8<>, rapidjson::UTF8<>, Allocator> w(sb);
        w.SetIndent(' ', 2);
        d.Accept(w);
        return sb.GetSize();
    }
    case Work::minify: {
        Buffer sb;
        rapidjson::Writer<Buffer, rapidjson::UTF8<>, rapidjson::UTF8<>, Allocator> w(sb);
        d.Accept(w);
        return sb.GetSize();
    }
    }
    return 0;
}

std::size_t rapid(Work work, const std::string& text) { return rapidWith<rapidjson::CrtAllocator>(work, text); }

// Process CPU time: the machine running the benchmarks is shared, so wall time is noisy.
double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

double seconds(const std::function<std::size_t()>& f)
{
    const double t0 = cpuSeconds();
    benchmark::DoNotOptimize(f());
    return cpuSeconds() - t0;
}

double peakPerInput(const std::function<std::size_t()>& f, std::size_t inputBytes)
{
    const std::int64_t before = gLive.load();
    gPeak.store(before);
    benchmark::DoNotOptimize(f());
    return double(gPeak.load() - before) / double(inputBytes);
}

template <bool Ours>
void run(benchmark::State& state, Work work)
{
    const std::string& text = document(int(state.range(0)));
    state.SetLabel(documentName(int(state.range(0))));
    for (auto _ : state)
        benchmark::DoNotOptimize(Ours ? ours(work, text) : rapid(work, text));
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size()));
    auto mine = [&] { return Ours ? ours(work, text) : rapidWith<CountingAllocator>(work, text); };
    state.counters["peakPerInput"] = peakPerInput(mine, text.size());
    if constexpr (Ours) {
        double best = 1e9, bestRapid = 1e9;
        for (int i = 0; i < 5; ++i) {
            best = std::min(best, seconds([&] { return ours(work, text); }));
            bestRapid = std::min(bestRapid, seconds([&] { return rapid(work, text); }));
        }
        state.counters["vsRapidJSON"] = best / bestRapid;
    }
}

void BM_Parse(benchmark::State& s) { run<true>(s, Work::parse); }
void BM_ParsePretty(benchmark::State& s) { run<true>(s, Work::pretty); }
void BM_ParseMinify(benchmark::State& s) { run<true>(s, Work::minify); }
void BM_RapidJSON_Parse(benchmark::State& s) { run<false>(s, Work::parse); }
void BM_RapidJSON_ParsePretty(benchmark::State& s) { run<false>(s, Work::pretty); }
void BM_RapidJSON_ParseMinify(benchmark::State& s) { run<false>(s, Work::minify); }

// Error path: the classification only asks whether the text is valid; a late error costs a scan.
void BM_ParseLateError(benchmark::State& state)
{
    std::string text = compactDocument();
    text.back() = ',';
    for (auto _ : state)
        benchmark::DoNotOptimize(JSONParser::parse(text).ok());
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size()));
}

// The report on a 10 MB one-line document with the error near its end.
void BM_DescribeLongLine(benchmark::State& state)
{
    std::string text = compactDocument();
    text.back() = ',';
    const auto error = JSONParser::parse(text).error();
    for (auto _ : state)
        benchmark::DoNotOptimize(JSONTools::describe(error, text));
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size()));
}

void documents(benchmark::internal::Benchmark* b)
{
    b->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_Parse)->Apply(documents);
BENCHMARK(BM_RapidJSON_Parse)->Apply(documents);
BENCHMARK(BM_ParsePretty)->Apply(documents);
BENCHMARK(BM_RapidJSON_ParsePretty)->Apply(documents);
BENCHMARK(BM_ParseMinify)->Apply(documents);
BENCHMARK(BM_RapidJSON_ParseMinify)->Apply(documents);
BENCHMARK(BM_ParseLateError)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DescribeLongLine)->Unit(benchmark::kMillisecond);

}  // namespace
