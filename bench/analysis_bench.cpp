// Classification of large clipboards of every kind. Bytes per second are reported; the 1 MB and
// 10 MB runs of one kind should show the same rate (cost linear in the size).

#include <benchmark/benchmark.h>

#include <functional>
#include <map>
#include <string>

#include <tavlets/actions.hpp>
#include <tavlets/delimited.hpp>
#include <tavlets/text.hpp>

namespace {

using tavlets::Analysis;

// Repeats blocks made by `block(i)` until the text holds at least `bytes` bytes.
std::string fill(std::size_t bytes, const std::function<std::string(std::size_t)>& block) {
    std::string s;
    s.reserve(bytes + 256);
    for (std::size_t i = 0; s.size() < bytes; ++i) s += block(i);
    return s;
}

std::string jsonText(std::size_t bytes) {
    std::string s = "[\n" + fill(bytes, [](std::size_t i) {
        return "  {\"id\": " + std::to_string(i) + ", \"name\": \"Item \\u00e9 " + std::to_string(i) +
               "\", \"price\": " + std::to_string(i % 997) + ".25, \"tags\": [\"a\", \"b\"], "
               "\"ok\": true, \"note\": null},\n";
    });
    s += "  {}\n]";
    return s;
}

std::string delimitedText(std::size_t bytes, char d) {
    const std::string sep(1, d);
    return "id" + sep + "name" + sep + "city" + sep + "note\n" + fill(bytes, [&](std::size_t i) {
               return std::to_string(i) + sep + "Name " + std::to_string(i % 1000) + sep +
                      "\"Town, Region\"" + sep + "\"said \"\"hi\"\" twice\"\n";
           });
}

// Every delimiter touches a non-ASCII character: Cyrillic, CJK, a combining mark, Arabic.
std::string nonAsciiCsv(std::size_t bytes) {
    return "\u0438\u043C\u044F,\u0433\u043E\u0440\u043E\u0434,\u540D\u524D,\u0627\u0633\u0645\n" +
           fill(bytes, [](std::size_t i) {
               std::string cjk;
               tavlets::text::appendUTF8(cjk, static_cast<char32_t>(0x4E00 + i % 20000));
               return "\u041C\u0430\u0440\u0438\u044F " + std::to_string(i % 100) +
                      "\u00E9\u0301,\u041C\u043E\u0441\u043A\u0432\u0430," + cjk +
                      "\u4EAC,\u0639\u0644\u064A\n";
           });
}

std::string codeText(std::size_t bytes) {
    return fill(bytes, [](std::size_t i) {
        return "static int helper" + std::to_string(i) + "(int a, int b) {\n"
               "    // add the two, unless the first is negative\n"
               "    if (a < 0 && b > 0) {\n"
               "        return b;\n"
               "    }\n"
               "    return a + b;\n"
               "}\n\n";
    });
}

std::string proseText(std::size_t bytes) {
    return fill(bytes, [](std::size_t i) {
        return std::string(i % 7 == 0 ? "\n\n" : "") +
               "The quarterly review went well, and the team agreed to ship the new release on "
               "Friday. Ann will send the notes before noon. ";
    });
}

std::string chatText(std::size_t bytes) {
    return fill(bytes, [](std::size_t i) {
        static const char* const messages[] = {
            "Alice: Can you check the build before the demo?\n",
            "Bob: Sure, I will look at it after lunch, then ping you.\n",
            "Carol Ann: Thanks! The release notes are in the shared folder.\n"};
        return "[10:" + std::to_string(10 + i % 50) + "] " + messages[i % 3];
    });
}

std::string oneLine(std::size_t bytes) {
    return fill(bytes, [](std::size_t i) {
        return "lorem" + std::to_string(i % 10) + " ipsum, dolor sit amet; ";
    });
}

std::string oneWord(std::size_t bytes) { return std::string(bytes, 'x'); }

// Three huge capitalised words, a colon and a message: a chat line whose head is the whole text.
std::string speakerLike(std::size_t bytes) {
    std::string s(1, 'A');
    s.append(bytes / 2, 'b');
    s += " Cc Dd-";
    s.append(bytes / 2, 'e');
    s += ": x";
    return s;
}

// Few words but many bytes: the chat-line and sentence counts run on it.
std::string fewHugeWords(std::size_t bytes) {
    std::string s;
    for (int i = 0; i < 60; ++i) s += std::string(bytes / 60, 'a' + i % 26) + (i % 10 == 9 ? ".\n" : " ");
    return s;
}

const std::string& input(const std::string& kind, std::size_t mb) {
    static std::map<std::pair<std::string, std::size_t>, std::string> cache;
    auto& s = cache[{kind, mb}];
    if (s.empty()) {
        const std::size_t bytes = mb << 20;
        if (kind == "json") s = jsonText(bytes);
        if (kind == "csv") s = delimitedText(bytes, ',');
        if (kind == "tsv") s = delimitedText(bytes, '\t');
        if (kind == "semicolon") s = delimitedText(bytes, ';');
        if (kind == "csv_nonascii") s = nonAsciiCsv(bytes);
        if (kind == "code") s = codeText(bytes);
        if (kind == "prose") s = proseText(bytes);
        if (kind == "chat") s = chatText(bytes);
        if (kind == "one_line") s = oneLine(bytes);
        if (kind == "one_word") s = oneWord(bytes);
        if (kind == "few_huge_words") s = fewHugeWords(bytes);
        if (kind == "speaker_like") s = speakerLike(bytes);
    }
    return s;
}

void classify(benchmark::State& state, const std::string& kind) {
    const std::string& text = input(kind, static_cast<std::size_t>(state.range(0)));
    std::string label;
    for (auto _ : state) {
        label = Analysis::of(text).label();
        benchmark::DoNotOptimize(label);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    state.SetLabel(label);
}

void parseTable(benchmark::State& state, const std::string& kind, char delimiter) {
    const std::string& text = input(kind, static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        auto rows = tavlets::Delimited::parse(text, delimiter);
        benchmark::DoNotOptimize(rows);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

// The two table actions after parsing: Markdown and JSON of the parsed rows.
void convertTable(benchmark::State& state, bool markdown) {
    const std::string kind = "csv";  // a named kind: GCC 14 takes a temporary argument for a dangling reference
    const std::string& text = input(kind, static_cast<std::size_t>(state.range(0)));
    const auto rows = tavlets::Delimited::parse(text, ',');
    for (auto _ : state) {
        std::string out = markdown ? tavlets::Delimited::markdown(rows) : tavlets::Delimited::json(rows);
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

#define TAVLETS_CLASSIFY(kind)                                                              \
    BENCHMARK_CAPTURE(classify, kind, std::string(#kind))->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)

TAVLETS_CLASSIFY(json);
TAVLETS_CLASSIFY(csv);
TAVLETS_CLASSIFY(tsv);
TAVLETS_CLASSIFY(semicolon);
TAVLETS_CLASSIFY(csv_nonascii);
TAVLETS_CLASSIFY(code);
TAVLETS_CLASSIFY(prose);
TAVLETS_CLASSIFY(chat);
TAVLETS_CLASSIFY(one_line);
TAVLETS_CLASSIFY(one_word);
TAVLETS_CLASSIFY(few_huge_words);
TAVLETS_CLASSIFY(speaker_like);

BENCHMARK_CAPTURE(parseTable, csv, std::string("csv"), ',')->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(convertTable, markdown, true)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(convertTable, json, false)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(parseTable, csv_nonascii, std::string("csv_nonascii"), ',')
    ->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

}  // namespace
