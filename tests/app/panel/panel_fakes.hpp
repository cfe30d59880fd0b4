#pragma once
// Stand-ins for the desktop: a clipboard in memory and screens placed at will.

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QObject>

#include <optional>
#include <string>
#include <vector>

#include <tavlets/clipboard.hpp>

#include "panel/panel_controller.hpp"

namespace tavlets::testing {

class FakeClipboard : public Clipboard {
public:
    explicit FakeClipboard(std::optional<std::string> text = std::nullopt)
        : text(std::move(text)) {}
    std::optional<std::string> readText() override { return text; }
    void writeText(const std::string& written) override {
        text = written;
        writes.push_back(written);
    }

    std::optional<std::string> text;
    std::vector<std::string> writes;
};

class FakeScreens : public ScreenSource {
public:
    std::vector<ScreenArea> screens() const override { return all; }
    std::optional<ScreenArea> primary() const override { return main; }
    QPoint pointer() const override { return at; }

    std::vector<ScreenArea> all;
    std::optional<ScreenArea> main;
    QPoint at;
};

// Records the key presses that reach the object it watches.
class KeyProbe : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) ++received;
        return false;
    }
    int received = 0;
};

// Runs the tasks posted to the event loop (the re-measure after a model change).
inline void settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

}  // namespace tavlets::testing
