// The text transforms and the bracket check on clipboard-sized inputs (1 MB and 10 MB).
// Each must stay linear; bytes per second are reported for comparison across inputs.

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include <tavlets/bracket_check.hpp>
#include <tavlets/text.hpp>
#include <tavlets/text_mining.hpp>
#include <tavlets/transforms.hpp>

#include "bench_random.hpp"

namespace {

constexpr std::size_t kMB = 1024 * 1024;

using tavlets::bench::Random;


std::string prose(std::size_t size, const std::vector<std::string_view>& words) {
    Random random;
    std::string out;
    out.reserve(size + 256);
    while (out.size() < size) {
        if (random.below(4) == 0) out += "  ";  // some indented lines for trim to work on
        const std::size_t sentences = 1 + random.below(5);
        for (std::size_t s = 0; s < sentences; ++s) {
            const std::size_t count = 6 + random.below(14);
            for (std::size_t w = 0; w < count; ++w) {
                out += words[random.below(words.size())];
                out += w + 1 == count ? "" : (random.below(12) == 0 ? ", " : " ");
            }
            static constexpr std::array<std::string_view, 4> kEnds = {". ", ". ", "? ", "! "};
            out += kEnds[random.below(kEnds.size())];
        }
        out += random.below(3) == 0 ? "\n\n" : "\n";
    }
    return out;
}

const std::string& asciiProse(std::size_t size) {
    static std::map<std::size_t, std::string> cache;
    auto& text = cache[size];
    if (text.empty()) {
        text = prose(size, {"the", "meeting", "notes", "we", "should", "ship", "it", "on", "Friday", "Alice",
                            "will", "review", "budget", "and", "send", "a", "summary", "to", "team", "don't",
                            "forget", "(draft)", "version", "2.1", "customer", "feedback", "was", "good"});
    }
    return text;
}

const std::string& nonAsciiProse(std::size_t size) {
    static std::map<std::size_t, std::string> cache;
    auto& text = cache[size];
    if (text.empty()) {
        text = prose(size, {"café", "naïve", "Straße", "über", "déjà", "vu", "привет", "вечер", "日本語", "東京",
                            "👍🏽", "e\u0301te\u0301", "Ελλάδα", "mañana", "İstanbul", "the", "and", "Zürich",
                            "señor", "ça", "va", "🇫🇷", "한국어", "عربى", "(ok)", "“quoted”"});
    }
    return text;
}

const std::string& code(std::size_t size) {
    static std::map<std::size_t, std::string> cache;
    auto& text = cache[size];
    if (text.empty()) {
        static constexpr std::string_view kSnippet =
            "// Totals for the report — skipping empty rows.\n"
            "static int total(const std::vector<Row>& rows, std::size_t limit) {\n"
            "    int sum = 0; /* running sum (may overflow) */\n"
            "    for (std::size_t i = 0; i < rows.size() && i < limit; ++i) {\n"
            "        if (rows[i].cells.empty()) { continue; }\n"
            "        sum += rows[i].cells[0] * (rows[i].weight + 1);\n"
            "        log(\"row %zu: \\\"%d\\\" {\\n}\", i, sum);\n"
            "    }\n"
            "    return sum;\n"
            "}\n"
            "# python: it's fine\n"
            "name = 'it\\'s' + `tmpl ${x[0]}`\n"
            "doc = \"\"\"A (long) docstring\n  over lines\"\"\"\n\n";
        text.reserve(size + kSnippet.size());
        while (text.size() < size) text += kSnippet;
    }
    return text;
}

const std::string& base64Blob(std::size_t size) {
    static std::map<std::size_t, std::string> cache;
    auto& text = cache[size];
    if (text.empty()) {
        // Wrapped at 76 columns as mail and PEM files are, so whitespace removal has work to do.
        const std::string encoded = tavlets::text::base64Encode(nonAsciiProse(size / 4 * 3));
        text.reserve(encoded.size() + encoded.size() / 76 + 1);
        for (std::size_t i = 0; i < encoded.size(); i += 76) {
            text.append(encoded, i, 76);
            text += '\n';
        }
    }
    return text;
}

const std::string& percentEncoded(std::size_t size) {
    static std::map<std::size_t, std::string> cache;
    auto& text = cache[size];
    if (text.empty()) {
        static constexpr char kHex[] = "0123456789ABCDEF";
        const std::string& source = nonAsciiProse(size / 2);
        for (const char c : source) {
            const auto b = static_cast<unsigned char>(c);
            if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == '-' || b == '.') {
                text += c;
            } else {
                text += '%';
                text += kHex[b >> 4];
                text += kHex[b & 15];
            }
        }
    }
    return text;
}

