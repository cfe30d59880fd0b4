// Reads the CLIPBOARD selection through the app's own reader and writes what it got to stdout
// (the bytes of the chosen format), so a case can check that large contents arrive whole.
//   clipboard_probe        exit 0 with the bytes; 3 when there is no text; 4 when the owner hangs
#include <cstdio>

#include "clipboard/x11_clipboard_reader.hpp"

int main() {
    std::atomic<bool> abort{false};
    const tavlets::SelectionBytes got = tavlets::readClipboardSelection(nullptr, std::chrono::milliseconds(2000), abort);
    if (got.status == tavlets::SelectionBytes::Status::none) return 3;
    if (got.status == tavlets::SelectionBytes::Status::notAnswering) return 4;
    return std::fwrite(got.bytes.data(), 1, got.bytes.size(), stdout) == got.bytes.size() ? 0 : 1;
}
