#pragma once
// The user's own actions: commands listed in a TOML file, offered after the built-in actions.
// This part is pure: it reads the file's text into entries and problems, decides which entries
// apply to a clipboard text, and turns the end of a command run into an `Outcome`. Starting the
// process is left to a `CommandRunner` the platform supplies.

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <tavlets/actions.hpp>

namespace tavlets {

namespace text {
class Regex;
}

// The kinds a user action can ask for in `when`.
enum class ContentKind { json, jsonInvalid, table, code, longText, text, any };

// "json", "json-invalid", "table", "code", "long-text", "text", "any".
std::optional<ContentKind> contentKindNamed(std::string_view name);
// Whether a classification is of the kind. `text` is the neutral classification: what gets only
// the always-offered text actions.
bool isKind(const Analysis& analysis, ContentKind kind);

// A mistake in the file. Line and column count from 1; line 0 is about the file as a whole.
struct ConfigProblem {
    int line = 0;
    int column = 0;
    std::string message;

    bool operator==(const ConfigProblem&) const = default;
};

struct UserAction {
    int index = 0;  // 1-based position among the file's entries; gives the stable id "user.<index>"
    std::string title;
    std::string symbol;
    std::vector<ContentKind> when{ContentKind::any};
    std::string match;                         // the pattern as written; empty when absent
    std::shared_ptr<const text::Regex> regex;  // compiled `match`, null when absent
    std::vector<std::string> run;              // argv, never empty
    int timeoutSeconds = 10;
    bool mono = true;

    // `when` holds one of the classification's kinds.
    bool wantsKindOf(const Analysis& analysis) const;
    // wantsKindOf, and `match` (if any) finds a match in the trimmed text.
    bool appliesTo(const Analysis& analysis, std::string_view text) const;
};

struct UserActionsConfig {
    std::vector<UserAction> actions;  // the sound entries, in file order
    std::vector<ConfigProblem> problems;  // in file order; a broken entry is skipped
};

// Reads the TOML text of the actions file. Never throws.
UserActionsConfig parseUserActions(std::string_view source);

// The rule ssh applies to its own config: a file that belongs to someone else or that others may
// write to is ignored. Returns the reason to show, or nullopt when the file may be used.
std::optional<std::string> unsafeConfigReason(unsigned owner, unsigned mode, unsigned user);

// ---- Running ----

inline constexpr std::size_t kCommandOutputLimit = std::size_t{64} << 20;

struct CommandRequest {
    std::vector<std::string> argv;
    std::string_view input;  // written to standard input
    std::chrono::milliseconds timeout{10'000};
    std::size_t outputLimit = kCommandOutputLimit;
};

struct CommandResult {
    enum class Ending {
        exited,         // `status` is the exit status
        signalled,      // `status` is the signal that ended it
        notStarted,     // `status` is the errno of the failed start
        timedOut,       // killed after the timeout
        tooMuchOutput,  // killed once standard output passed the limit
        cancelled,      // killed because the run was cancelled
    };
    Ending ending = Ending::exited;
    int status = 0;
    std::string output;  // standard output, raw bytes
    std::string errors;  // the start of standard error, raw bytes
};

// Runs a command to its end, blocking. Must stop early when `cancelRequested()` turns true.
using CommandRunner = std::function<CommandResult(const CommandRequest&)>;

// What the panel shows for a finished run of `action`.
Outcome outcomeOf(const UserAction& action, const CommandResult& result);

// The entries that apply, as actions whose `run` calls `runner` with the untrimmed text.
// Each action keeps its own copy of its entry, so a later reload of the file cannot change a run.
std::vector<Tavlet> userTavlets(const std::vector<UserAction>& actions, const Analysis& analysis,
                                std::string_view text, const CommandRunner& runner);

}  // namespace tavlets
