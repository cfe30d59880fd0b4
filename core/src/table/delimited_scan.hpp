#pragma once
// The one pass that splits delimited text into rows and cells. Building the table and merely
// counting its cells (for detection) share it, so both always see the same cells.
//
// The pass walks bytes: quotes, the delimiter and line ends are ASCII, and an ASCII byte is a
// character of its own unless a non-ASCII neighbour joins it (a quote followed by a combining
// mark is an ordinary character). Runs of ordinary bytes are handed over in one piece.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "text/byte_scan.hpp"
#include "text/grapheme_glue.hpp"

namespace tavlets::table {

// A Sink receives the cells:
//   bool cellEmpty() const;                       nothing appended to the current cell yet
//   void append(std::string_view bytes);          ordinary text for the current cell
//   void endCell();                               the cell is complete, start an empty one
//   bool rowHasCells() const;                     the current row holds finished cells
//   bool endRow();                                the current cell ends the row; false stops
template <class Sink>
void scanDelimited(std::string_view s, char delimiter, Sink& sink) {
    const auto delim = static_cast<unsigned char>(delimiter);
    // A delimiter byte outside ASCII is never a whole character, so it never splits.
    const bool delimUsable = delim < 0x80;
    std::array<bool, 256> special{};
    special['"'] = special['\r'] = special['\n'] = true;
    if (delimUsable) special[delim] = true;

    grapheme::Glue glue;
    const std::size_t n = s.size();
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    // Whether the structural byte at i is a character of its own.
    const auto alone = [&](std::size_t i) {
        return grapheme::isAsciiControl(byte(i)) || glue.standsAlone(s, i);
    };

    bool inQuotes = false;
    std::size_t pending = 0;  // start of ordinary text not yet handed to the sink
    std::size_t i = 0;
    const auto flush = [&](std::size_t end) {
        if (end > pending) sink.append(s.substr(pending, end - pending));
    };

    while (true) {
        i = scan::find(
            s, i,
            [delim](std::uint64_t v) {
                return scan::hasByte(v, '"') | scan::hasByte(v, delim) | scan::hasByte(v, '\r') |
                       scan::hasByte(v, '\n');
            },
            [&special](unsigned char b) { return special[b]; });
        if (i >= n) break;
        const unsigned char c = byte(i);
        if ((inQuotes && c != '"') || !alone(i)) {
            ++i;  // inside quotes only quotes matter; a joined byte is ordinary text
            continue;
        }
        if (inQuotes) {
            if (i + 1 < n && byte(i + 1) == '"' && alone(i + 1)) {
                flush(i + 1);  // keeps one of the two quotes
                i += 2;
                pending = i;
                continue;
            }
            flush(i);
            inQuotes = false;
            pending = ++i;
            continue;
        }
        if (c == '"' && pending == i && sink.cellEmpty()) {
            inQuotes = true;
            pending = ++i;
            continue;
        }
        if (delimUsable && c == delim) {
            flush(i);
            sink.endCell();
            pending = ++i;
            continue;
        }
        if (c == '\r' || c == '\n') {
            flush(i);
            i += (c == '\r' && i + 1 < n && byte(i + 1) == '\n') ? 2 : 1;
            pending = i;
            if (!sink.endRow()) return;
            continue;
        }
        ++i;  // a quote inside a cell that already has text
    }
    flush(n);
    // The last line needs no line break, and a trailing line break adds no row.
    if (!sink.cellEmpty() || sink.rowHasCells()) sink.endRow();
}

}  // namespace tavlets::table
