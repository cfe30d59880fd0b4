// Regular expressions: ICU patterns compiled once, matched over UTF-8 so offsets are bytes.

#include "tavlets/text.hpp"

#include "text/text_internal.hpp"

#include <tavlets/cancel.hpp>

#include <unicode/regex.h>
#include <unicode/unistr.h>

#include <chrono>
#include <cstdint>
#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#endif
#include <climits>
#include <stdexcept>

namespace tavlets::text {

namespace {

// Bounds for one search. ICU counts time in match steps (each some thousands of backtracking
// operations, a fraction of a millisecond). A linear search over a large clipboard needs far
// fewer steps per megabyte than the allowance, while catastrophic backtracking on a short subject
// stops after a few hundred steps. The stack limit bounds the heap used for backtracking state.
constexpr int32_t kTimeLimitBaseSteps = 500;
constexpr int32_t kTimeLimitStepsPerMegabyte = 200;
constexpr int32_t kStackLimitBytes = 16 * 1024 * 1024;

// Some quadratic searches ("a*b" on a long run of "a") spend their time in loops that ICU does
// not count as steps, so a wall-clock deadline backs the step limit up.
constexpr auto kDeadlineBase = std::chrono::milliseconds(1000);
constexpr auto kDeadlinePerMegabyte = std::chrono::milliseconds(250);

int32_t timeLimitFor(std::size_t subjectBytes) {
    return kTimeLimitBaseSteps + static_cast<int32_t>(subjectBytes / 1'000'000) * kTimeLimitStepsPerMegabyte;
}

// Reading the clock costs a fraction of a microsecond here, far more than one start position of
// a typical search, so the clock is read only every 16 positions and, where a cycle counter is
// at hand, only when a few hundred microseconds have gone by since the last reading.
struct Deadline {
    std::chrono::steady_clock::time_point at;
    unsigned calls = 0;
    uint64_t lastCycles = 0;

    bool passed() const { return std::chrono::steady_clock::now() > at; }

    // Also true once the run is cancelled, which stops a long search on the spot.
    bool passedSometimes() {
        if ((++calls & 15) != 0) return false;
        if (cancelRequested()) return true;
#if defined(__x86_64__) || defined(__i386__)
        const uint64_t cycles = __rdtsc();
        if (cycles - lastCycles < 1'000'000) return false;
        lastCycles = cycles;
#endif
        return passed();
    }
};

// Called once per time step: returning false stops the match. Backtracking from one start
// position never reaches the find callback, so a cancelled run is noticed here too.
UBool U_CALLCONV onStep(const void* context, int32_t) {
    return !cancelRequested() && !static_cast<const Deadline*>(context)->passed();
}

// Called before each start position of a search.
UBool U_CALLCONV onFindProgress(const void* context, int64_t) {
    return !static_cast<Deadline*>(const_cast<void*>(context))->passedSometimes();
}

}  // namespace

struct Regex::Impl {
    std::unique_ptr<icu::RegexPattern> pattern;
};

Regex::Regex(std::string_view pattern, bool caseInsensitive) : impl_(std::make_unique<Impl>()) {
    const icu::UnicodeString source =
        icu::UnicodeString::fromUTF8(icu::StringPiece(pattern.data(), static_cast<int32_t>(pattern.size())));
    UParseError parseError{};
    UErrorCode status = U_ZERO_ERROR;
    impl_->pattern.reset(icu::RegexPattern::compile(source, caseInsensitive ? UREGEX_CASE_INSENSITIVE : 0,
                                                    parseError, status));
    if (U_FAILURE(status) || !impl_->pattern)
        throw std::invalid_argument("malformed regular expression: " + std::string(pattern) + " (" +
                                    u_errorName(status) + ")");
}

Regex::~Regex() = default;

std::optional<Regex::Match> Regex::firstMatch(std::string_view subject) const {
    if (subject.size() > static_cast<std::size_t>(INT32_MAX)) return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    // matcher() on a shared pattern is thread-safe; each call gets its own matcher.
    std::unique_ptr<icu::RegexMatcher> matcher(impl_->pattern->matcher(status));
    if (U_FAILURE(status) || !matcher) return std::nullopt;
    Utf8Text text(subject);
    matcher->reset(text.get());
    matcher->setTimeLimit(timeLimitFor(subject.size()), status);
    matcher->setStackLimit(kStackLimitBytes, status);
    Deadline deadline{std::chrono::steady_clock::now() + kDeadlineBase +
                      kDeadlinePerMegabyte * static_cast<int64_t>(subject.size() / 1'000'000)};
    matcher->setMatchCallback(onStep, &deadline, status);
    matcher->setFindProgressCallback(onFindProgress, &deadline, status);
    if (U_FAILURE(status)) return std::nullopt;

    const bool found = matcher->find(status);
    if (U_FAILURE(status) || !found) return std::nullopt;  // includes a tripped step, stack or clock limit

    const auto clamp = [&](int64_t v) { return static_cast<std::size_t>(std::min<int64_t>(v, subject.size())); };
    Match m;
    m.begin = clamp(matcher->start64(status));
    m.end = clamp(matcher->end64(status));
    const int32_t groups = matcher->groupCount();
    m.groups.reserve(static_cast<std::size_t>(groups));
    for (int32_t g = 1; g <= groups; ++g) {
        const int64_t b = matcher->start64(g, status);
        const int64_t e = matcher->end64(g, status);
        if (U_FAILURE(status) || b < 0 || e < 0) {
            m.groups.emplace_back(std::nullopt);
            status = U_ZERO_ERROR;
        } else {
            m.groups.emplace_back(std::make_pair(clamp(b), clamp(e)));
        }
    }
    if (U_FAILURE(status) || m.end < m.begin) return std::nullopt;
    return m;
}

std::string Regex::removingFirstMatch(std::string_view subject) const {
    const auto m = firstMatch(subject);
    if (!m) return std::string(subject);
    std::string out;
    out.reserve(subject.size() - (m->end - m->begin));
    out.append(subject.substr(0, m->begin));
    out.append(subject.substr(m->end));
    return out;
}

std::optional<std::string_view> Regex::Match::group(std::string_view subject, std::size_t n) const {
    if (n == 0) {
        if (begin > end || end > subject.size()) return std::nullopt;
        return subject.substr(begin, end - begin);
    }
    if (n > groups.size() || !groups[n - 1]) return std::nullopt;
    const auto [b, e] = *groups[n - 1];
    if (b > e || e > subject.size()) return std::nullopt;
    return subject.substr(b, e - b);
}

}  // namespace tavlets::text
