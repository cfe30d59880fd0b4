// Hostile clipboards through the whole panel, at full size: each case runs in a child process so
// that its peak memory can be read on its own. For every case: load, then every offered action
// through both Returns, checking that what is copied is exactly the result shown.
//
//   hostile_clipboard            every case, one line each: time to load, the slowest action,
//                                all actions, and the peak resident memory
//   hostile_clipboard NAME [MB]  one case, with the time of each action, optionally at another size

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <tavlets/panel_model.hpp>
#include <tavlets/text.hpp>

namespace {

using namespace tavlets;
using Clock = std::chrono::steady_clock;

struct FakeClipboard : Clipboard {
    std::optional<std::string> content;
    std::vector<std::string> writes;
    std::optional<std::string> readText() override { return content; }
    void writeText(const std::string& text, bool) override { writes.push_back(text); }
};

std::string repeatTo(std::string_view piece, std::size_t bytes) {
    std::string out;
    out.reserve(bytes + piece.size());
    while (out.size() < bytes) out += piece;
    return out;
}

std::string logs(std::size_t bytes) {
    std::string out;
    out.reserve(bytes + 256);
    const char* levels[] = {"INFO", "WARN", "DEBUG", "ERROR"};
    for (unsigned i = 0; out.size() < bytes; ++i) {
        char line[256];
        std::snprintf(line, sizeof line,
                      "2026-12-06T07:%02u:%02u.%03uZ %s [worker-%u] Request %u to /api/v1/items?id=%u completed "
                      "in %u ms (status=%u, user=alice@example.com). Retry later if needed.\n",
                      (i / 60) % 60, i % 60, i % 1000, levels[i % 4], i % 8, i, i * 7 % 1000, i % 500,
                      i % 9 ? 200 : 503);
        out += line;
    }
    return out;
}

std::string csvLines(std::size_t rows) {
    std::string out = "id,name,email,amount,active,note,city,date\n";
    for (std::size_t r = 0; r < rows; ++r) {
        out += std::to_string(r) + ",Name " + std::to_string(r) + ",user" + std::to_string(r) +
               "@example.com," + std::to_string(r % 1000) + "." + std::to_string(r % 100) + "," +
               (r % 2 ? "true" : "false") + ",\"said \"\"hi\"\", then left, quickly\",Z\u00fcrich,2026-12-06\n";
    }
    return out;
}

std::string wideCSV(std::size_t columns, std::size_t rows) {
    std::string out;
    for (std::size_t r = 0; r < rows; ++r) {
        for (std::size_t c = 0; c < columns; ++c) {
            if (c > 0) out += ',';
            out += r == 0 ? "col" : std::to_string(r * c);
        }
        out += '\n';
    }
    return out;
}

std::string minifiedJSON(std::size_t bytes) {
    std::string out = "[";
    for (unsigned i = 0; out.size() < bytes; ++i) {
        if (i > 0) out += ',';
        out += "{\"id\":" + std::to_string(i) + ",\"name\":\"item \\u00e9 " + std::to_string(i) +
               "\",\"tags\":[\"a\",\"b\"],\"price\":-0.50E+3,\"ok\":true,\"none\":null}";
    }
    return out + "]";
}

struct Case {
    const char* name;
    std::size_t bytes;  // the full size; one case can be run smaller to see how time grows
    std::function<std::string(std::size_t)> make;
};

const std::vector<Case>& cases() {
    static const std::vector<Case> list = {
        {"logs-50MB", 50u << 20, [](std::size_t bytes) { return logs(bytes); }},
        {"line-10MB-words", 10u << 20, [](std::size_t bytes) { return repeatTo("lorem ipsum dolor sit amet consectetur ", bytes); }},
        {"line-10MB-json", 10u << 20, [](std::size_t bytes) { return minifiedJSON(bytes); }},
        {"csv-100k-lines", 10u << 20, [](std::size_t bytes) { return csvLines(bytes / 100); }},
        {"csv-5000-columns", 6u << 20, [](std::size_t bytes) { return wideCSV(5000, bytes / 30000); }},
        {"brackets-1MB", 1u << 20, [](std::size_t bytes) { return std::string(bytes, '['); }},
        {"brackets-1MB-closed", 1u << 20, [](std::size_t bytes) { return std::string(bytes, '[') + "]"; }},
        {"object-keys-1MB", 1u << 20, [](std::size_t bytes) { return repeatTo("{\"a\":", bytes); }},
        {"nul-bytes-10MB", 10u << 20, [](std::size_t bytes) { return repeatTo(std::string_view("a\0b, c\0\n", 8), bytes); }},
        {"invalid-utf8-10MB", 10u << 20, [](std::size_t bytes) { return repeatTo("ok \xC3 \xE0\x80\xAF \xED\xA0\x80 \xFF. Bob: do it\xC3 by Friday.\n", bytes); }},
        {"rtl-10MB", 10u << 20, [](std::size_t bytes) { return repeatTo("\u05E9\u05DC\u05D5\u05DD \u05E2\u05D5\u05DC\u05DD. \u200F\u0645\u0631\u062D\u0628\u0627! \u202Eevil\u202C ok? ", bytes); }},
        {"combining-10MB", 10u << 20, [](std::size_t bytes) { return repeatTo("e\u0301\u0323 o\u0308\u0304. a\u0301\u0301\u0301\u0301\u0301 ", bytes); }},
        {"one-character-1MB", 1u << 20, [](std::size_t bytes) {
             std::string text = "a";
             text += repeatTo("\u0301", bytes);
             return text;
         }},
        {"zwj-emoji-10MB", 10u << 20, [](std::size_t bytes) { return repeatTo("\U0001F468\u200D\U0001F469\u200D\U0001F467\u200D\U0001F466\U0001F1EB\U0001F1F7\U0001F44D\U0001F3FD ", bytes); }},
    };
    return list;
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Runs one case in this process. Returns the number of broken expectations.
int runCase(const Case& c, std::size_t bytes, bool verbose) {
    const std::string text = c.make(bytes);
    auto clipboard = std::make_shared<FakeClipboard>();
    clipboard->content = text;
    PanelModel model(clipboard);
    int closes = 0;
    model.onClose = [&closes] { ++closes; };

    const auto loadStart = Clock::now();
    model.load();
    const double load = secondsSince(loadStart);
    int problems = 0;
    const auto expect = [&problems, &c](bool ok, const std::string& what) {
        if (!ok) {
            ++problems;
            std::fprintf(stderr, "%s: %s\n", c.name, what.c_str());
        }
    };
    expect(model.text() == text, "the loaded text differs from the clipboard");
    if (verbose) {
        std::printf("%s: %.1f MB, %s, load %.3f s\n", c.name, text.size() / 1048576.0,
                    model.analysis().label().c_str(), load);
    }

    double slowest = 0;
    double total = 0;
    std::string slowestId;
    const std::size_t count = model.actions().size();
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) model.move(+1);  // clears the result that was copied
        const std::string id = model.actions()[i].id;
        clipboard->writes.clear();
        closes = 0;

        const auto start = Clock::now();
        model.confirm();
        const double seconds = secondsSince(start);
        total += seconds;
        if (seconds > slowest) {
            slowest = seconds;
            slowestId = id;
        }
        if (!model.outcome()) {
            expect(false, id + ": no result after Return");
            continue;
        }
        const Outcome shown = *model.outcome();
        if (text::isValidUTF8(text)) expect(text::isValidUTF8(shown.text), id + ": result is not valid UTF-8");
        model.confirm();
        if (shown.isError) {
            expect(clipboard->writes.empty() && closes == 0, id + ": an error result was copied");
        } else {
            expect(clipboard->writes.size() == 1 && clipboard->writes[0] == shown.text && closes == 1,
                   id + ": the copy is not exactly the result");
        }
        expect(model.text() == text, id + ": the text changed");
        if (verbose) {
            std::printf("  %-14s %8.3f s  %s%zu bytes\n", id.c_str(), seconds, shown.isError ? "error, " : "",
                        shown.text.size());
        }
    }
    if (!verbose) {
        std::printf("%-20s %7.1f MB  %-18s load %6.3f s  %2zu actions %7.3f s  slowest %-13s %6.3f s", c.name,
                    text.size() / 1048576.0, model.analysis().label().c_str(), load, count, total,
                    slowestId.c_str(), slowest);
    }
    return problems;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) {
        for (const Case& c : cases()) {
            if (std::string_view(argv[1]) != c.name) continue;
            const std::size_t bytes = argc > 2 ? static_cast<std::size_t>(std::atof(argv[2]) * 1048576) : c.bytes;
            return runCase(c, bytes, true) == 0 ? 0 : 1;
        }
        std::fprintf(stderr, "unknown case %s\n", argv[1]);
        return 2;
    }

    int failures = 0;
    for (const Case& c : cases()) {
        std::fflush(stdout);
        const pid_t child = fork();
        if (child == 0) {
            const int problems = runCase(c, c.bytes, false);
            std::fflush(stdout);
            std::_Exit(problems == 0 ? 0 : 1);
        }
        int status = 0;
        rusage usage{};
        wait4(child, &status, 0, &usage);
        const bool ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (!ok) ++failures;
        std::printf("  peak %6.0f MB%s\n", usage.ru_maxrss / 1024.0, ok ? "" : "  FAILED");
    }
    return failures == 0 ? 0 : 1;
}
