#include "commands/user_actions_source.hpp"

#include "commands/command_runner.hpp"

#include <tavlets/cancel.hpp>
#include <tavlets/text.hpp>

#include <cerrno>
#include <condition_variable>
#include <system_error>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavlets {
namespace {

// Far more than any hand-written list of actions; keeps a wrong path from filling memory.
constexpr std::size_t kMaxFileBytes = 1 << 20;

std::mutex installedMutex;
std::shared_ptr<UserActionsSource> installedSource;

constexpr std::size_t kReportedProblems = 50;

void printToStderr(const std::string& line) {
    std::fprintf(stderr, "tavlets: %s\n", line.c_str());
    std::fflush(stderr);
}

long long nanoseconds(const timespec& t) {
    return static_cast<long long>(t.tv_sec) * 1'000'000'000LL + t.tv_nsec;
}

UserActionsState ignored(UserActionsState state, std::string reason) {
    state.file = UserActionsState::File::ignored;
    state.problems = {{0, 0, std::move(reason)}};
    return state;
}

}  // namespace

UserActionsSource::UserActionsSource(std::string path, CommandRunner runner, Report report)
    : path_(std::move(path)),
      runner_(std::move(runner)),
      report_(report ? std::move(report) : Report(printToStderr)),
      state_(std::make_shared<const UserActionsState>(UserActionsState{path_, {}, {}, {}})) {}

std::string UserActionsSource::defaultPath() {
    // Relative values are invalid by the XDG rules and are ignored.
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && config[0] == '/')
        return std::string(config) + "/tavlets/actions.toml";
    return homeDirectory() + "/.config/tavlets/actions.toml";
}

UserActionsSource::Stamp UserActionsSource::stampOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    return {true,
            static_cast<unsigned long long>(st.st_dev),
            static_cast<unsigned long long>(st.st_ino),
            static_cast<unsigned long long>(st.st_size),
            nanoseconds(st.st_mtim),
            nanoseconds(st.st_ctim)};  // a chmod or chown changes only this one
}

UserActionsState UserActionsSource::read() const {
    UserActionsState state;
    state.path = path_;
    // Non-blocking, so that a fifo put there cannot hold the panel.
    const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT) return state;
        return ignored(std::move(state), std::string("The file couldn't be opened: ") + std::strerror(errno) + ".");
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    // The checks look at what was opened, not at what the name points to a moment later.
    struct stat st {};
    if (::fstat(fd, &st) != 0) return ignored(std::move(state), "The file couldn't be read.");
    if (!S_ISREG(st.st_mode)) return ignored(std::move(state), "The file is ignored because it isn't a regular file.");
    if (auto reason = unsafeConfigReason(st.st_uid, st.st_mode, ::geteuid())) return ignored(std::move(state), *reason);
    if (static_cast<std::size_t>(st.st_size) > kMaxFileBytes)
        return ignored(std::move(state), "The file is ignored because it is larger than 1 MB.");

    std::string source;
    char buffer[16 * 1024];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            source.append(buffer, static_cast<std::size_t>(n));
            if (source.size() > kMaxFileBytes)
                return ignored(std::move(state), "The file is ignored because it is larger than 1 MB.");
            continue;
        }
        if (n == 0) break;
        if (errno == EINTR) continue;
        return ignored(std::move(state), std::string("The file couldn't be read: ") + std::strerror(errno) + ".");
    }
    UserActionsConfig config = parseUserActions(source);
    state.file = UserActionsState::File::loaded;
    state.actions = std::move(config.actions);
    state.problems = std::move(config.problems);
    return state;
}

bool UserActionsSource::refresh() {
    std::lock_guard<std::mutex> one(refreshing_);
    const Stamp stamp = stampOf(path_);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (readOnce_ && stamp == stamp_) return false;
    }
    auto next = std::make_shared<const UserActionsState>(read());

    std::vector<std::string> toReport;
    std::size_t unreported = 0;
    std::vector<std::function<void()>> listeners;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        readOnce_ = true;
        stamp_ = stamp;
        state_ = next;
        for (const ConfigProblem& problem : next->problems) {
            std::string line = path_;
            if (problem.line > 0) {
                line.append(":").append(std::to_string(problem.line));
                line.append(":").append(std::to_string(problem.column));
            }
            line.append(": ").append(problem.message);
            if (reported_.count(line)) continue;
            // A broken file can hold thousands of problems; a screenful on the terminal is enough.
            if (toReport.size() == kReportedProblems) {
                ++unreported;
                continue;
            }
            reported_.insert(line);
            toReport.push_back(std::move(line));
        }
        if (unreported > 0) toReport.push_back(path_ + ": \u2026and " + std::to_string(unreported) + " more");
        for (const auto& entry : listeners_) listeners.push_back(entry.second);
    }
    for (const std::string& line : toReport) report_(line);
    for (const auto& listener : listeners) listener();
    return true;
}

std::shared_ptr<const UserActionsState> UserActionsSource::state() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return state_;
}

