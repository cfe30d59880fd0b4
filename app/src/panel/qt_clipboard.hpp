#pragma once
// The desktop clipboard (not the primary selection), plain text only.

#include <tavlets/clipboard.hpp>

namespace tavlets {

class QtClipboard : public Clipboard {
public:
    std::optional<std::string> readText() override;
    void writeText(const std::string& text) override;
};

}  // namespace tavlets
