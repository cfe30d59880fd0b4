#pragma once
// A clipboard in memory and one screen, for the tests of how the panel fits and reads.

#include <QCoreApplication>
#include <QThread>

#include <optional>
#include <string>
#include <vector>

#include <tavlets/clipboard.hpp>

#include "panel/action_worker.hpp"
#include "panel/panel_controller.hpp"

namespace tavlets::testing {

struct MemoryClipboard : Clipboard {
    explicit MemoryClipboard(std::string text) : text(std::move(text)) {}
    std::optional<std::string> readText() override { return text; }
    void writeText(const std::string& written) override { text = written; }
    std::string text;
};

struct OneScreen : ScreenSource {
    explicit OneScreen(ScreenArea s) : screen(s) {}
    std::vector<ScreenArea> screens() const override { return {screen}; }
    std::optional<ScreenArea> primary() const override { return screen; }
    QPoint pointer() const override { return screen.geometry.center(); }
    ScreenArea screen;
};

// Runs the posted tasks, after letting actions running on worker threads finish.
inline void settle() {
    for (int i = 0; i < 5000 && ActionWorker::liveThreadsInProcess() > 0; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        QThread::msleep(1);
    }
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

}  // namespace tavlets::testing
