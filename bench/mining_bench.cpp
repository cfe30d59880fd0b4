// Summary and action items on large meeting notes and chat logs (users paste whole transcripts).
// Target: 1 MB in well under 200 ms, growing linearly with the text.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include <tavlets/dates.hpp>
#include <tavlets/names.hpp>
#include <tavlets/text_mining.hpp>

namespace {

// Deterministic pseudo-random picks, so every run measures the same text.
struct Picker {
    std::uint64_t state = 0x9E3779B97F4A7C15ull;
    std::size_t next(std::size_t n) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<std::size_t>((state >> 33) % n);
    }
    template <std::size_t N>
    const char* pick(const char* const (&items)[N]) { return items[next(N)]; }
};

const char* const kPeople[] = {"Alice", "Bob", "Dana", "Maria Lopez", "Tom", "Priya", "Sam", "Kevin O'Brien"};
const char* const kChatLines[] = {
    "I think the release looks good so far.",
    "Can you send the slides to Dana before the review?",
    "I\u2019ll update the budget spreadsheet tonight.",
    "We agreed to launch on the 12th after the security review.",
    "Thanks everyone, great progress this week!",
    "Should we move the retro to Friday?",
    "The staging server was down for about an hour this morning.",
    "Let's make sure the migration runs before 3pm tomorrow.",
    "ok",
    "Sounds good to me. Let me know if anything changes.",
};
const char* const kNoteLines[] = {
    "- [ ] Book the venue for the offsite",
    "[x] Order new badges",
    "TODO: renew the domain before it expires next month",
    "Marketing needs final copy for the landing page by end of the week.",
    "Revenue grew 12% compared with the previous quarter, driven by the enterprise plan.",
    "Action item: Maria Lopez to draft the hiring plan by Dec 5.",
    "Discussed the onboarding flow; most feedback was about the pricing page.",
    "* Follow up with legal about the data processing agreement",
    "Note: the office is closed on Monday.",
    "Version 2.10.4 fixed the login crash reported by two customers.",
};

std::string chatLog(std::size_t bytes) {
    Picker p;
    std::string s;
    s.reserve(bytes + 200);
    int minute = 0;
    while (s.size() < bytes) {
        char stamp[16];
        std::snprintf(stamp, sizeof stamp, "[%02d:%02d] ", 9 + (minute / 60) % 10, minute % 60);
        ++minute;
        s += stamp;
        s += p.pick(kPeople);
        s += ": ";
        s += p.pick(kChatLines);
        s += '\n';
    }
    return s;
}

std::string meetingNotes(std::size_t bytes) {
    Picker p;
    std::string s;
    s.reserve(bytes + 200);
    int section = 0;
    while (s.size() < bytes) {
        s += "## Topic " + std::to_string(++section) + "\n";
        for (int i = 0; i < 8; ++i) {
            s += p.pick(kNoteLines);
            s += '\n';
        }
        s += '\n';
    }
    return s;
}

template <std::string (*Make)(std::size_t), tavlets::Outcome (*Run)(std::string_view)>
void bench(benchmark::State& state) {
    const std::string text = Make(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(Run(text));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
}

tavlets::Outcome tldr(std::string_view s) { return tavlets::TextMining::tldr(s); }
tavlets::Outcome actionItems(std::string_view s) { return tavlets::TextMining::actionItems(s); }

// Action items stop after 15 items, so also measure a text whose items come only at its end:
// every unit before them is examined and rejected.
std::string quietThenItems(std::size_t bytes) {
    std::string s;
    s.reserve(bytes + 200);
    Picker p;
    while (s.size() < bytes) {
        s += "Revenue grew compared with the previous quarter and the team shipped two releases. ";
        s += p.pick(kPeople);
        s += " presented the roadmap.\n";
    }
    s += "Can you send the slides to Dana before Friday at 3pm?\n";
    return s;
}

// A whole text on one line with no sentence end: a single unit that every rule and both
// services read in full.
std::string oneLongLine(std::size_t bytes) {
    std::string s;
    s.reserve(bytes + 64);
    while (s.size() < bytes) s += "we went over the numbers and the plan and ";
    s += "please send the slides";
    return s;
}

// The services on their own, on one typical sentence each.
void namesInSentence(benchmark::State& state) {
    const std::string s = "Please ask Maria Lopez and Tom to review the contract with Will before Friday.";
    for (auto _ : state) benchmark::DoNotOptimize(tavlets::text::personalNames(s));
}
void dateInSentence(benchmark::State& state) {
    const std::string s = "Please ask Maria Lopez and Tom to review the contract with Will before Friday at 3pm.";
    const auto* detector = tavlets::text::DateDetector::shared();
    for (auto _ : state) benchmark::DoNotOptimize(detector->firstMatch(s));
}

}  // namespace

BENCHMARK(bench<chatLog, tldr>)->Name("tldr/chat")->Arg(100 << 10)->Arg(1 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(bench<meetingNotes, tldr>)->Name("tldr/notes")->Arg(100 << 10)->Arg(1 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(bench<chatLog, actionItems>)->Name("actionItems/chat")->Arg(100 << 10)->Arg(1 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(bench<meetingNotes, actionItems>)->Name("actionItems/notes")->Arg(100 << 10)->Arg(1 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(bench<quietThenItems, actionItems>)->Name("actionItems/quiet")->Arg(100 << 10)->Arg(1 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(bench<oneLongLine, actionItems>)->Name("actionItems/oneLine")->Arg(100 << 10)->Arg(1 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(namesInSentence)->Name("names/sentence")->Unit(benchmark::kMicrosecond);
BENCHMARK(dateInSentence)->Name("dates/sentence")->Unit(benchmark::kMicrosecond);
