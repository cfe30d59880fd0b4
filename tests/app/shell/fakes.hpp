#pragma once
// Test doubles for the shell: a clipboard in memory and a hot key the test presses by hand.

#include "shell/hot_key.hpp"

#include <tavlets/clipboard.hpp>

#include <optional>
#include <string>
#include <vector>

namespace tavlets::test {

class MemoryClipboard : public Clipboard {
public:
    std::optional<std::string> text;
    int reads = 0;
    std::optional<std::string> readText() override {
        ++reads;
        return text;
    }
    void writeText(const std::string& value) override { text = value; }
};

class FakeHotKey : public HotKey {
public:
    explicit FakeHotKey(HotKeyStatus answer = HotKeyStatus::registered) : answer_(answer) {}

    void registerKey(Qt::Key key, Qt::KeyboardModifiers modifiers, Handler handler) override {
        calls.push_back({key, modifiers});
        handler_ = std::move(handler);
        status_ = answer_;
    }
    HotKeyStatus status() const override { return status_; }

    // What a registered backend does on a press: the handler runs later, on the event loop.
    void press() {
        if (status_ == HotKeyStatus::registered && handler_) handler_();
    }

    struct Call {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
    };
    std::vector<Call> calls;

private:
    HotKeyStatus answer_;
    HotKeyStatus status_ = HotKeyStatus::notRegistered;
    Handler handler_;
};

}  // namespace tavlets::test
