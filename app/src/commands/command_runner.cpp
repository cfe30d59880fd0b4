#include "commands/command_runner.hpp"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <set>
#include <string_view>
#include <thread>
#include <vector>

#include <dirent.h>

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <tavlets/cancel.hpp>

extern char** environ;

namespace tavlets {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPollMilliseconds = 20;        // how often cancellation and the clock are checked
constexpr std::size_t kChunk = 64 * 1024;
constexpr std::size_t kErrorsKept = 64 * 1024;  // only the first line is ever shown
// Once the command itself has ended, how long processes it left behind may keep its output open.
constexpr auto kLeftoverGrace = std::chrono::milliseconds(200);

class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { close(); }
    int get() const { return fd_; }
    bool open() const { return fd_ >= 0; }
    void close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    void reset(int fd) {
        close();
        fd_ = fd;
    }

private:
    int fd_ = -1;
};

bool makePipe(Fd& readEnd, Fd& writeEnd) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return false;
    readEnd.reset(fds[0]);
    writeEnd.reset(fds[1]);
    return true;
}

void setNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

// Writing to a pipe the command has closed raises SIGPIPE, which would end the whole app. The
// signal is blocked on this thread for the run and a pending one is taken away before the mask
// is restored; other threads and the process-wide disposition stay as they are.
class SigpipeBlock {
public:
    SigpipeBlock() {
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &set, &previous_);
    }
    ~SigpipeBlock() {
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, SIGPIPE);
        const timespec zero{0, 0};
        while (sigtimedwait(&set, nullptr, &zero) == SIGPIPE) {
        }
        pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
    }
    SigpipeBlock(const SigpipeBlock&) = delete;
    SigpipeBlock& operator=(const SigpipeBlock&) = delete;

private:
    sigset_t previous_;
};

bool isDirectory(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Every process a run starts carries this variable, with a value of its own for each run, so
// that what a command leaves running (even in a session of its own) can be found after it.
constexpr std::string_view kMarkName = "TAVLETS_RUN=";

std::string appMark() {
    return std::string(kMarkName) + std::to_string(::getpid()) + ".";
}

std::string newRunMark() {
    static std::atomic<unsigned long> serial{0};
    return appMark() + std::to_string(++serial);
}

// This process's environment with the run's mark instead of any inherited one.
std::vector<char*> environmentWith(std::string& mark) {
    std::vector<char*> env;
    for (char** entry = environ; entry && *entry; ++entry) {
        if (!std::string_view(*entry).starts_with(kMarkName)) env.push_back(*entry);
    }
    env.push_back(mark.data());
    env.push_back(nullptr);
    return env;
}

// Commands started and not reaped yet: only their own runner may wait for them. Held across
// spawning too, so a sweep never reaps a command before it is listed.
std::mutex childrenMutex;
std::set<pid_t> commandsRunning;
std::atomic<bool> adopting{false};

struct ProcState {
    char state = 0;
    pid_t parent = 0;
};

std::optional<ProcState> procState(pid_t pid) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/stat", static_cast<int>(pid));
    Fd fd(::open(path, O_RDONLY | O_CLOEXEC));
    if (!fd.open()) return std::nullopt;
    char buffer[512];
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer - 1);
    if (n <= 0) return std::nullopt;
    const std::string_view line(buffer, static_cast<std::size_t>(n));
    const std::size_t close = line.rfind(')');  // the name may hold anything, parentheses too
    if (close == std::string_view::npos || close + 4 >= line.size()) return std::nullopt;
    ProcState st;
    st.state = line[close + 2];
    st.parent = static_cast<pid_t>(std::atoi(std::string(line.substr(close + 4, 16)).c_str()));
    return st;
}

bool environmentHas(pid_t pid, std::string_view mark, bool prefix) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/environ", static_cast<int>(pid));
    Fd fd(::open(path, O_RDONLY | O_CLOEXEC));  // other users' processes cannot be opened
    if (!fd.open()) return false;
    std::string env;
    char buffer[16 * 1024];
    for (ssize_t n; (n = ::read(fd.get(), buffer, sizeof buffer)) > 0 && env.size() < (8u << 20);)
        env.append(buffer, static_cast<std::size_t>(n));
    for (std::size_t pos = 0; pos < env.size();) {
        std::size_t end = env.find('\0', pos);
        if (end == std::string::npos) end = env.size();
        const std::string_view entry(env.data() + pos, end - pos);
        if (prefix ? entry.starts_with(mark) : entry == mark) return true;
        pos = end + 1;
    }
    return false;
}

