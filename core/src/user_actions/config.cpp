// Reading the actions file. Every mistake becomes a problem with the place it was made, and only
// the entry it belongs to is dropped; nothing here throws.

#include <tavlets/user_actions.hpp>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <utility>

#include <toml++/toml.h>

#include <tavlets/text.hpp>

namespace tavlets {
namespace {

constexpr int kMaxTimeoutSeconds = 86'400;

std::string inQuotes(std::string_view s) {
    return "\u201C" + std::string(s) + "\u201D";
}

struct ProblemList {
    std::vector<ConfigProblem>& out;
    bool added = false;

    void at(const toml::source_region& where, std::string message) {
        out.push_back({static_cast<int>(where.begin.line), static_cast<int>(where.begin.column), std::move(message)});
        added = true;
    }
};

// Words for a value the user wrote where another kind was expected.
std::string whatItIs(const toml::node& node) {
    switch (node.type()) {
    case toml::node_type::string: return "a text";
    case toml::node_type::integer:
    case toml::node_type::floating_point: return "a number";
    case toml::node_type::boolean: return "true or false";
    case toml::node_type::array: return "a list";
    case toml::node_type::table: return "a table";
    case toml::node_type::date:
    case toml::node_type::time:
    case toml::node_type::date_time: return "a date or time";
    case toml::node_type::none: break;
    }
    return "something else";
}

bool hasNul(std::string_view s) {
    return s.find('\0') != std::string_view::npos;
}

void readTitle(const toml::node& node, UserAction& action, ProblemList& problems) {
    const auto* value = node.as_string();
    if (!value) {
        problems.at(node.source(), inQuotes("title") + " must be a text in quotes, not " + whatItIs(node) + ".");
        return;
    }
    const std::string_view title = text::trim(value->get());
    if (title.empty()) {
        problems.at(node.source(), inQuotes("title") + " is empty; it is the text on the action's button.");
        return;
    }
    action.title = std::string(title);
}

void readSymbol(const toml::node& node, UserAction& action, ProblemList& problems) {
    const auto* value = node.as_string();
    if (!value) {
        problems.at(node.source(), inQuotes("symbol") + " must be a symbol name in quotes, not " + whatItIs(node) + ".");
        return;
    }
    action.symbol = value->get();
}

void readWhen(const toml::node& node, UserAction& action, ProblemList& problems) {
    const auto* list = node.as_array();
    if (!list) {
        problems.at(node.source(), inQuotes("when") + " must be a list of kinds, like [\"json\"], not " +
                                       whatItIs(node) + ".");
        return;
    }
    if (list->empty()) {
        problems.at(node.source(), inQuotes("when") +
                                       " is empty, so the action would never be offered; leave it out to offer it "
                                       "for every text.");
        return;
    }
    std::vector<ContentKind> kinds;
    bool sound = true;
    for (const toml::node& item : *list) {
        const auto* name = item.as_string();
        std::optional<ContentKind> kind;
        if (name) kind = contentKindNamed(name->get());
        if (!kind) {
            problems.at(item.source(), (name ? "Unknown kind " + inQuotes(name->get()) : "A kind must be a text in quotes") +
                                           " in " + inQuotes("when") +
                                           "; the kinds are json, json-invalid, table, code, long-text, text and any.");
            sound = false;
            continue;
        }
        kinds.push_back(*kind);
    }
    if (sound) action.when = std::move(kinds);
}

void readMatch(const toml::node& node, UserAction& action, ProblemList& problems) {
    const auto* value = node.as_string();
    if (!value) {
        problems.at(node.source(), inQuotes("match") + " must be a regular expression in quotes, not " +
                                       whatItIs(node) + ".");
        return;
    }
    try {
        action.regex = std::make_shared<const text::Regex>(value->get());
        action.match = value->get();
    } catch (const std::exception&) {
        problems.at(node.source(), inQuotes("match") + " isn't a valid regular expression (ICU syntax).");
    }
}

void readRun(const toml::node& node, UserAction& action, ProblemList& problems) {
    const auto* list = node.as_array();
    const std::string shape = "a list with the program first, like [\"sort\", \"-u\"]";
    if (!list) {
        problems.at(node.source(), inQuotes("run") + " must be " + shape + ", not " + whatItIs(node) + ".");
        return;
    }
    if (list->empty()) {
        problems.at(node.source(), inQuotes("run") + " is empty; it needs " + shape + ".");
        return;
    }
    std::vector<std::string> argv;
    for (const toml::node& item : *list) {
        const auto* value = item.as_string();
        if (!value) {
            problems.at(item.source(), "Every item of " + inQuotes("run") + " must be a text in quotes, not " +
                                           whatItIs(item) + ".");
            return;
        }
        if (hasNul(value->get())) {
            problems.at(item.source(), "An item of " + inQuotes("run") + " can't contain the character U+0000.");
            return;
        }
        argv.push_back(value->get());
    }
    if (argv.front().empty()) {
        problems.at(list->front().source(), "The program, the first item of " + inQuotes("run") + ", is empty.");
        return;
    }
    action.run = std::move(argv);
}

void readTimeout(const toml::node& node, UserAction& action, ProblemList& problems) {
    const auto* value = node.as_integer();
    if (!value || value->get() < 1 || value->get() > kMaxTimeoutSeconds) {
        problems.at(node.source(), inQuotes("timeout") + " must be a whole number of seconds from 1 to " +
                                       std::to_string(kMaxTimeoutSeconds) + ".");
        return;
    }
    action.timeoutSeconds = static_cast<int>(value->get());
}

void readMono(const toml::node& node, UserAction& action, ProblemList& problems) {
    const auto* value = node.as_boolean();
    if (!value) {
        problems.at(node.source(), inQuotes("mono") + " must be true or false, not " + whatItIs(node) + ".");
        return;
    }
    action.mono = value->get();
}

void readEntry(const toml::table& entry, int index, UserActionsConfig& config) {
    ProblemList problems{config.problems};
    UserAction action;
    action.index = index;
    bool hasTitle = false;
    bool hasRun = false;
    for (const auto& [key, node] : entry) {
        const std::string_view name = key.str();
        if (name == "title") {
            hasTitle = true;
            readTitle(node, action, problems);
        } else if (name == "symbol") {
            readSymbol(node, action, problems);
        } else if (name == "when") {
            readWhen(node, action, problems);
        } else if (name == "match") {
            readMatch(node, action, problems);
        } else if (name == "run") {
            hasRun = true;
            readRun(node, action, problems);
        } else if (name == "timeout") {
            readTimeout(node, action, problems);
        } else if (name == "mono") {
            readMono(node, action, problems);
        } else {
            problems.at(key.source(), "Unknown key " + inQuotes(name) +
                                          "; an action has title, symbol, when, match, run, timeout and mono.");
        }
    }
    if (!hasTitle) problems.at(entry.source(), "This action has no " + inQuotes("title") + ", the text on its button.");
    if (!hasRun)
        problems.at(entry.source(), "This action has no " + inQuotes("run") + ", the command to run, like [\"sort\", \"-u\"].");
    if (!problems.added) config.actions.push_back(std::move(action));
}

// toml++ walks a table in key order; problems read best in the order they stand in the file.
void sortByPlace(std::vector<ConfigProblem>& problems) {
    std::stable_sort(problems.begin(), problems.end(), [](const ConfigProblem& a, const ConfigProblem& b) {
        return std::pair(a.line, a.column) < std::pair(b.line, b.column);
    });
}

// The file up to the [[...]] header that opens the entry holding `line`, parsed, with the line of
// that header; nullopt when there is no earlier entry or the part before does not parse on its own
// (a header inside a multi-line string, say).
std::optional<std::pair<toml::table, int>> entriesBefore(std::string_view source, int line) {
    std::size_t cut = std::string_view::npos;
    int cutLine = 0;
    std::size_t pos = 0;
    for (int current = 1; current <= line && pos <= source.size(); ++current) {
        const std::size_t end = source.find('\n', pos);
        std::string_view text = source.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
        text.remove_prefix(std::min(text.find_first_not_of(" \t"), text.size()));
        if (text.starts_with("[[")) {
            cut = pos;
            cutLine = current;
        }
        if (end == std::string_view::npos) break;
        pos = end + 1;
    }
    if (cut == std::string_view::npos || cut == 0) return std::nullopt;
    try {
        toml::table prefix = toml::parse(source.substr(0, cut));
        if (prefix.empty()) return std::nullopt;
        return std::make_pair(std::move(prefix), cutLine);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// toml++ recurses once per level of a dotted key or header and its depth limit covers only
// values, so a header like [a.a.a.…] tens of thousands deep overflows the stack. This pass, far
// cheaper than parsing, finds the first place where brackets, braces and the dots of a key
// together nest deeper than any hand-written actions file would. Strings and comments are
// skipped; a dot in a number counts too, which at this limit does no harm.
constexpr int kMaxNesting = 64;

std::optional<std::pair<int, int>> tooDeeplyNested(std::string_view s) {
    int line = 1, column = 0;
    int brackets = 0, dots = 0;
    std::size_t i = 0;
    const auto advance = [&] {
        const auto c = static_cast<unsigned char>(s[i++]);
        if (c == '\n') {
            ++line;
            column = 0;
        } else if ((c & 0xC0) != 0x80) {
            ++column;  // columns count characters, not UTF-8 bytes
        }
    };
    const auto skipString = [&](char quote) {
        const std::string_view triple = quote == '"' ? R"(""")" : "'''";
        const bool multiLine = s.substr(i, 3) == triple;
        const auto skipQuotes = [&] {
            for (int k = 0; k < (multiLine ? 3 : 1); ++k) advance();
        };
        skipQuotes();
        while (i < s.size()) {
            if (quote == '"' && s[i] == '\\') {
                advance();
                if (i < s.size()) advance();
            } else if (s[i] == quote && (!multiLine || s.substr(i, 3) == triple)) {
                skipQuotes();
                return;
            } else if (s[i] == '\n' && !multiLine) {
                return;  // unterminated: the parser says so
            } else {
                advance();
            }
        }
    };
    while (i < s.size()) {
        const char c = s[i];
        if (c == '"' || c == '\'') {
            skipString(c);
            continue;
        }
        if (c == '#') {
            while (i < s.size() && s[i] != '\n') advance();
            continue;
        }
        advance();
        switch (c) {
        case '[':
        case '{':
            ++brackets;
            dots = 0;
            break;
        case ']':
        case '}':
            brackets = std::max(0, brackets - 1);
            dots = 0;
            break;
        case '.': ++dots; break;
        case '=':
        case ',':
        case '\n': dots = 0; break;
        default: break;
        }
        if (brackets + dots > kMaxNesting) return std::pair(line, column);
    }
    return std::nullopt;
}

}  // namespace

UserActionsConfig parseUserActions(std::string_view source) {
    UserActionsConfig config;
    toml::table root;
    if (const auto deep = tooDeeplyNested(source)) {
        const auto salvage = entriesBefore(source, deep->first);
        const std::string what =
            "Tables, keys or lists nest more than " + std::to_string(kMaxNesting) + " levels deep here, so ";
        config.problems.push_back(
            {deep->first, deep->second,
             salvage ? what + "the actions from line " + std::to_string(salvage->second) + " on are not used."
                     : what + "none of the file's actions are used."});
        if (!salvage) return config;
        root = std::move(salvage->first);
    } else try {
        root = toml::parse(source);
    } catch (const toml::parse_error& error) {
        const auto& where = error.source().begin;
        std::string message(error.description());
        if (!message.empty()) message[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(message[0])));
        if (!message.empty() && message.back() != '.') message += '.';
        // The entries before the one with the syntax error are still sound: keep them.
        const auto salvage = entriesBefore(source, static_cast<int>(where.line));
        config.problems.push_back(
            {static_cast<int>(where.line), static_cast<int>(where.column),
             salvage ? "The file isn't valid TOML here, so the actions from line " + std::to_string(salvage->second) +
                           " on are not used: " + message
                     : "The file isn't valid TOML, so none of its actions are used: " + message});
        if (!salvage) return config;
        root = std::move(salvage->first);
    } catch (const std::exception&) {
        config.problems.push_back({0, 0, "The file couldn't be read, so none of its actions are used."});
        return config;
    }

    ProblemList problems{config.problems};
    for (const auto& [key, node] : root) {
        if (key.str() != "action") {
            problems.at(key.source(), "Unknown key " + inQuotes(key.str()) + "; each action starts with [[action]].");
            continue;
        }
        const auto* entries = node.as_array();
        if (!entries) {
            problems.at(node.source(), "Write [[action]] with double brackets: every action is one entry of a list.");
            continue;
        }
        int index = 0;
        for (const toml::node& item : *entries) {
            ++index;
            if (const auto* entry = item.as_table()) {
                readEntry(*entry, index, config);
            } else {
                problems.at(item.source(), "Each action must be a table of keys under [[action]], not " +
                                               whatItIs(item) + ".");
            }
        }
    }
    sortByPlace(config.problems);
    return config;
}

std::optional<std::string> unsafeConfigReason(unsigned owner, unsigned mode, unsigned user) {
    if (owner != user) return "The file is ignored because it belongs to another user. Make it yours to use it.";
    if (mode & 022u)
        return "The file is ignored because other users may change it. Remove their write permission "
               "(chmod go-w) to use it.";
    return std::nullopt;
}

}  // namespace tavlets
