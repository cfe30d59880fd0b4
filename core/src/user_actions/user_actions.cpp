// Which of the user's actions apply to a text, and what a finished command run shows.

#include <tavlets/user_actions.hpp>

#include <cerrno>
#include <string>
#include <utility>

#include <tavlets/text.hpp>

namespace tavlets {
namespace {

// Long enough for any message worth reading, short enough for the panel.
constexpr std::size_t kMaxMessageCharacters = 500;

std::string inQuotes(std::string_view s) {
    return "\u201C" + std::string(s) + "\u201D";
}

// The first line of standard error that says something, trimmed, or empty.
std::string firstLine(std::string_view errors) {
    const std::string valid = text::toValidUTF8(errors);
    for (const std::string_view line : text::splitLines(valid)) {
        const std::string_view t = text::trim(line);
        if (t.empty()) continue;
        const std::string_view head = text::prefixCharacters(t, kMaxMessageCharacters);
        return head.size() < t.size() ? std::string(head) + "\u2026" : std::string(t);
    }
    return {};
}

std::string startFailure(std::string_view program, int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return "The program " + inQuotes(program) + " wasn't found. Install it, or write its full path in " +
               inQuotes("run") + ".";
    case EACCES:
    case EPERM:
        return "The program " + inQuotes(program) + " isn't allowed to run (permission denied).";
    case ENOEXEC:
        return "The program " + inQuotes(program) + " isn't a program this system can run.";
    default:
        break;
    }
    return "The program " + inQuotes(program) + " couldn't be started (error " + std::to_string(error) + ").";
}

}  // namespace

std::optional<ContentKind> contentKindNamed(std::string_view name) {
    static constexpr std::pair<std::string_view, ContentKind> kNames[] = {
        {"json", ContentKind::json},     {"json-invalid", ContentKind::jsonInvalid},
        {"table", ContentKind::table},   {"code", ContentKind::code},
        {"long-text", ContentKind::longText}, {"text", ContentKind::text},
        {"any", ContentKind::any},
    };
    for (const auto& [n, kind] : kNames)
        if (n == name) return kind;
    return std::nullopt;
}

bool isKind(const Analysis& analysis, ContentKind kind) {
    switch (kind) {
    case ContentKind::json: return analysis.json == Analysis::JSONState::valid;
    case ContentKind::jsonInvalid: return analysis.json == Analysis::JSONState::invalid;
    case ContentKind::table: return analysis.delimiter.has_value();
    case ContentKind::code: return analysis.isCode;
    case ContentKind::longText: return analysis.isLongText;
    case ContentKind::text: return analysis == Analysis{};
    case ContentKind::any: return true;
    }
    return false;
}

bool UserAction::wantsKindOf(const Analysis& analysis) const {
    for (const ContentKind kind : when) {
        if (isKind(analysis, kind)) return true;
    }
    return false;
}

bool UserAction::appliesTo(const Analysis& analysis, std::string_view text) const {
    return wantsKindOf(analysis) && (!regex || regex->search(text::trim(text)));
}

Outcome outcomeOf(const UserAction& action, const CommandResult& result) {
    using Ending = CommandResult::Ending;
    switch (result.ending) {
    case Ending::exited:
        // Nothing to copy: an empty result would wipe the clipboard.
        if (result.status == 0 && result.output.empty()) return Outcome{"The command printed nothing.", true, false};
        if (result.status == 0) return Outcome{text::toValidUTF8(result.output), false, action.mono};
        if (std::string line = firstLine(result.errors); !line.empty()) return Outcome{std::move(line), true, false};
        return Outcome{"The command exited with status " + std::to_string(result.status) + ".", true, false};
    case Ending::signalled:
        if (std::string line = firstLine(result.errors); !line.empty()) return Outcome{std::move(line), true, false};
        return Outcome{"The command was stopped by signal " + std::to_string(result.status) + ".", true, false};
    case Ending::notStarted:
        return Outcome{startFailure(action.run.empty() ? std::string() : action.run.front(), result.status), true,
                       false};
    case Ending::timedOut:
        return Outcome{"The command took longer than " + std::to_string(action.timeoutSeconds) +
                           (action.timeoutSeconds == 1 ? " second." : " seconds."),
                       true, false};
    case Ending::tooMuchOutput:
        return Outcome{"The command wrote more than " + std::to_string(kCommandOutputLimit >> 20) +
                           " MB, so it was stopped.",
                       true, false};
    case Ending::cancelled:
        return Outcome{"The command was cancelled.", true, false};
    }
    return Outcome{"The command couldn't finish.", true, false};
}

std::vector<Tavlet> userTavlets(const std::vector<UserAction>& actions, const Analysis& analysis,
                                std::string_view text, const CommandRunner& runner) {
    std::vector<Tavlet> out;
    for (const UserAction& action : actions) {
        if (!action.appliesTo(analysis, text)) continue;
        Tavlet tavlet;
        tavlet.id = "user." + std::to_string(action.index);
        tavlet.title = action.title;
        tavlet.symbol = action.symbol;
        tavlet.run = [action, runner](std::string_view input) {
            if (!runner) return Outcome{"This action isn't available.", true, false};
            CommandRequest request;
            request.argv = action.run;
            request.input = input;
            request.timeout = std::chrono::seconds(action.timeoutSeconds);
            return outcomeOf(action, runner(request));
        };
        out.push_back(std::move(tavlet));
    }
    return out;
}

}  // namespace tavlets
