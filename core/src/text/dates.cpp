#include <tavlets/dates.hpp>

#include <tavlets/cancel.hpp>

#include <exception>
#include <memory>
#include <string>
#include <unordered_set>

#include <unicode/uchar.h>

namespace tavlets::text {

namespace {

// One case-insensitive pattern. ICU tries alternatives in order at each position, so longer
// forms come before their prefixes ("December 5th 2026" before "December 2026", "3:30 pm" before
// "3:30"). Numbers are fenced by look-arounds so that they never start or end inside a longer
// number, a version string ("1.2.3"), a price or a fraction.
std::string datePattern() {
    const std::string monthFull =
        "(?:january|february|march|april|may|june|july|august|september|october|november|december)";
    const std::string monthAbbr = "(?:jan|feb|mar|apr|jun|jul|aug|sept|sep|oct|nov|dec)";
    const std::string month = "(?:" + monthFull + "\\b|" + monthAbbr + "\\b\\.?)";
    const std::string dayNumber = "(?:3[01]|[12]\\d|0?[1-9])(?:st|nd|rd|th)?(?![\\d:/])\\b";
    const std::string dayOrdinal = "(?:3[01]|[12]\\d|0?[1-9])(?:st|nd|rd|th)\\b";
    const std::string year = "(?:19|20)\\d{2}(?![\\d/])";
    const std::string numberStart = "(?<![\\d/.,$\\u20AC\\u00A3:\\-])";
    const std::string numberEnd = "(?![\\d/]|[.,:]\\d)";
    const std::string monthNumber = "(?:1[0-2]|0[1-9]|[1-9])";
    const std::string dayOfMonth = "(?:3[01]|[12]\\d|0[1-9]|[1-9])";

    const std::string weekdayFull = "(?:mon|tues|wednes|thurs|fri|satur|sun)days?\\b";
    // Abbreviations only as written in calendars: capitalised, since "sat", "sun" and "wed" are
    // words too.
    const std::string weekdayAbbr = "(?-i:Mon|Tues|Tue|Wed|Thurs|Thur|Thu|Fri|Sat|Sun)\\b\\.?";
    const std::string weekdayPrefix =
        "(?:on|this|next|by|until|till|before|after|coming|last|every)\\s+";
    const std::string partOfDay = "(?:\\s+(?:morning|afternoon|evening|night))?";

    const std::string isoDate = numberStart + "\\b(?:19|20)\\d{2}-(?:1[0-2]|0[1-9])-(?:3[01]|[12]\\d|0[1-9])" +
                                "(?:T(?:[01]\\d|2[0-3]):[0-5]\\d(?::[0-5]\\d)?)?" + numberEnd;
    // 12/05/2026, 05/12/26 (either order with a year), 12/05 and 5/12 (month first, never "1/2").
    const std::string slashDate =
        numberStart + "\\b(?:(?:" + monthNumber + "/" + dayOfMonth + "|" + dayOfMonth + "/" + monthNumber +
        ")/(?:(?:19|20)\\d{2}|\\d{2})|(?:1[0-2]|0[1-9])/" + dayOfMonth + "|[1-9]/(?:3[01]|[12]\\d|0[1-9]))" +
        numberEnd;
    const std::string monthDate = "\\b" + month + "\\s+" + dayNumber + "(?:,?\\s+" + year + ")?";
    const std::string dayMonth =
        "(?:\\bthe\\s+)?" + numberStart + "\\b" + dayNumber + "\\s+(?:of\\s+)?" + month + "(?:,?\\s+" + year + ")?";
    const std::string monthYear = "\\b" + month + ",?\\s+" + year;
    const std::string prepositionMonth =
        "\\b(?:in|by|until|till|before|after|since|during|early|mid|late|next|this|last)\\s+" + monthFull +
        "\\b(?:,?\\s+" + year + ")?";
    // "the 12th", but not "the 2nd draft": a word after it must be one that can follow a date.
    const std::string ordinal =
        "\\bthe\\s+" + dayOrdinal +
        "(?!\\s+(?!(?:of|at|by|in|on|and|or|to|for|from|until|before|after|morning|afternoon|evening|night)\\b)"
        "\\p{L})";
    const std::string calendarDate = "(?:" + isoDate + "|" + slashDate + "|" + monthDate + "|" + dayMonth + "|" +
                                     monthYear + ")";
    const std::string weekday =
        "(?:\\b" + weekdayPrefix + "(?:" + weekdayFull + "|" + weekdayAbbr + ")|\\b" + weekdayFull + "|\\b" +
        weekdayAbbr + "(?=,?\\s*(?:\\d|" + month + ")))" + partOfDay + "(?:,?\\s+(?:" + calendarDate + "|" +
        ordinal + "))?";
    const std::string count =
        "(?:a couple of|couple of|a few|few|an?|one|two|three|four|five|six|seven|eight|nine|ten|eleven|twelve|"
        "fifteen|twenty|thirty|" +
        numberStart + "\\d{1,3})";
    const std::string unit = "(?:minute|min|hour|hr|day|week|month|year)s?\\b";
    const std::string relative =
        "(?:\\b(?:the\\s+)?day\\s+after\\s+tomorrow\\b|\\b(?:tomorrow|tmrw)\\b" + partOfDay +
        "|\\btoday\\b|\\btonight\\b|\\byesterday\\b" + partOfDay +
        "|\\bthis\\s+(?:morning|afternoon|evening|weekend)\\b"
        "|\\bnext\\s+(?:week|month|year|weekend|quarter)\\b"
        "|\\b(?:in|within)\\s+" + count + "\\s+" + unit +
        "|\\b" + count + "\\s+" + unit + "\\s+(?:from\\s+now|ago)\\b)";
    const std::string date = "(?:" + weekday + "|" + calendarDate + "|" + prepositionMonth + "|" + ordinal + "|" +
                             relative + ")";

    const std::string clockHour = "(?:1[0-2]|0?[1-9])";
    const std::string meridiem = "(?:a\\.m\\.|p\\.m\\.|a\\.m|p\\.m|am|pm)(?!\\w)";
    const std::string time =
        "(?:" + numberStart + "\\b" + clockHour + "(?::[0-5]\\d)?\\s?" + meridiem +  // 3pm, 3:30 p.m.
        "|" + numberStart + "\\b(?:[01]?\\d|2[0-3]):[0-5]\\d(?::[0-5]\\d)?" + numberEnd +  // 15:00
        "|\\b(?:noon|midnight|midday)\\b"
        "|" + numberStart + "\\b" + clockHour + "\\s?o'?clock\\b"
        // "at 9" only where nothing but the end, punctuation or a date word follows.
        "|\\bat\\s+(?:2[0-3]|1\\d|0?\\d)(?=\\s*(?:$|[.,;!?)](?!\\d)|(?:sharp|today|tonight|tomorrow|on|this|"
        "next)\\b)))";
    const std::string dateThenTime = date + "(?:\\s*,?\\s*(?:(?:at|@|around|from|by)\\s+)?" + time + ")?";
    const std::string timeThenDate = time + "(?:\\s*,?\\s*(?:on\\s+)?" + date + ")?";
    return "(?:" + dateThenTime + "|" + timeThenDate + ")";
}

// Every expression the pattern can match begins with a run of digits or with one of these
// words (the first word of each of its alternatives). Letter case is ignored.
const std::unordered_set<std::string_view>& startWords() {
    static const std::unordered_set<std::string_view> words = {
        // before a weekday or month
        "on", "this", "next", "by", "until", "till", "before", "after", "coming", "last", "every", "in",
        "since", "during", "early", "mid", "late",
        // weekdays
        "monday", "tuesday", "wednesday", "thursday", "friday", "saturday", "sunday", "mondays", "tuesdays",
        "wednesdays", "thursdays", "fridays", "saturdays", "sundays", "mon", "tues", "tue", "wed", "thurs",
        "thur", "thu", "fri", "sat", "sun",
        // months
        "january", "february", "march", "april", "may", "june", "july", "august", "september", "october",
        "november", "december", "jan", "feb", "mar", "apr", "jun", "jul", "aug", "sept", "sep", "oct", "nov",
        "dec",
        // relative days and amounts of time
        "the", "day", "tomorrow", "tmrw", "today", "tonight", "yesterday", "within", "a", "an", "couple",
        "few", "one", "two", "three", "four", "five", "six", "seven", "eight", "nine", "ten", "eleven",
        "twelve", "fifteen", "twenty", "thirty",
        // times
        "noon", "midnight", "midday", "at"};
    return words;
}

// Start words that never make an expression alone: one of the start words, a unit of time or a
// number must follow them after white space ("the 12th", "at 9", "in two weeks").
const std::unordered_set<std::string_view>& leadingWords() {
    static const std::unordered_set<std::string_view> words = {
        "on", "this", "next", "by", "until", "till", "before", "after", "coming", "last", "every", "in", "since",
        "during", "early", "mid", "late", "the", "within", "a", "an", "couple", "few", "one", "two", "three",
        "four", "five", "six", "seven", "eight", "nine", "ten", "eleven", "twelve", "fifteen", "twenty",
        "thirty", "at"};
    return words;
}
// Words that may follow a leading word besides the start words.
const std::unordered_set<std::string_view>& followingWords() {
    static const std::unordered_set<std::string_view> words = {
        "minute", "minutes", "min", "mins", "hour", "hours", "hr", "hrs", "day", "days", "week", "weeks",
        "month", "months", "year", "years", "weekend", "quarter", "morning", "afternoon", "evening", "of"};
    return words;
}

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }

// Characters whose case folding yields ASCII letters (long s, Kelvin sign, Latin ligatures): a
// text with one of them can match the case-insensitive pattern where a plain byte scan for the
// start words sees nothing.
std::string asciiLowered(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// After a leading word ending at `end`: whether what follows could continue an expression.
// Anything outside ASCII is given the benefit of the doubt (it may be white space to the
// pattern).
bool mayContinue(std::string_view text, std::size_t end) {
    if (end >= text.size()) return false;
    auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; };
    if (static_cast<unsigned char>(text[end]) >= 0x80) return true;
    if (!isSpace(text[end])) return false;
    std::size_t i = end;
    while (i < text.size() && isSpace(text[i])) ++i;
    if (i >= text.size()) return false;
    const char c = text[i];
    if (static_cast<unsigned char>(c) >= 0x80 || isAsciiDigit(c)) return true;
    if (!isAsciiLetter(c)) return false;
    std::size_t j = i;
    while (j < text.size() && isAsciiLetter(text[j])) ++j;
    if (j - i > 12) return false;
    const std::string word = asciiLowered(text.substr(i, j - i));
    return startWords().count(word) > 0 || followingWords().count(word) > 0;
}

bool hasAsciiFoldingCharacters(std::string_view s) {
    return s.find("\xC5\xBF") != std::string_view::npos ||      // U+017F
           s.find("\xE2\x84\xAA") != std::string_view::npos ||  // U+212A
           s.find("\xEF\xAC") != std::string_view::npos;         // U+FB00...U+FB3F
}

bool isSkippedByWordBoundary(char32_t c) {
    return u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_GRAPHEME_EXTEND) ||
           u_charType(static_cast<UChar32>(c)) == U_FORMAT_CHAR;
}

