#include "commands/command_runner.hpp"

#include <tavlets/cancel.hpp>

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
    CommandRequest request;
    request.argv = std::move(argv);
    request.input = input;
    request.timeout = timeout;
    request.outputLimit = limit;
    return runCommand(request, "/");
}

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tavlets-run-XXXXXX").string();
        path = mkdtemp(pattern.data());
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::filesystem::path path;
};

// Whether a process is gone (or only waits to be reaped by someone else).
bool gone(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    if (!stat) return true;
    std::string line;
    std::getline(stat, line);
    const auto close = line.rfind(')');
    return close != std::string::npos && line.size() > close + 2 && line[close + 2] == 'Z';
}

bool goneSoon(pid_t pid) {
    for (int i = 0; i < 100 && !gone(pid); ++i) std::this_thread::sleep_for(10ms);
    return gone(pid);
}

pid_t pidIn(const std::filesystem::path& file) {
    std::ifstream in(file);
    pid_t pid = 0;
    in >> pid;
    return pid;
}

TEST(CommandRunner, FinishedCommandsGiveTheirOutputStatusAndErrors) {
    const struct {
        std::vector<std::string> argv;
        std::string input;
        Ending ending;
        int status;
        std::string output, errors;
    } cases[] = {
        {{"sort", "-u"}, "pear\napple\npear\n", Ending::exited, 0, "apple\npear\n", ""},
        {{"tr", "a-z", "A-Z"}, "Hello, world", Ending::exited, 0, "HELLO, WORLD", ""},
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
    TempDir home;
    const char* oldHome = std::getenv("HOME");
    const std::string saved = oldHome ? oldHome : "";
    setenv("HOME", home.path.c_str(), 1);
    setenv("TAVLETS_TEST_VALUE", "from the app", 1);
    CommandRequest request;
    request.argv = {"sh", "-c", "pwd; echo \"$TAVLETS_TEST_VALUE\""};
    const CommandResult r = homeCommandRunner()(request);
    if (oldHome) setenv("HOME", saved.c_str(), 1);
    unsetenv("TAVLETS_TEST_VALUE");
    EXPECT_EQ(r.output, std::filesystem::canonical(home.path).string() + "\nfrom the app\n");
}

TEST(CommandRunner, TimeoutKillsTheWholeGroup) {
    TempDir dir;
    const auto started = Clock::now();
    const CommandResult r =
        run({"sh", "-c", "sleep 30 & echo $! > \"$0\"; sleep 30", (dir.path / "pid").string()}, "", 1s);
    EXPECT_LT(Clock::now() - started, 5s);
    EXPECT_EQ(r.ending, Ending::timedOut);
    const pid_t background = pidIn(dir.path / "pid");
    ASSERT_GT(background, 0);
    EXPECT_TRUE(goneSoon(background));
}

TEST(CommandRunner, WhatTheCommandLeftRunningDoesNotHoldTheResult) {
    TempDir dir;
    const auto started = Clock::now();
    const CommandResult r = run({"sh", "-c", "sleep 30 & echo $! > \"$0\"; echo done", (dir.path / "pid").string()});
    EXPECT_LT(Clock::now() - started, 3s);
    EXPECT_EQ(r.ending, Ending::exited);
    EXPECT_EQ(r.output, "done\n");
    EXPECT_TRUE(goneSoon(pidIn(dir.path / "pid")));
}

TEST(CommandRunner, OutputBeyondTheLimitStopsTheCommand) {
    const auto started = Clock::now();
    const CommandResult r = run({"yes"}, "", 10s, 1 << 20);
    EXPECT_EQ(r.ending, Ending::tooMuchOutput);
    EXPECT_LT(Clock::now() - started, 5s);
    EXPECT_LE(r.output.size(), std::size_t{1} << 20);
}

TEST(CommandRunner, ACommandThatDoesNotReadALargeInputDoesNotHang) {
    const std::string input(32u << 20, 'x');
    const auto started = Clock::now();
    for (const auto& argv : {std::vector<std::string>{"true"}, {"sh", "-c", "sleep 0.2; echo done"},
                             {"head", "-c", "3"}}) {
        SCOPED_TRACE(argv.front());
        const CommandResult r = run(argv, input);
        EXPECT_EQ(r.ending, Ending::exited);
        EXPECT_EQ(r.status, 0);
    }
    EXPECT_LT(Clock::now() - started, 8s);
    // A command that reads everything gets everything.
    EXPECT_EQ(run({"wc", "-c"}, input).output, std::to_string(input.size()) + "\n");
}

TEST(CommandRunner, CancellingKillsTheCommandAndWhatItStarted) {
    TempDir dir;
    std::atomic<bool> cancel{false};
    std::thread canceller([&] {
        std::this_thread::sleep_for(300ms);
        cancel = true;
    });
    const auto started = Clock::now();
    CommandResult r;
    {
        CancelScope scope(&cancel);
        r = run({"sh", "-c", "sleep 30 & echo $! > \"$0\"; sleep 30", (dir.path / "pid").string()});
    }
    canceller.join();
    EXPECT_EQ(r.ending, Ending::cancelled);
    EXPECT_LT(Clock::now() - started, 5s);
    const pid_t background = pidIn(dir.path / "pid");
    ASSERT_GT(background, 0);
    EXPECT_TRUE(goneSoon(background));
}

}  // namespace
}  // namespace tavlets
