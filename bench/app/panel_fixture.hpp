#pragma once
// Shared by the panel benchmark and the screenshot driver: a clipboard in memory and helpers to
// drive the panel through the event loop.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QObject>

#include <optional>
#include <string>

#include <tavlets/clipboard.hpp>

namespace tavlets::bench {

class MemoryClipboard : public Clipboard {
public:
    std::optional<std::string> readText() override { return text; }
    void writeText(const std::string& written, bool) override { text = written; }
    std::optional<std::string> text;
};

// Notes when the watched widget paints.
class PaintWatch : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted = true;
        return false;
    }
    bool painted = false;
};

// Runs the event loop until `done` holds (or a few seconds pass).
template <typename Done>
void runUntil(Done done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 10000) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

// Delivers whatever is waiting in the event loop.
inline void flush() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// A JSON document of about `bytes` bytes: an array of user records, one per line.
inline std::string largeJson(std::size_t bytes) {
    std::string json = "[\n";
    for (int i = 0; json.size() < bytes; ++i) {
        const std::string n = std::to_string(i);
        json += "  {\"id\": " + n + ", \"name\": \"User " + n + "\", \"email\": \"user" + n +
                "@example.com\", \"tags\": [\"alpha\", \"beta\", \"gamma\"], \"active\": " +
                (i % 3 ? "true" : "false") + ", \"score\": " + std::to_string(i % 997) +
                ".25, \"note\": \"caf\xC3\xA9 \\u00e9 \\\"quoted\\\" text\"},\n";
    }
    json += "  {\"id\": -1}\n]\n";
    return json;
}

}  // namespace tavlets::bench