// Where the context of position i starts: the character before it, together with the combining
// marks and format characters between them. A word boundary looks back past those to that
// character, and a look-behind sees the last code point.
std::size_t contextStart(std::string_view text, std::size_t i) {
    std::size_t before = i;
    while (before > 0) {
        std::size_t at = before;
        char32_t c = decodeBefore(text, at);
        before = at;
        if (!isSkippedByWordBoundary(c)) break;
    }
    return before;
}

}  // namespace

DateDetector::DateDetector()
    : regex_(datePattern(), /*caseInsensitive=*/true),
      anchoredAtStart_("^(?:" + datePattern() + ")", true),
      anchoredAfter_("^(?s:.)[\\p{Grapheme_Extend}\\p{Cf}]*(?:" + datePattern() + ")", true) {}
DateDetector::~DateDetector() = default;

const DateDetector* DateDetector::shared() {
    static const std::unique_ptr<const DateDetector> detector = []() -> std::unique_ptr<const DateDetector> {
        try {
            return std::make_unique<const DateDetector>();
        } catch (const std::exception&) {
            return nullptr;
        }
    }();
    return detector.get();
}

std::optional<Range> DateDetector::firstMatchByPattern(std::string_view text) const {
    auto m = regex_.firstMatch(text);
    if (!m || m->end <= m->begin) return std::nullopt;
    return Range{m->begin, m->end};
}