std::vector<Tavlet> UserActionsSource::actionsFor(const Analysis& analysis, std::string_view text) const {
    const auto current = state();
    return userTavlets(current->actions, analysis, text, runner_);
}

UserActionsSource::ListenerId UserActionsSource::listen(std::function<void()> listener) {
    std::lock_guard<std::mutex> lock(mutex_);
    const ListenerId id = nextListener_++;
    listeners_.emplace_back(id, std::move(listener));
    return id;
}

void UserActionsSource::unlisten(ListenerId id) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::erase_if(listeners_, [id](const auto& entry) { return entry.first == id; });
}

std::shared_ptr<UserActionsSource> UserActionsSource::installed() {
    std::lock_guard<std::mutex> lock(installedMutex);
    return installedSource;
}

UserActionsMatcher::UserActionsMatcher(std::shared_ptr<UserActionsSource> source, Post post,
                                       std::chrono::milliseconds bound)
    : source_(std::move(source)), post_(std::move(post)), bound_(bound) {}

UserActionsMatcher::~UserActionsMatcher() {
    stopping_ = true;
    for (Worker& worker : workers_) worker.thread.join();
}

void UserActionsMatcher::search(PanelModel::ExtraSearch search) {
    std::erase_if(workers_, [](Worker& worker) {
        if (!worker.finished->load()) return false;
        worker.thread.join();
        return true;
    });
    auto finished = std::make_shared<std::atomic<bool>>(false);
    try {
        std::thread thread([this, finished, search = std::move(search)]() mutable {
            run(std::move(search));
            finished->store(true);
        });
        workers_.push_back({std::move(thread), std::move(finished)});
    } catch (const std::system_error&) {
        // No thread to be had: the built-in actions are offered alone this time.
    }
}

void UserActionsMatcher::run(PanelModel::ExtraSearch search) const {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + bound_;
    // The pattern being tried stops once `stop` is set: at its share of the bound, when the load
    // is gone, or at shutdown. `over` says the whole search is.
    std::atomic<bool> stop{false};
    std::atomic<bool> over{false};
    std::atomic<Clock::rep> patternDeadline{deadline.time_since_epoch().count()};
    std::mutex mutex;
    std::condition_variable wake;
    bool done = false;
    std::thread watchdog;
    try {
        watchdog = std::thread([&] {
            std::unique_lock<std::mutex> lock(mutex);
            while (!done) {
                const auto now = Clock::now();
                if (stopping_ || search.cancelled->load() || now >= deadline) {
                    over = true;
                    stop = true;
                } else if (now.time_since_epoch().count() >= patternDeadline.load()) {
                    stop = true;
                }
                wake.wait_for(lock, std::chrono::milliseconds(10));
            }
        });
    } catch (const std::system_error&) {
        return;  // unbounded matching is what this is here to prevent
    }

    source_->refresh();
    const auto state = source_->state();
    const std::string_view trimmed = text::trim(*search.text);
    std::size_t patternsLeft = 0;
    for (const UserAction& action : state->actions) patternsLeft += action.regex != nullptr;
    std::vector<UserAction> offered;
    for (const UserAction& action : state->actions) {
        if (stopping_ || search.cancelled->load()) break;
        // Out of time: the entries without a pattern are still offered.
        if (over && action.regex) continue;
        if (!action.wantsKindOf(search.analysis)) {
            patternsLeft -= action.regex != nullptr;
            continue;
        }
        if (action.regex) {
            // Each pattern gets an even share of what is left, so one slow pattern cannot starve
            // the quick ones after it.
            {
                // Under the watchdog's lock, so that the last pattern's deadline cannot stop this one.
                std::lock_guard<std::mutex> lock(mutex);
                const auto now = Clock::now();
                patternDeadline = (now + (deadline - now) / static_cast<long>(patternsLeft--)).time_since_epoch().count();
                stop = false;
            }
            const CancelScope scope(&stop);
            if (!action.regex->search(trimmed) || stop) continue;
        }
        // Matched here already: without its pattern, userTavlets does not search again.
        UserAction matched = action;
        matched.regex = nullptr;
        offered.push_back(std::move(matched));
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        done = true;
    }
    wake.notify_all();
    watchdog.join();
    if (stopping_ || search.cancelled->load()) return;
    std::vector<Tavlet> found = userTavlets(offered, search.analysis, *search.text, source_->runner());
    post_([deliver = std::move(search.deliver), found = std::move(found)]() mutable { deliver(std::move(found)); });
}

void installUserActions(PanelModel& model, UserActionsMatcher::Post post) {
    auto source = std::make_shared<UserActionsSource>(UserActionsSource::defaultPath(), homeCommandRunner());
    {
        std::lock_guard<std::mutex> lock(installedMutex);
        installedSource = source;
    }
    if (post) {
        auto matcher = std::make_shared<UserActionsMatcher>(source, std::move(post));
        model.extraSearch = [matcher](PanelModel::ExtraSearch search) { matcher->search(std::move(search)); };
        return;
    }
    model.extraActions = [source](const Analysis& analysis, std::string_view text) {
        source->refresh();
        return source->actionsFor(analysis, text);
    };
}

}  // namespace tavlets
