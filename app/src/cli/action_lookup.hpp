#pragma once
// Naming actions from the command line: every action Tavlets knows, whatever the text, so that
// `run` may apply one the panel would not offer, and the close matches of a name it does not know.

#include <string>
#include <string_view>
#include <vector>

#include <tavlets/actions.hpp>
#include <tavlets/user_actions.hpp>

namespace tavlets {

// Every built-in action, as the catalog builds it for `analysis` with every facet switched on
// (tables with the text's own delimiter, else with none: see needsTable), then the user's actions,
// each applying to any text.
std::vector<Tavlet> everyAction(const Analysis& analysis, const std::vector<UserAction>& user, std::string_view text,
                                const CommandRunner& runner);
// The ids and titles `run` accepts, without a text.
std::vector<Tavlet> knownActions(const std::vector<UserAction>& user);

// The action named by id or exact title; built-in ones first. Null when there is none.
const Tavlet* findAction(const std::vector<Tavlet>& actions, std::string_view name);
// True for the actions that convert a table and so need a detected delimiter.
bool needsTable(std::string_view id);

// Up to five "id<TAB>title" lines whose id or title is near `name`, nearest first.
std::vector<std::string> closeMatches(const std::vector<Tavlet>& actions, std::string_view name);

}  // namespace tavlets
