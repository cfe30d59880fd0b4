#pragma once
// The user's actions file as the app sees it: where it is, whether it changed, whether it may be
// trusted, what it offers for a text, and what was wrong with it. Safe to use from any thread.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
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
    const CommandRunner& runner() const { return runner_; }

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

// Finds the actions that apply to a text on a thread of its own, reading the file again first, so
// that a slow `match` pattern on a large text never holds the panel. All the patterns of one
// search share one time bound, each an even share of what is left; an entry whose pattern has not
// answered in its share is not offered.
class UserActionsMatcher {
public:
    // Hands a task to the model's thread.
    using Post = std::function<void(std::function<void()>)>;
    static constexpr std::chrono::milliseconds kBound{2000};

    UserActionsMatcher(std::shared_ptr<UserActionsSource> source, Post post,
                       std::chrono::milliseconds bound = kBound);
    // Stops every search and waits for its thread.
    ~UserActionsMatcher();
    UserActionsMatcher(const UserActionsMatcher&) = delete;
    UserActionsMatcher& operator=(const UserActionsMatcher&) = delete;

    void search(PanelModel::ExtraSearch search);

private:
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> finished;
    };
    void run(PanelModel::ExtraSearch search) const;

    const std::shared_ptr<UserActionsSource> source_;
    const Post post_;
    const std::chrono::milliseconds bound_;
    std::atomic<bool> stopping_{false};
    std::list<Worker> workers_;
};

// Offers the default file's actions after the built-in ones in `model`; the file is read when the
// panel opens. With `post`, that happens away from the model's thread (see UserActionsMatcher).
void installUserActions(PanelModel& model, UserActionsMatcher::Post post = {});

}  // namespace tavlets
