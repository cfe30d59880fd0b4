#pragma once
// Reading free text the way a person skims meeting notes or a chat: sentence units with speakers
// and checkboxes, counts, the one-sentence summary and the action-item list.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <tavlets/outcome.hpp>

namespace tavlets {

// A sentence embedding: one fixed-length vector per sentence, or none when it cannot place one.
class SentenceEmbedding {
public:
    virtual ~SentenceEmbedding() = default;
    virtual std::optional<std::vector<double>> vector(std::string_view sentence) const = 0;
};

// The English sentence embedding of this build, or null when there is none (this build has none,
// so summaries use keyword scoring).
std::shared_ptr<const SentenceEmbedding> englishSentenceEmbedding();

struct TextMining {
    struct Unit {
        std::optional<std::string> speaker;  // chat participant, when the line was a chat line
        std::string text;                    // trimmed, never empty
        bool unchecked = false;              // came from an unchecked "[ ]" item

        bool operator==(const Unit&) const = default;
    };

    static std::vector<Unit> units(std::string_view text);
    // Runs of characters that are not White_Space.
    static std::size_t wordCount(std::string_view text);
    static std::size_t sentenceCount(std::string_view text);
    static std::size_t chatLineCount(std::string_view text);
    // Word tokens, lower-cased, in order, duplicates kept.
    static std::vector<std::string> words(std::string_view text);

    // One sentence of the text that best stands for the whole.
    static Outcome tldr(std::string_view text);
    // The same with a given embedding (null means none).
    static Outcome tldr(std::string_view text, const SentenceEmbedding* embedding);

    // A checklist of to-dos, requests, commitments, deadlines and unchecked boxes.
    static Outcome actionItems(std::string_view text);
    // Who owns a unit's item; `text` is the unit's working text.
    static std::optional<std::string> owner(const Unit& unit, std::string_view text);
    // Personal names in the text, in order, multi-word names joined.
    static std::vector<std::string> names(std::string_view text);
};

}  // namespace tavlets