// The pattern is tried only where an expression can begin: at a run of digits or at one of the
// start words. Each try is anchored there and sees the character before it (for the pattern's
// look-behinds and word boundaries), so the first success is the leftmost match of a plain
// search, found without running the pattern at every position of a long text.
std::optional<Range> DateDetector::firstMatch(std::string_view text) const {
    if (hasAsciiFoldingCharacters(text)) return firstMatchByPattern(text);
    const auto& words = startWords();
    std::size_t i = 0;
    std::size_t steps = 0;
    while (i < text.size()) {
        if ((++steps & 4095) == 0 && cancelRequested()) return std::nullopt;  // thrown away
        const char c = text[i];
        std::size_t end = i + 1;
        bool candidate = false;
        if (isAsciiDigit(c)) {
            while (end < text.size() && isAsciiDigit(text[end])) ++end;
            candidate = i == 0 || !isAsciiDigit(text[i - 1]);
        } else if (isAsciiLetter(c)) {
            while (end < text.size() && isAsciiLetter(text[end])) ++end;
            if (end - i <= 12) {
                const std::string lower = asciiLowered(text.substr(i, end - i));
                candidate = words.count(lower) > 0 && (leadingWords().count(lower) == 0 || mayContinue(text, end));
            }
        }
        if (candidate) {
            std::optional<Regex::Match> m;
            if (i == 0) {
                m = anchoredAtStart_.firstMatch(text);
                if (m && m->end > m->begin) return Range{m->begin, m->end};
            } else {
                std::size_t before = contextStart(text, i);
                // The anchored pattern takes that context first.
                m = anchoredAfter_.firstMatch(text.substr(before));
                if (m && m->end > m->begin + (i - before)) return Range{i, before + m->end};
            }
        }
        i = end;
    }
    return std::nullopt;
}

}  // namespace tavlets::text
