#include "cli/action_lookup.hpp"

#include <algorithm>
#include <cctype>

namespace tavlets {
namespace {

Analysis everyFacet(Analysis analysis) {
    analysis.json = Analysis::JSONState::valid;
    analysis.isCode = true;
    analysis.isLongText = true;
    return analysis;
}

std::string lowered(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::size_t editDistance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// How far `name` is from the candidate; a part of it counts as near.
std::size_t distance(const std::string& name, const std::string& candidate) {
    if (name.size() >= 3 && candidate.find(name) != std::string::npos) return 1;
    return editDistance(name, candidate);
}

}  // namespace

std::vector<Tavlet> everyAction(const Analysis& analysis, const std::vector<UserAction>& user, std::string_view text,
                                const CommandRunner& runner) {
    std::vector<Tavlet> all = ActionCatalog::actions(everyFacet(analysis));
    // Asked for by name, a user action runs whatever its `when` and `match` say.
    std::vector<UserAction> anywhere = user;
    for (UserAction& action : anywhere) {
        action.when = {ContentKind::any};
        action.regex.reset();
        action.match.clear();
    }
    for (Tavlet& tavlet : userTavlets(anywhere, analysis, text, runner)) all.push_back(std::move(tavlet));
    return all;
}

std::vector<Tavlet> knownActions(const std::vector<UserAction>& user) {
    Analysis table;
    table.delimiter = ',';
    return everyAction(table, user, "x", [](const CommandRequest&) { return CommandResult{}; });
}

const Tavlet* findAction(const std::vector<Tavlet>& actions, std::string_view name) {
    for (const Tavlet& action : actions) {
        if (action.id == name) return &action;
    }
    for (const Tavlet& action : actions) {
        if (action.title == name) return &action;
    }
    return nullptr;
}

bool needsTable(std::string_view id) { return id.starts_with("csv."); }

std::vector<std::string> closeMatches(const std::vector<Tavlet>& actions, std::string_view name) {
    const std::string wanted = lowered(name);
    const std::size_t bound = std::max<std::size_t>(2, wanted.size() / 3);
    std::vector<std::pair<std::size_t, std::string>> near;
    for (const Tavlet& action : actions) {
        const std::size_t d = std::min(distance(wanted, lowered(action.id)), distance(wanted, lowered(action.title)));
        if (d <= bound) near.emplace_back(d, action.id + '\t' + action.title);
    }
    std::stable_sort(near.begin(), near.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < near.size() && i < 5; ++i) lines.push_back(std::move(near[i].second));
    return lines;
}

}  // namespace tavlets
