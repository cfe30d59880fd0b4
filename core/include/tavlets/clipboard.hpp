#pragma once
// The system clipboard as the panel needs it. The app implements it on the desktop's clipboard;
// tests use a fake.

#include <optional>
#include <string>

namespace tavlets {

class Clipboard {
public:
    virtual ~Clipboard() = default;
    // The plain text on the clipboard, or nullopt when there is none (empty or non-text content).
    virtual std::optional<std::string> readText() = 0;
    // Replaces the whole contents with the given plain text.
    virtual void writeText(const std::string& text) = 0;
};

}  // namespace tavlets
