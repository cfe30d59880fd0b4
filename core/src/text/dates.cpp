#include <tavlets/dates.hpp>

#include <exception>
#include <memory>
#include <string>

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

    const std::string isoDate = numberStart + "(?:19|20)\\d{2}-(?:1[0-2]|0[1-9])-(?:3[01]|[12]\\d|0[1-9])" +
                                "(?:T(?:[01]\\d|2[0-3]):[0-5]\\d(?::[0-5]\\d)?)?" + numberEnd;
    // 12/05/2026, 05/12/26 (either order with a year), 12/05 and 5/12 (month first, never "1/2").
    const std::string slashDate =
        numberStart + "(?:(?:" + monthNumber + "/" + dayOfMonth + "|" + dayOfMonth + "/" + monthNumber +
        ")/(?:(?:19|20)\\d{2}|\\d{2})|(?:1[0-2]|0[1-9])/" + dayOfMonth + "|[1-9]/(?:3[01]|[12]\\d|0[1-9]))" +
        numberEnd;
    const std::string monthDate = "\\b" + month + "\\s+" + dayNumber + "(?:,?\\s+" + year + ")?";
    const std::string dayMonth =
        "(?:\\bthe\\s+)?" + numberStart + "\\b" + dayNumber + "\\s+(?:of\\s+)?" + month + "(?:,?\\s+" + year + ")?";
    const std::string monthYear = "\\b" + month + ",?\\s+" + year;
    const std::string prepositionMonth =
        "\\b(?:in|by|until|till|before|after|since|during|early|mid|late|next|this|last)\\s+" + monthFull +
        "\\b(?:,?\\s+" + year + ")?";
    const std::string ordinal = "\\bthe\\s+" + dayOrdinal;
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

}  // namespace

DateDetector::DateDetector() : regex_(datePattern(), /*caseInsensitive=*/true) {}
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

std::optional<Range> DateDetector::firstMatch(std::string_view text) const {
    auto m = regex_.firstMatch(text);
    if (!m || m->end <= m->begin) return std::nullopt;
    return Range{m->begin, m->end};
}

}  // namespace tavlets::text
