#pragma once
// The action-item engine with its name and date services passed in, so that the rules can be
// exercised with or without a tagger and a detector.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <tavlets/text.hpp>
#include <tavlets/text_mining.hpp>

namespace tavlets::mining {

using NameFinder = std::vector<std::string> (*)(std::string_view text);
using DateFinder = std::optional<text::Range> (*)(std::string_view text);

struct ItemServices {
    NameFinder names = nullptr;  // null: no personal names are found
    DateFinder dates = nullptr;  // null: no date detector; due dates come from the deadline words
};

// The tagger and detector of this build.
ItemServices defaultItemServices();

// Whether a working text has a trigger word; the second always asks the pattern.
bool hasTrigger(std::string_view workingText);
bool hasTriggerByPattern(std::string_view workingText);
// The same for the request words, which let a question through.
bool hasRequest(std::string_view workingText);
bool hasRequestByPattern(std::string_view workingText);
// Whether the full case folding of c holds an ASCII letter (so that a case-insensitive pattern of
// ASCII words may match it).
bool foldsToAscii(char32_t c);

Outcome actionItems(std::string_view text, const ItemServices& services);
std::optional<std::string> owner(const TextMining::Unit& unit, std::string_view workingText,
                                 NameFinder names);

}  // namespace tavlets::mining
