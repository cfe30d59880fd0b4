// Every offered action on a large clipboard of each common kind, each run timed alone (best of a
// few runs; wall-clock time, and processor time of all threads beside it), and the slowest row
// at the end. Not a Google Benchmark: it prints a plain table that
// can be compared by eye across builds.
//
//   actions_suite                  every action on 10 MB of each kind
//   actions_suite --mb 5 --runs 3  another size or number of runs
//   actions_suite --only "chat/Action items"
//                                  the rows whose "kind/action" contains the text
//   actions_suite --print          each result's beginning too
//   actions_suite --memory [--mb 50]
//                                  peak resident memory of TL;DR and Action items on prose and
//                                  chat, each in a process of its own

#include <sys/resource.h>
#include <time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <tavlets/actions.hpp>

#include "bench_random.hpp"

namespace {

constexpr std::size_t kMB = 1024 * 1024;
constexpr std::uint64_t kSeed = 0x5EED;  // every run measures the same text

using tavlets::bench::Random;


// Sentences of random words with no action-item trigger among them, and now and then a line with
// one of a few to-dos (the same few, so that the item list stays short and every unit is looked
// at).
std::string prose(std::size_t size, const std::vector<std::string_view>& words,
                  const std::vector<std::string_view>& todos) {
    Random random(kSeed);
    std::string out;
    out.reserve(size + 512);
    while (out.size() < size) {
        const std::size_t sentences = 1 + random.below(5);
        for (std::size_t s = 0; s < sentences; ++s) {
            if (random.below(2000) == 0) {
                // On a line of its own, so that its sentences repeat word for word.
                out += '\n';
                out += todos[random.below(todos.size())];
                out += '\n';
                continue;
            }
            const std::size_t count = 5 + random.below(16);
            for (std::size_t w = 0; w < count; ++w) {
                std::string_view word = words[random.below(words.size())];
                if (w == 0 && random.below(2) == 0) word = words[random.below(8)];  // common openers
                out += word;
                out += w + 1 == count ? "" : (random.below(10) == 0 ? ", " : " ");
            }
            static constexpr std::array<std::string_view, 5> kEnds = {". ", ". ", ". ", "? ", "! "};
            out += kEnds[random.below(kEnds.size())];
        }
        out += random.below(3) == 0 ? "\n\n" : "\n";
    }
    return out;
}

std::string asciiProse(std::size_t size) {
    return prose(size,
                 {"We", "They", "The", "Alice", "Bob", "Our", "Dr. Smith", "Then", "meeting", "notes", "ship", "it", "on",
                  "Friday", "review", "budget", "and", "send", "a", "summary", "team", "(draft)", "version", "2.1",
                  "customer", "feedback", "was", "good", "end", "of", "week", "e.g.", "roadmap", "quarter", "revenue",
                  "grew", "12%", "after", "launch", "migration", "don't", "it's", "users", "server"},
                 {"Please send the slides to Dana by Friday.", "I'll update the budget tonight.",
                  "Can you review the migration plan?", "- [ ] Book the venue for the offsite"});
}

std::string nonAsciiProse(std::size_t size) {
    return prose(size,
                 {"Wir", "Ich", "Мы", "私は", "Η", "אנחנו", "Die", "Они", "Straße", "über", "Größe", "müssen",
                  "Besprechung", "Freitag", "привет", "встреча", "завтра", "нужно", "отправить", "日本語", "東京",
                  "会議", "明日", "送ってください", "Ελλάδα", "συνάντηση", "αύριο", "πρέπει", "שלום", "פגישה", "מחר",
                  "צריך", "the", "and", "review", "Zürich", "déjà", "naïve", "“quoted”", "—", "2,5", "café", "mañana"},
                 {"Bitte schick mir die Folien, please.", "Можешь отправить отчёт? Please do.",
                  "I'll send 会議 notes to Jürgen tomorrow.", "[ ] Kaffee für Freitag bestellen"});
}

std::string chat(std::size_t size) {
    static constexpr std::array<std::string_view, 8> kPeople = {"Ann", "Bob", "Dana", "Maria Lopez",
                                                                "Tom", "Priya", "Sam", "Kevin O'Brien"};
    static constexpr std::array<std::string_view, 12> kLines = {
        "I think the release looks good so far.",
        "Can you send the slides to Dana before the review?",
        "I\u2019ll update the budget spreadsheet tonight.",
        "We agreed to launch on the 12th after the security review.",
        "Thanks everyone, great progress this week!",
        "Should we move the retro to Friday?",
        "The staging server was down for about an hour this morning. Nobody noticed until nine.",
        "Let's make sure the migration runs before 3pm tomorrow.",
        "ok",
        "Sounds good to me. Let me know if anything changes.",
        "@Tom please review the pull request by EOD",
        "lol yes, same here \U0001F602",
    };
    Random random(kSeed);
    std::string out;
    out.reserve(size + 256);
    std::size_t minute = 0;
    while (out.size() < size) {
        char stamp[16];
        std::snprintf(stamp, sizeof stamp, "[%02zu:%02zu] ", 8 + (minute / 60) % 12, minute % 60);
        ++minute;
        out += stamp;
        out += kPeople[random.below(kPeople.size())];
        out += ": ";
        out += kLines[random.below(kLines.size())];
        out += '\n';
    }
    return out;
}

std::string code(std::size_t size) {
    static constexpr std::string_view kSnippet =
        "// Totals for the report, skipping empty rows.\n"
        "static int total(const std::vector<Row>& rows, std::size_t limit) {\n"
        "    int sum = 0; /* running sum (may overflow) */\n"
        "    for (std::size_t i = 0; i < rows.size() && i < limit; ++i) {\n"
        "        if (rows[i].cells.empty()) { continue; }\n"
        "        sum += rows[i].cells[0] * (rows[i].weight + 1);\n"
        "        log(\"row %zu: \\\"%d\\\" {\\n}\", i, sum);\n"
        "    }\n"
        "    return sum;\n"
        "}\n\n";
    std::string out;
    out.reserve(size + kSnippet.size());
    while (out.size() < size) out += kSnippet;
    return out;
}

std::string csv(std::size_t size) {
    Random random(kSeed);
    std::string out = "id,name,city,amount,date,note\n";
    out.reserve(size + 256);
    static constexpr std::array<std::string_view, 6> kNames = {"Alice", "Bob", "Zoë", "\"Lopez, Maria\"", "Tom",
                                                               "Ærø"};
    static constexpr std::array<std::string_view, 5> kCities = {"Berlin", "São Paulo", "Tokyo", "New York",
                                                                "Zürich"};
    static constexpr std::array<std::string_view, 4> kNotes = {"", "paid", "\"said \"\"ok\"\"\"", "late | again"};
    for (std::size_t id = 1; out.size() < size; ++id) {
        out += std::to_string(id);
        out += ',';
        out += kNames[random.below(kNames.size())];
        out += ',';
        out += kCities[random.below(kCities.size())];
        out += ',';
        out += std::to_string(random.below(100000)) + "." + std::to_string(random.below(100));
        out += ",2024-0" + std::to_string(1 + random.below(9)) + "-1" + std::to_string(random.below(10));
        out += ',';
        out += kNotes[random.below(kNotes.size())];
        out += '\n';
    }
    return out;
}

std::string json(std::size_t size) {
    Random random(kSeed);
    std::string out = "[\n";
    out.reserve(size + 256);
    for (std::size_t id = 1; out.size() < size; ++id) {
        if (id > 1) out += ",\n";
        out += "  {\"id\": " + std::to_string(id) + ", \"name\": \"user " + std::to_string(random.below(1000)) +
               "\", \"active\": " + (random.below(2) ? "true" : "false") +
               ", \"score\": " + std::to_string(random.below(1000)) + ".5, \"tags\": [\"a\", \"b\\u00e9\", null]" +
               ", \"city\": \"Zürich\"}";
    }
    out += "\n]\n";
    return out;
}

struct Kind {
    const char* name;
    std::string (*make)(std::size_t);
};
constexpr std::array<Kind, 6> kKinds = {{{"ascii prose", asciiProse},
                                         {"non-ascii prose", nonAsciiProse},
                                         {"chat", chat},
                                         {"code", code},
                                         {"csv", csv},
                                         {"json", json}}};

double secondsOf(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Processor time of the whole process (all threads), which a busy machine disturbs less than
// the clock on the wall.
double processorSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

int timeAll(std::size_t bytes, int runs, std::string_view only, bool print) {
    struct Row {
        std::string kind, action;
        double seconds;
    };
    std::vector<Row> rows;
    for (const Kind& kind : kKinds) {
        if (!only.empty() && only.find('/') != std::string_view::npos && std::string_view(kind.name).find(only.substr(0, only.find('/'))) == std::string_view::npos)
            continue;
        const std::string text = kind.make(bytes);
        const tavlets::Analysis analysis = tavlets::Analysis::of(text);
        std::printf("%-16s %5.1f MB  %s\n", kind.name, static_cast<double>(text.size()) / kMB,
                    analysis.label().c_str());
        for (const tavlets::Tavlet& action : tavlets::ActionCatalog::actions(analysis)) {
            if (!only.empty() && (std::string(kind.name) + "/" + action.title).find(only) == std::string::npos)
                continue;
            double best = 1e9;
            double bestProcessor = 1e9;
            std::string out;
            for (int r = 0; r < runs; ++r) {
                const double processorStart = processorSeconds();
                best = std::min(best, secondsOf([&] { out = action.run(text).text; }));
                bestProcessor = std::min(bestProcessor, processorSeconds() - processorStart);
            }
            // The size and a digest of the result, to compare builds that must agree byte for byte.
            std::uint64_t digest = 0xCBF29CE484222325ull;
            for (const char c : out) digest = (digest ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
            std::printf("  %-36s %8.1f ms  (processor %7.1f ms, %zu bytes out, digest %016llx)\n", action.title.c_str(),
                        best * 1000, bestProcessor * 1000, out.size(), static_cast<unsigned long long>(digest));
            if (print) std::printf("%.*s\n", static_cast<int>(std::min<std::size_t>(out.size(), 1500)), out.data());
            std::fflush(stdout);
            rows.push_back(Row{kind.name, action.title, best});
        }
    }
    const auto slowest =
        std::max_element(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.seconds < b.seconds; });
    if (slowest != rows.end())
        std::printf("slowest: %s / %s %.1f ms\n", slowest->kind.c_str(), slowest->action.c_str(),
                    slowest->seconds * 1000);
    return 0;
}

long peakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

int measureMemory(std::size_t bytes) {
    const std::array<const char*, 2> ids = {"text.tldr", "text.actions"};
    for (std::size_t k : {0, 1, 2}) {
        for (const char* id : ids) {
            std::fflush(stdout);
            const pid_t child = fork();
            if (child == 0) {
                const std::string text = kKinds[k].make(bytes);
                const long before = peakKilobytes();
                for (const tavlets::Tavlet& action : tavlets::ActionCatalog::actions(tavlets::Analysis::of(text))) {
                    if (action.id != id) continue;
                    const double seconds = secondsOf([&] { action.run(text); });
                    const long peak = peakKilobytes();
                    std::printf("%-16s %-14s %5.1f MB in  %7.3f s  peak %6.0f MB (%.1fx the input; %.0f MB before "
                                "the run)\n",
                                kKinds[k].name, id, static_cast<double>(text.size()) / kMB, seconds, peak / 1024.0,
                                peak * 1024.0 / static_cast<double>(text.size()), before / 1024.0);
                }
                std::fflush(stdout);
                std::_Exit(0);
            }
            int status = 0;
            waitpid(child, &status, 0);
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    bool memory = false;
    double mb = -1;
    int runs = 2;
    std::string_view only;
    bool print = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--memory") {
            memory = true;
        } else if (arg == "--mb" && i + 1 < argc) {
            mb = std::atof(argv[++i]);
        } else if (arg == "--print") {
            print = true;
        } else if (arg == "--only" && i + 1 < argc) {
            only = argv[++i];
        } else if (arg == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: %s [--mb N] [--runs N] [--only KIND/ACTION] [--print] [--memory]\n", argv[0]);
            return 2;
        }
    }
    if (mb <= 0) mb = memory ? 50 : 10;
    const auto bytes = static_cast<std::size_t>(mb * kMB);
    return memory ? measureMemory(bytes) : timeAll(bytes, runs, only, print);
}
