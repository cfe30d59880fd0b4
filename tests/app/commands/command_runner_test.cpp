#include "commands/command_runner.hpp"

#include <tavlets/cancel.hpp>

#include <QTemporaryDir>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace tavlets {
namespace {

using Ending = CommandResult::Ending;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

CommandResult run(std::vector<std::string> argv, std::string_view input = {},
                  std::chrono::milliseconds timeout = 10s, std::size_t limit = kCommandOutputLimit) {
    return runCommand(CommandRequest{std::move(argv), input, timeout, limit}, "/");
}

// Whether a process is gone, or (unless it must be reaped) only waits to be reaped by someone else.
bool goneSoon(pid_t pid, bool reaped = false) {
    const auto gone = [&] {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        if (!stat || reaped) return !stat;
        std::string line;
        std::getline(stat, line);
        const auto close = line.rfind(')');
        return close != std::string::npos && line.size() > close + 2 && line[close + 2] == 'Z';
    };
    for (int i = 0; i < 100 && !gone(); ++i) std::this_thread::sleep_for(10ms);
    return gone();
}

pid_t pidIn(const std::string& file) {
    pid_t pid = 0;
    std::ifstream(file) >> pid;
    return pid;
}

TEST(CommandRunner, FinishedCommandsGiveTheirOutputStatusAndErrors) {
    const struct { std::vector<std::string> argv; std::string input; Ending ending; int status;
                   std::string output, errors; } cases[] = {
        {{"cat"}, "  untrimmed \n\n", Ending::exited, 0, "  untrimmed \n\n", ""},
        {{"sh", "-c", "echo oops >&2; exit 3"}, "", Ending::exited, 3, "", "oops\n"},
        {{"printf", "a\\377b"}, "", Ending::exited, 0, "a\xff" "b", ""},
        {{"sh", "-c", "kill -TERM $$"}, "", Ending::signalled, SIGTERM, "", ""},
        {{"tavlets-no-such-program"}, "x", Ending::notStarted, ENOENT, "", ""},
        {{"/"}, "x", Ending::notStarted, EACCES, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.argv.front());
        const CommandResult r = run(c.argv, c.input);
        EXPECT_EQ(r.ending, c.ending);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.output, c.output);
        EXPECT_EQ(r.errors, c.errors);
    }
}

TEST(CommandRunner, TheCommandGetsNoOtherDescriptorOfTheApp) {
    const int leaked = ::open("/dev/null", O_RDONLY);  // without close-on-exec
    ASSERT_GE(leaked, 3);
    const CommandResult r = run({"sh", "-c", "ls /proc/self/fd"});
    ::close(leaked);
    // 0, 1, 2 and the folder ls itself reads.
    EXPECT_EQ(r.output, "0\n1\n2\n3\n");
}

TEST(CommandRunner, RunsInTheHomeFolderWithTheUsersEnvironment) {
    QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", home.path().toUtf8());
    setenv("TAVLETS_TEST_VALUE", "from the app", 1);
    CommandRequest request;
    request.argv = {"sh", "-c", "pwd; echo \"$TAVLETS_TEST_VALUE\""};
    const CommandResult r = homeCommandRunner()(request);
    qputenv("HOME", oldHome);
    unsetenv("TAVLETS_TEST_VALUE");
    EXPECT_EQ(r.output, std::filesystem::canonical(home.path().toStdString()).string() + "\nfrom the app\n");
}

// Each command starts `sleep 30` in the background, in its group or in a session of its own
// (still holding the command's output); however the run ends, that is gone with it, and the
// command's own output is its result. Once this process reaps orphans (the last case: it cannot
// be undone), a leftover re-parented to it is reaped as well as killed.
TEST(CommandRunner, NothingTheCommandStartedOutlivesTheRun) {
    // `last` is what the shell does after starting the background process.
    const struct { const char* name; const char* background; const char* last; std::chrono::milliseconds timeout,
                   cancelAfter; Ending ending; const char* output; std::chrono::seconds within; } cases[] = {
        {"timeout kills the whole group", "sleep 30", "sleep 30", 1s, 0ms, Ending::timedOut, "", 5s},
        {"what it left running does not hold the result", "sleep 30", "echo done", 10s, 0ms, Ending::exited, "done\n", 3s},
        {"cancelling kills it and what it started", "sleep 30", "sleep 30", 10s, 300ms, Ending::cancelled, "", 5s},
        {"a quiet leftover goes too", "sleep 30 >/dev/null 2>&1", "echo done", 10s, 0ms, Ending::exited, "done\n", 3s},
        {"a new session holding the output", "setsid sleep 30", "echo done", 10s, 0ms, Ending::exited, "done\n", 3s},
        {"a new session past the timeout", "setsid sleep 30", "sleep 30", 1s, 0ms, Ending::timedOut, "", 5s},
        {"a new session on cancel", "setsid sleep 30", "sleep 30", 10s, 300ms, Ending::cancelled, "", 5s},
        {"an adopted leftover is not left a zombie", "setsid sleep 30", "echo done", 10s, 0ms, Ending::exited, "done\n", 3s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const bool adopt = &c == std::end(cases) - 1;
        if (adopt) adoptOrphanedDescendants();
        QTemporaryDir dir;
        const std::string pidFile = dir.filePath(QStringLiteral("pid")).toStdString();
        std::atomic<bool> cancel{false};
        std::thread canceller([&] {
            if (c.cancelAfter == 0ms) return;
            std::this_thread::sleep_for(c.cancelAfter);
            cancel = true;
        });
        const auto started = Clock::now();
        CommandResult r;
        {
            CancelScope scope(&cancel);
            r = run({"sh", "-c", std::string(c.background) + " & echo $! > \"$0\"; " + c.last, pidFile}, "", c.timeout);
        }
        canceller.join();
        EXPECT_LT(Clock::now() - started, c.within);
        EXPECT_EQ(r.ending, c.ending);
        EXPECT_EQ(r.output, c.output);
        const pid_t background = pidIn(pidFile);
        ASSERT_GT(background, 0);
        EXPECT_TRUE(goneSoon(background, adopt));
    }
}

TEST(CommandRunner, LargeInputOrOutputNeverHangsTheRun) {
    const std::string input(32u << 20, 'x');
    const auto started = Clock::now();
    for (const auto& argv : {std::vector<std::string>{"true"}, {"sh", "-c", "sleep 0.2; echo done"}, {"head", "-c", "3"}}) {
        SCOPED_TRACE(argv.front());
        const CommandResult r = run(argv, input);
        EXPECT_EQ(r.ending, Ending::exited);
        EXPECT_EQ(r.status, 0);
    }
    // A command that reads everything gets everything.
    EXPECT_EQ(run({"wc", "-c"}, input).output, std::to_string(input.size()) + "\n");
    const CommandResult r = run({"yes"}, "", 10s, 1 << 20);
    EXPECT_EQ(r.ending, Ending::tooMuchOutput);
    EXPECT_LE(r.output.size(), std::size_t{1} << 20);
    EXPECT_LT(Clock::now() - started, 12s);
}

}  // namespace
}  // namespace tavlets
