#pragma once
// A clipboard in memory, screens of the test's choosing and a panel open on them.

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include <tavlets/cancel.hpp>
#include <tavlets/clipboard.hpp>

#include "running/action_worker.hpp"
#include "panel/floating_panel.hpp"
#include "panel/panel_controller.hpp"
#include "panel/panel_view.hpp"

namespace tavlets::testing {

// Keeps what is written as its text, and a list of every write.
struct MemoryClipboard : Clipboard {
    explicit MemoryClipboard(std::optional<std::string> text) : text(std::move(text)) {}
    std::optional<std::string> readText() override { return text; }
    void writeText(const std::string& written, bool concealed) override {
        writes.push_back(text.emplace(written));
        concealedWrites.push_back(concealed);
    }
    std::vector<bool> concealedWrites;
    std::optional<std::string> text;
    std::vector<std::string> writes;
};

struct FakeScreens : ScreenSource {
    FakeScreens(std::vector<ScreenArea> a, std::optional<ScreenArea> m, QPoint p) : all(std::move(a)), main(m), at(p) {}
    explicit FakeScreens(ScreenArea one) : FakeScreens({one}, one, one.geometry.center()) {}
    std::vector<ScreenArea> screens() const override { return all; }
    std::optional<ScreenArea> primary() const override { return main; }
    QPoint pointer() const override { return at; }
    std::vector<ScreenArea> all;
    std::optional<ScreenArea> main;
    QPoint at;
};

inline const QString kChooseFooter =
    QStringLiteral(u"\u2190 \u2192 choose an action   \u00B7   \u21A9 run   \u00B7   esc close");
inline const ScreenArea kLargeScreen{QRect(0, 0, 1920, 1080), QRect(0, 0, 1920, 1080)};

// Polls the condition, running the event loop, for up to `ms`; the longest the loop was held
// between two turns goes into `longestTurn`.
template <typename Condition>
bool eventually(Condition condition, qint64 ms = 5000, qint64* longestTurn = nullptr) {
    QElapsedTimer clock, turn;
    clock.start();
    turn.start();
    while (!condition()) {
        if (clock.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (longestTurn) *longestTurn = std::max(*longestTurn, turn.restart());
        QThread::msleep(1);
    }
    return true;
}

// Runs the posted tasks, after letting actions running on worker threads finish.
inline void settle() {
    for (int i = 0; i < 5000 && ActionWorker::liveThreadsInProcess() > 0; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        QThread::msleep(1);
    }
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

// A key press, without waiting for what it starts.
inline void send(QWidget& widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent event(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(&widget, &event);
}

// Counts the key presses that get past the panel's key handler.
struct KeyProbe : QObject {
    bool eventFilter(QObject*, QEvent* event) override {
        received += event->type() == QEvent::KeyPress;
        return false;
    }
    int received = 0;
};

// An action that works until it is cancelled; `started` counts its runs and must outlive the panel.
inline Tavlet slowAction(std::atomic<int>& started) {
    return {"test.slow", "Slow", "hourglass", [&started](std::string_view) {
                ++started;
                while (!cancelRequested()) QThread::msleep(1);
                return Outcome{"SLOW", false, false};
            }};
}

struct OpenPanel {
    explicit OpenPanel(std::optional<std::string> text, bool shown = true,
                       std::unique_ptr<ScreenSource> screens = std::make_unique<FakeScreens>(kLargeScreen))
        : clipboard(std::make_shared<MemoryClipboard>(std::move(text))),
          controller(clipboard, std::move(screens), nullptr) {
        if (shown) show();
    }
    PanelModel& model() { return controller.model(); }
    PanelView& view() { return *controller.view(); }
    QRect frame() { return controller.window()->geometry(); }
    void show() { controller.show(); settle(); }
    // Opens the panel offering these actions after the built-in ones.
    void offer(std::vector<Tavlet> extra) {
        model().extraActions = [extra](const Analysis&, std::string_view) { return extra; };
        show();
    }
    // Sends a key press to the focused part of the panel and waits for what it starts; true when
    // the key got past the panel's key handler.
    bool press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        KeyProbe probe;
        view().installEventFilter(&probe);
        send(view(), key, modifiers);
        view().removeEventFilter(&probe);
        EXPECT_TRUE(eventually([&] { return !model().busy(); }));
        settle();
        return probe.received > 0;
    }
    void run(const std::string& id) {
        const auto& actions = model().actions();
        int index = 0;
        while (index < static_cast<int>(actions.size()) && actions[index].id != id) ++index;
        ASSERT_LT(index, static_cast<int>(actions.size())) << id;
        model().choose(index);
        settle();
    }

    std::shared_ptr<MemoryClipboard> clipboard;
    PanelController controller;
};

}  // namespace tavlets::testing
