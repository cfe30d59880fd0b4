#include <algorithm>
#include <cmath>
#include <cstdint>
#include <future>
#include <system_error>

#include <tavlets/cancel.hpp>
#include <tavlets/text.hpp>
#include <tavlets/text_mining.hpp>

#include "mining/keyword_index.hpp"
#include "mining/mining_shared.hpp"
#include "text/two_halves.hpp"

namespace tavlets {

namespace {

constexpr std::size_t kCandidateMinimumWords = 4;
constexpr std::size_t kMinimumVectors = 2;
constexpr double kLengthDamping = 4.0;
constexpr double kLeadBonus = 0.03;
constexpr double kQuestionPenalty = -0.05;
constexpr std::size_t kResultLimit = 320;

// Cosine of each pool sentence to the sum of all sentence vectors. Returns false when fewer than
// two sentences could be placed, so the caller falls back to keywords.
bool embeddingScores(const std::vector<const mining::UnitView*>& pool, const SentenceEmbedding& embedding,
                     std::vector<double>& scores) {
    std::vector<std::optional<std::vector<double>>> vectors;
    vectors.reserve(pool.size());
    std::size_t available = 0;
    for (const mining::UnitView* unit : pool) {
        if (cancelRequested()) return true;
        vectors.push_back(embedding.vector(unit->text));
        if (vectors.back()) ++available;
    }
    if (available < kMinimumVectors) return false;

    std::vector<double> centre;
    for (const auto& v : vectors)
        if (v) {
            centre.assign(v->size(), 0.0);
            break;
        }
    for (const auto& v : vectors) {
        if (!v || v->empty() || v->size() != centre.size()) continue;
        for (std::size_t k = 0; k < centre.size(); ++k) centre[k] += (*v)[k];
    }
    double centreSquares = 0;
    for (double c : centre) centreSquares += c * c;

    for (std::size_t i = 0; i < pool.size(); ++i) {
        const auto& v = vectors[i];
        if (!v || v->empty() || v->size() != centre.size()) continue;
        double dot = 0, squares = 0;
        for (std::size_t k = 0; k < centre.size(); ++k) {
            dot += (*v)[k] * centre[k];
            squares += (*v)[k] * (*v)[k];
        }
        if (squares != 0 && centreSquares != 0) scores[i] = dot / (std::sqrt(squares) * std::sqrt(centreSquares));
    }
    return true;
}

// Content words shared across sentences, damped by sentence length, best score scaled to 1.
void keywordScores(const std::vector<const mining::UnitView*>& pool, std::vector<double>& scores) {
    mining::KeywordIndex index;
    std::vector<std::uint32_t> ids;       // every unit's keywords, one after the other
    std::vector<std::size_t> ends(pool.size());
    for (std::size_t i = 0; i < pool.size(); ++i) {
        if ((i & 255) == 0 && cancelRequested()) return;
        index.keywords(pool[i]->text, ids);
        ends[i] = ids.size();
    }
    std::vector<std::uint32_t> frequency(index.size(), 0);
    for (const std::uint32_t id : ids) ++frequency[id];

    double best = 0;
    std::size_t begin = 0;
    for (std::size_t i = 0; i < pool.size(); ++i) {
        const std::size_t end = ends[i];
        if (end == begin) continue;
        double sum = 0;
        for (std::size_t k = begin; k < end; ++k) sum += static_cast<double>(frequency[ids[k]]);
        scores[i] = sum / std::sqrt(static_cast<double>(end - begin) + kLengthDamping);
        best = std::max(best, scores[i]);
        begin = end;
    }
    if (best > 0)
        for (double& s : scores) s /= best;
}

std::vector<mining::UnitView> unitsOf(std::string_view text) {
    std::vector<mining::UnitView> units;
    mining::forEachUnit(text, [&units](const mining::UnitView& unit) {
        units.push_back(unit);
        return true;
    });
    return units;
}

// Every unit, in order. Units never span lines, so a large text is read as two halves cut after
// a line end, the second on another thread.
std::vector<mining::UnitView> allUnits(std::string_view text) {
    const std::size_t cut = text::halvesCut(text);
    if (cut == std::string_view::npos) return unitsOf(text);
    auto halves = text::onTwoThreads(text.substr(0, cut), text.substr(cut), unitsOf);
    if (!halves) return unitsOf(text);  // no thread to be had: one pass
    std::vector<mining::UnitView>& units = halves->first;
    units.insert(units.end(), halves->second.begin(), halves->second.end());
    return std::move(units);
}

}  // namespace

Outcome TextMining::tldr(std::string_view text) { return tldr(text, englishSentenceEmbedding().get()); }

Outcome TextMining::tldr(std::string_view input, const SentenceEmbedding* embedding) {
    const std::vector<mining::UnitView> all = allUnits(input);
    if (all.empty()) return Outcome{"There's nothing to summarize.", true, true};

    std::vector<const mining::UnitView*> pool;
    for (const mining::UnitView& unit : all)
        if (mining::wordCountUpTo(unit.text, kCandidateMinimumWords) >= kCandidateMinimumWords) pool.push_back(&unit);
    if (pool.empty())
        for (const mining::UnitView& unit : all) pool.push_back(&unit);
    const std::size_t n = pool.size();
    std::vector<double> scores(n, 0.0);

    if (embedding == nullptr || !embeddingScores(pool, *embedding, scores)) keywordScores(pool, scores);

    for (std::size_t i = 0; i < n; ++i) {
        if (i == 0 || i < n / 3) scores[i] += kLeadBonus;
        if (!pool[i]->text.empty() && pool[i]->text.back() == '?') scores[i] += kQuestionPenalty;
    }
    std::size_t chosen = 0;
    for (std::size_t i = 1; i < n; ++i)
        if (scores[i] > scores[chosen]) chosen = i;

    const mining::UnitView& unit = *pool[chosen];
    std::string result;
    if (text::prefixCharacters(unit.text, kResultLimit).size() < unit.text.size()) {  // more than the limit
        result = std::string(text::prefixCharacters(unit.text, kResultLimit - 3));
        result += "\u2026";
    } else {
        result = std::string(unit.text);
    }
    if (unit.hasSpeaker) result = std::string(unit.speaker) + ": " + result;
    return Outcome{std::move(result), false, false};
}

}  // namespace tavlets