template <class F>
void forEachProcess(F&& f) {
    DIR* proc = ::opendir("/proc");
    if (!proc) return;
    const pid_t self = ::getpid();
    while (const dirent* entry = ::readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (pid > 0 && *end == '\0' && pid != self) f(static_cast<pid_t>(pid));
    }
    ::closedir(proc);
}

// Reaps what ended among the orphans this process adopted. Only once it has made itself their
// reaper: any other child of a process belongs to whoever started it.
void reapAdopted() {
    if (!adopting) return;
    std::lock_guard lock(childrenMutex);
    const pid_t self = ::getpid();
    forEachProcess([&](pid_t pid) {
        if (commandsRunning.count(pid)) return;
        const auto st = procState(pid);
        if (st && st->parent == self && st->state == 'Z') ::waitpid(pid, nullptr, WNOHANG);
    });
}

// Kills every process carrying the mark, over again until none is left (one may fork as it is
// killed), then waits a bounded time for them to be gone, reaping those adopted here.
void endMarked(std::string_view mark, bool prefix) {
    std::set<pid_t> killed;
    for (int round = 0; round < 200; ++round) {
        bool found = false;
        forEachProcess([&](pid_t pid) {
            if (!environmentHas(pid, mark, prefix)) return;
            ::kill(pid, SIGKILL);
            killed.insert(pid);
            found = true;
        });
        if (!found) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const auto deadline = Clock::now() + std::chrono::seconds(1);
    for (;;) {
        reapAdopted();
        const bool left = std::any_of(killed.begin(), killed.end(), [](pid_t pid) {
            const auto st = procState(pid);
            return st && st->state != 'Z';
        });
        if (!left || Clock::now() >= deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

// Starts the command in a new session (so in a process group of its own), with a clean signal
// mask and the default SIGPIPE action whatever this thread has. Returns 0 or an errno.
int spawn(const CommandRequest& request, const std::string& workingDirectory, std::string& mark, int in, int out, int err,
          pid_t& pid) {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    if (int e = posix_spawn_file_actions_init(&actions)) return e;
    if (int e = posix_spawnattr_init(&attributes)) {
        posix_spawn_file_actions_destroy(&actions);
        return e;
    }
    int error = posix_spawn_file_actions_adddup2(&actions, in, STDIN_FILENO);
    if (!error) error = posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO);
    if (!error) error = posix_spawn_file_actions_adddup2(&actions, err, STDERR_FILENO);
    // Nothing else of the app's (its instance lock, its display connection) reaches the command,
    // even where a descriptor was opened without close-on-exec.
    if (!error) error = posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    if (!error && isDirectory(workingDirectory))
        error = posix_spawn_file_actions_addchdir_np(&actions, workingDirectory.c_str());
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    if (!error) error = posix_spawnattr_setsigmask(&attributes, &none);
    if (!error) error = posix_spawnattr_setsigdefault(&attributes, &defaults);
    if (!error)
        error = posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    if (!error) {
        std::vector<char*> argv;
        for (const std::string& arg : request.argv) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        std::vector<char*> env = environmentWith(mark);
        std::lock_guard lock(childrenMutex);
        error = posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), env.data());
        if (!error) commandsRunning.insert(pid);
    }
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return error;
}

// Reads what is there without blocking. Returns false at end of file or on an error.
bool drain(int fd, std::string& into, std::size_t keep) {
    char buffer[kChunk];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            const std::size_t room = into.size() < keep ? keep - into.size() : 0;
            into.append(buffer, std::min(room, static_cast<std::size_t>(n)));
            if (into.size() >= keep) return true;  // the caller decides what a full buffer means
            continue;
        }
        if (n == 0) return false;
        if (errno == EINTR) continue;
        return errno == EAGAIN || errno == EWOULDBLOCK;
    }
}

}  // namespace

void adoptOrphanedDescendants() {
    if (::prctl(PR_SET_CHILD_SUBREAPER, 1) == 0) adopting = true;
}

void endAllLeftovers() {
    endMarked(appMark(), true);
    reapAdopted();
}

std::string homeDirectory() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    std::array<char, 4096> buffer{};
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir)
        return found->pw_dir;
    return {};
}

