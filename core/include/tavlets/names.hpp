#pragma once
// Personal names in free text, found with a compiled-in gazetteer of English given names and the
// shape of the words around them. Built for notes and chats, where a wrong name is worse than a
// missed one: it errs on the side of finding nothing.

#include <string>
#include <string_view>
#include <vector>

#include <tavlets/text.hpp>

namespace tavlets::text {

// How the gazetteer knows a word (exact spelling, e.g. "Maria").
enum class GivenNameKind {
    none,   // not a given name
    plain,  // a name and little else ("Maria", "Bob")
    word,   // also an everyday word ("Will", "May", "Grant"): a name away from a sentence start
            // or before a surname
    place,  // more often a place, holiday, brand or language ("Austin", "Ruby"): a name only
            // before a surname
};
GivenNameKind givenNameKind(std::string_view word);

// The personal names of a text as byte ranges, in order. A known given name followed by up to
// two capitalised surname-like words is one name ("Maria Lopez"); so is a title with the name
// after it ("Dr. Lopez"). Weekdays, months and note headings ("Todo", "Note") are never names.
std::vector<Range> personalNameRanges(std::string_view text);
// The same, as the text of each name.
std::vector<std::string> personalNames(std::string_view text);

}  // namespace tavlets::text
