#pragma once
// The user's actions file as the app sees it: where it is, whether it changed, whether it may be
// trusted, what it offers for a text, and what was wrong with it. Safe to use from any thread.

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <tavlets/panel_model.hpp>
#include <tavlets/user_actions.hpp>

namespace tavlets {

struct UserActionsState {
    enum class File {
        missing,  // no file: nothing offered, nothing wrong
        loaded,   // read; `actions` are the sound entries, `problems` the rest
        ignored,  // not used at all; `problems` holds the one reason
    };
    std::string path;
    File file = File::missing;
    std::vector<UserAction> actions;
    std::vector<ConfigProblem> problems;
};

class UserActionsSource {
public:
    using Report = std::function<void(const std::string& line)>;
    using ListenerId = std::size_t;

    // `report` gets each problem once, as "path:line:column: message"; by default on stderr.
    UserActionsSource(std::string path, CommandRunner runner, Report report = {});

    // $XDG_CONFIG_HOME/tavlets/actions.toml, or ~/.config/tavlets/actions.toml.
    static std::string defaultPath();

    // Reads the file again when it changed (or appeared or went) since the last read. Returns
    // whether the state was replaced.
    bool refresh();
    std::shared_ptr<const UserActionsState> state() const;
    // The entries that apply to the text, as actions.
    std::vector<Tavlet> actionsFor(const Analysis& analysis, std::string_view text) const;

    // Called after every replaced state, on the thread that refreshed.
    ListenerId listen(std::function<void()> listener);
    void unlisten(ListenerId id);

    // The one source the running app uses (set by installUserActions), or null.
    static std::shared_ptr<UserActionsSource> installed();

private:
    struct Stamp {
        bool exists = false;
        unsigned long long device = 0, inode = 0, size = 0;
        long long modified = 0, changed = 0;  // nanoseconds
        bool operator==(const Stamp&) const = default;
    };
    static Stamp stampOf(const std::string& path);
    UserActionsState read() const;

    const std::string path_;
    const CommandRunner runner_;
    const Report report_;

    mutable std::mutex mutex_;
    bool readOnce_ = false;
    Stamp stamp_;
    std::shared_ptr<const UserActionsState> state_;
    std::set<std::string> reported_;
    std::vector<std::pair<ListenerId, std::function<void()>>> listeners_;
    ListenerId nextListener_ = 1;

    std::mutex refreshing_;  // one read at a time
};

// Offers the default file's actions after the built-in ones in `model`; the file is read when the
// panel opens.
void installUserActions(PanelModel& model);

}  // namespace tavlets
