#pragma once
// The desktop clipboard (not the primary selection), read as plain text.
//
// On X11 the text is read by a worker over its own connection and handed over on the main
// thread, so a hung owner never blocks the panel. Elsewhere (Wayland, tests) QClipboard answers
// at once. Writing always goes through QClipboard, which then serves the text to other apps.

#include <QObject>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <tavlets/clipboard.hpp>

class QMimeData;

namespace tavlets {

class X11ClipboardReader;

// Plain text from a QClipboard's data: the best text format it offers (see chooseTextFormat),
// and whether a password manager marked it as a secret.
ClipboardRead readMimeData(const QMimeData* data);

class QtClipboard : public Clipboard {
public:
    QtClipboard();
    ~QtClipboard() override;

    void requestText(Delivery deliver) override;
    void cancelRead() override;
    std::optional<std::string> readText() override;
    void writeText(const std::string& text, bool concealed) override;

private:
    // Receives the worker's answers on the main thread; answers to it die with it.
    std::unique_ptr<QObject> receiver_;
    std::unique_ptr<X11ClipboardReader> reader_;
    std::uint64_t request_ = 0;
};

}  // namespace tavlets
