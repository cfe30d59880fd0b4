#include <algorithm>
#include <cmath>
#include <unordered_map>

#include <tavlets/text.hpp>
#include <tavlets/text_mining.hpp>

#include "mining/mining_shared.hpp"

namespace tavlets {

namespace {

constexpr std::size_t kCandidateMinimumWords = 4;
constexpr std::size_t kMinimumVectors = 2;
constexpr std::size_t kKeywordMinimumLength = 4;
constexpr double kLengthDamping = 4.0;
constexpr double kLeadBonus = 0.03;
constexpr double kQuestionPenalty = -0.05;
constexpr std::size_t kResultLimit = 320;

// Cosine of each pool sentence to the sum of all sentence vectors. Returns false when fewer than
// two sentences could be placed, so the caller falls back to keywords.
bool embeddingScores(const std::vector<const TextMining::Unit*>& pool, const SentenceEmbedding& embedding,
                     std::vector<double>& scores) {
    std::vector<std::optional<std::vector<double>>> vectors;
    vectors.reserve(pool.size());
    std::size_t available = 0;
    for (const TextMining::Unit* unit : pool) {
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
void keywordScores(const std::vector<const TextMining::Unit*>& pool, std::vector<double>& scores) {
    std::vector<std::vector<std::string>> keywords(pool.size());
    std::unordered_map<std::string, std::size_t> frequency;
    for (std::size_t i = 0; i < pool.size(); ++i) {
        for (std::string& word : TextMining::words(pool[i]->text)) {
            if (text::characterCount(word) < kKeywordMinimumLength || mining::isStopWord(word)) continue;
            ++frequency[word];
            keywords[i].push_back(std::move(word));
        }
    }
    double best = 0;
    for (std::size_t i = 0; i < pool.size(); ++i) {
        if (keywords[i].empty()) continue;
        double sum = 0;
        for (const std::string& word : keywords[i]) sum += static_cast<double>(frequency[word]);
        scores[i] = sum / std::sqrt(static_cast<double>(keywords[i].size()) + kLengthDamping);
        best = std::max(best, scores[i]);
    }
    if (best > 0)
        for (double& s : scores) s /= best;
}

}  // namespace

Outcome TextMining::tldr(std::string_view text) { return tldr(text, englishSentenceEmbedding().get()); }

Outcome TextMining::tldr(std::string_view input, const SentenceEmbedding* embedding) {
    const std::vector<Unit> all = units(input);
    if (all.empty()) return Outcome{"There's nothing to summarize.", true, true};

    std::vector<const Unit*> pool;
    for (const Unit& unit : all)
        if (wordCount(unit.text) >= kCandidateMinimumWords) pool.push_back(&unit);
    if (pool.empty())
        for (const Unit& unit : all) pool.push_back(&unit);
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

    const Unit& unit = *pool[chosen];
    std::string result;
    if (text::characterCount(unit.text) > kResultLimit) {
        result = std::string(text::prefixCharacters(unit.text, kResultLimit - 3));
        result += "\u2026";
    } else {
        result = unit.text;
    }
    if (unit.speaker) result = *unit.speaker + ": " + result;
    return Outcome{std::move(result), false, false};
}

}  // namespace tavlets