CommandResult runCommand(const CommandRequest& request, const std::string& workingDirectory) {
    using Ending = CommandResult::Ending;
    CommandResult result;
    if (request.argv.empty() || request.argv.front().empty()) {
        result.ending = Ending::notStarted;
        result.status = ENOENT;
        return result;
    }

    SigpipeBlock sigpipe;
    Fd inRead, inWrite, outRead, outWrite, errRead, errWrite;
    if (!makePipe(inRead, inWrite) || !makePipe(outRead, outWrite) || !makePipe(errRead, errWrite)) {
        result.ending = Ending::notStarted;
        result.status = errno;
        return result;
    }
    std::string mark = newRunMark();
    pid_t pid = -1;
    if (const int error = spawn(request, workingDirectory, mark, inRead.get(), outWrite.get(), errWrite.get(), pid)) {
        result.ending = Ending::notStarted;
        result.status = error;
        return result;
    }
    // Only the child holds these ends now, so end of file means the command closed them.
    inRead.close();
    outWrite.close();
    errWrite.close();
    setNonBlocking(inWrite.get());
    setNonBlocking(outRead.get());
    setNonBlocking(errRead.get());

    const std::string_view input = request.input;
    std::size_t written = 0;
    if (input.empty()) inWrite.close();

    const auto deadline = Clock::now() + request.timeout;
    // The command is left unreaped until the end, so its group id cannot go to anyone else.
    bool ended = false;
    Clock::time_point endedAt{};
    std::optional<Ending> stopped;  // set when we end the run ourselves

    for (;;) {
        if (cancelRequested()) {
            stopped = Ending::cancelled;
            break;
        }
        const auto now = Clock::now();
        if (!ended && now >= deadline) {
            stopped = Ending::timedOut;
            break;
        }
        if (!ended) {
            siginfo_t info{};
            if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid) {
                ended = true;
                endedAt = now;
            }
        }
        if (ended && !outRead.open() && !errRead.open()) break;
        // Something the command started in the background still holds its output: the result is
        // what came by the end of the grace.
        if (ended && now - endedAt >= kLeftoverGrace) break;

        std::array<pollfd, 3> fds{};
        nfds_t count = 0;
        int inSlot = -1, outSlot = -1, errSlot = -1;
        if (inWrite.open()) {
            inSlot = static_cast<int>(count);
            fds[count++] = {inWrite.get(), POLLOUT, 0};
        }
        if (outRead.open()) {
            outSlot = static_cast<int>(count);
            fds[count++] = {outRead.get(), POLLIN, 0};
        }
        if (errRead.open()) {
            errSlot = static_cast<int>(count);
            fds[count++] = {errRead.get(), POLLIN, 0};
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>((ended ? endedAt + kLeftoverGrace : deadline) - now).count();
        const int wait = static_cast<int>(std::clamp<long long>(left, 0, kPollMilliseconds));
        if (count == 0) {
            ::poll(nullptr, 0, wait);  // only waiting for the command to end
            continue;
        }
        if (::poll(fds.data(), count, wait) < 0) {
            if (errno == EINTR) continue;
            stopped = Ending::cancelled;
            break;
        }

        if (inSlot >= 0 && fds[inSlot].revents) {
            const std::size_t size = std::min(kChunk, input.size() - written);
            const ssize_t n = ::write(inWrite.get(), input.data() + written, size);
            if (n > 0) written += static_cast<std::size_t>(n);
            // EPIPE: the command does not read (any more) its input; that is its business.
            if ((n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) || written == input.size())
                inWrite.close();
        }
        if (outSlot >= 0 && fds[outSlot].revents) {
            if (!drain(outRead.get(), result.output, request.outputLimit + 1)) outRead.close();
            if (result.output.size() > request.outputLimit) {
                stopped = Ending::tooMuchOutput;
                break;
            }
        }
        if (errSlot >= 0 && fds[errSlot].revents) {
            std::string& errors = result.errors;
            if (errors.size() >= kErrorsKept) {
                std::string discard;
                if (!drain(errRead.get(), discard, kChunk)) errRead.close();
            } else if (!drain(errRead.get(), errors, kErrorsKept)) {
                errRead.close();
            }
        }
    }

    // However the run ended, nothing it started outlives it: not its group, nor what left the
    // group but carries its mark.
    ::kill(-pid, SIGKILL);
    endMarked(mark, false);
    int waitStatus = 0;
    while (::waitpid(pid, &waitStatus, 0) < 0 && errno == EINTR) {
    }
    {
        std::lock_guard lock(childrenMutex);
        commandsRunning.erase(pid);
    }

    if (stopped) {
        result.ending = *stopped;
        result.status = 0;
        if (*stopped != Ending::tooMuchOutput) result.output.clear();
        else result.output.resize(std::min(result.output.size(), request.outputLimit));
        return result;
    }
    if (WIFEXITED(waitStatus)) {
        result.ending = Ending::exited;
        result.status = WEXITSTATUS(waitStatus);
    } else {
        result.ending = Ending::signalled;
        result.status = WIFSIGNALED(waitStatus) ? WTERMSIG(waitStatus) : 0;
    }
    return result;
}

CommandRunner homeCommandRunner() {
    return [](const CommandRequest& request) { return runCommand(request, homeDirectory()); };
}

}  // namespace tavlets