const std::string& openers(std::size_t size) {
    static std::map<std::size_t, std::string> cache;
    auto& text = cache[size];
    if (text.empty()) text.assign(size, '(');
    return text;
}

// Half openers, then closers that each mismatch the top and find no matching opener below it.
const std::string& mismatches(std::size_t size) {
    static std::map<std::size_t, std::string> cache;
    auto& text = cache[size];
    if (text.empty()) text = std::string(size / 2, '(') + std::string(size - size / 2, ']');
    return text;
}

using Input = const std::string& (*)(std::size_t);
using Work = std::function<std::size_t(std::string_view)>;

void run(benchmark::State& state, Input input, const Work& work) {
    const std::string& text = input(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(work(text));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
}

template <typename F>
Work outcomeOf(F f) {
    return [f](std::string_view s) { return f(s).text.size(); };
}

template <typename F>
Work stringOf(F f) {
    return [f](std::string_view s) { return f(s).size(); };
}

[[maybe_unused]] const bool registered = [] {
    const std::vector<std::pair<const char*, Input>> texts = {
        {"ascii_prose", asciiProse}, {"non_ascii_prose", nonAsciiProse}, {"code", code}};
    const std::vector<std::pair<const char*, Work>> transforms = {
        {"uppercase", outcomeOf(tavlets::transforms::uppercase)},
        {"lowercase", outcomeOf(tavlets::transforms::lowercase)},
        {"title_case", outcomeOf(tavlets::transforms::titleCase)},
        {"sentence_case", stringOf(tavlets::transforms::sentenceCase)},
        {"trim", stringOf(tavlets::transforms::trim)},
        {"stats", stringOf(tavlets::transforms::stats)},
        {"base64_encode", outcomeOf(tavlets::transforms::base64Encode)},
        {"bracket_check", outcomeOf(tavlets::BracketCheck::run)},
        // The two counts that "Count words" takes from text mining, to show their share of it.
        {"stats_part_word_count", [](std::string_view s) { return tavlets::TextMining::wordCount(s); }},
        {"stats_part_sentence_count", [](std::string_view s) { return tavlets::TextMining::sentenceCount(s); }},
    };
    std::vector<std::tuple<std::string, Input, Work>> all;
    for (const auto& [workName, work] : transforms) {
        for (const auto& [textName, input] : texts) all.emplace_back(std::string(workName) + "/" + textName, input, work);
    }
    all.emplace_back("url_decode/percent_encoded", percentEncoded, outcomeOf(tavlets::transforms::urlDecode));
    all.emplace_back("base64_decode/base64_blob", base64Blob, outcomeOf(tavlets::transforms::base64Decode));
    all.emplace_back("bracket_check/openers", openers, outcomeOf(tavlets::BracketCheck::run));
    all.emplace_back("bracket_check/mismatches", mismatches, outcomeOf(tavlets::BracketCheck::run));

    for (const auto& [name, input, work] : all) {
        benchmark::RegisterBenchmark(name.c_str(), [input = input, work = work](benchmark::State& state) {
            run(state, input, work);
        })->Arg(static_cast<std::int64_t>(kMB))->Arg(static_cast<std::int64_t>(10 * kMB))->Unit(benchmark::kMillisecond);
    }
    return true;
}();

}  // namespace
