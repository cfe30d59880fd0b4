#pragma once
// Child programs for tests that need a real X server, and an Xvfb of the test's own.

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace tavlets::testing {

// A program started with DISPLAY set and its standard output on a pipe; the first line it writes
// within ten seconds is kept (empty when it writes none).
class Child {
public:
    Child(std::vector<const char*> argv, const std::string& display) {
        int out[2];
        if (pipe(out) != 0) return;
        argv.push_back(nullptr);
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            if (!display.empty()) setenv("DISPLAY", display.c_str(), 1);
            execvp(argv[0], const_cast<char* const*>(argv.data()));
            _exit(127);
        }
        close(out[1]);
        char line[64] = {};
        pollfd readable{out[0], POLLIN, 0};
        if (pid_ > 0 && poll(&readable, 1, 10000) == 1 && read(out[0], line, sizeof line - 1) > 0) firstLine_ = line;
        close(out[0]);
    }
    ~Child() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    const std::string& firstLine() const { return firstLine_; }

private:
    pid_t pid_ = -1;
    std::string firstLine_;
};

// Xvfb picks a free display and writes its number once it takes clients (fd 1 is the pipe);
// `display` stays empty when there is no Xvfb.
struct Xvfb {
    Child server{{"Xvfb", "-displayfd", "1", "-nolisten", "tcp", "-noreset"}, ""};
    std::string display = server.firstLine().empty() ? std::string() : std::to_string(std::atoi(server.firstLine().c_str())).insert(0, 1, ':');
};

}  // namespace tavlets::testing
