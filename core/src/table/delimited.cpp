#include <tavlets/delimited.hpp>

#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include <tavlets/cancel.hpp>
#include <tavlets/json.hpp>
#include <tavlets/text.hpp>

#include "text/byte_scan.hpp"
#include "table/delimited_scan.hpp"

namespace tavlets {

namespace {

struct TableBuilder {
    Delimited::Rows rows;
    Delimited::Row row;
    std::string cell;

    bool cellEmpty() const { return cell.empty(); }
    bool rowHasCells() const { return !row.empty(); }
    void append(std::string_view bytes) { cell.append(bytes); }
    void endCell() {
        row.push_back(std::move(cell));
        cell.clear();
    }
    bool endRow() {
        endCell();
        // An empty line, or one holding only an empty quoted cell, is no row.
        if (row.size() == 1 && row.front().empty()) {
            row.clear();
        } else {
            rows.push_back(std::move(row));
            row = {};
        }
        return (++lines & 1023) != 0 || !cancelRequested();
    }
    std::size_t lines = 0;
};

// Counts cells without building them and stops at the first row that breaks regularity.
struct RegularityCounter {
    std::size_t cells = 0;  // finished cells of the current row
    bool cellHasText = false;
    std::size_t rows = 0;
    std::size_t width = 0;
    bool regular = true;

    bool cellEmpty() const { return !cellHasText; }
    bool rowHasCells() const { return cells > 0; }
    void append(std::string_view bytes) { cellHasText = cellHasText || !bytes.empty(); }
    void endCell() {
        ++cells;
        cellHasText = false;
    }
    bool endRow() {
        const bool blank = cells == 0 && !cellHasText;
        endCell();
        const std::size_t count = cells;
        cells = 0;
        if (blank) return true;
        if (++rows == 1) {
            width = count;
            regular = width >= 2;
        } else {
            regular = count == width;
        }
        return regular;
    }
    bool isTable() const { return regular && rows >= 2; }
};

bool hasNewline(std::string_view s) {
    std::size_t width = 0;
    return scan::findNewline(s, 0, width) < s.size();
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The whole of t is a JSON number: optional minus, no leading zeros, optional fraction, optional
// exponent. ASCII digits only: other scripts' digits would make the output invalid JSON.
bool isJSONNumber(std::string_view t) {
    std::size_t i = 0;
    const std::size_t n = t.size();
    if (i < n && t[i] == '-') ++i;
    if (i >= n || !isDigit(t[i])) return false;
    if (t[i] == '0') {
        ++i;
    } else {
        while (i < n && isDigit(t[i])) ++i;
    }
    if (i < n && t[i] == '.') {
        ++i;
        if (i >= n || !isDigit(t[i])) return false;
        while (i < n && isDigit(t[i])) ++i;
    }
    if (i < n && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < n && (t[i] == '+' || t[i] == '-')) ++i;
        if (i >= n || !isDigit(t[i])) return false;
        while (i < n && isDigit(t[i])) ++i;
    }
    return i == n;
}

// One cell as it stands on one line of a Markdown table: line breaks as spaces, "|" escaped,
// trimmed, ill-formed bytes as U+FFFD (it is new text). A slice of the cell when nothing needs
// changing, which is nearly always; otherwise built in `scratch`.
std::string_view markdownCell(std::string_view cell, std::string& scratch) {
    bool plain = true;
    for (const char c : cell) {
        if (c == '\n' || c == '\r' || c == '|') {
            plain = false;
            break;
        }
    }
    std::string_view out;
    if (plain) {
        out = text::trim(cell, text::CharClass::whitespace);
    } else {
        std::string built;
        built.reserve(cell.size() + 8);
        for (char c : cell) {
            if (c == '\n') {
                built += ' ';
            } else if (c == '\r') {
                // dropped, so a CR LF break also becomes a single space
            } else if (c == '|') {
                built += "\\|";
            } else {
                built += c;
            }
        }
        scratch = std::string(text::trim(built, text::CharClass::whitespace));
        out = scratch;
    }
    if (!text::isValidUTF8(out)) {
        std::string valid = text::toValidUTF8(out);
        scratch = std::move(valid);
        out = scratch;
    }
    return out;
}

}  // namespace

std::optional<char> Delimited::detect(std::string_view text) {
    if (!hasNewline(text)) return std::nullopt;
    for (char candidate : {'\t', ',', ';'}) {
        if (std::memchr(text.data(), candidate, text.size()) == nullptr) continue;
        RegularityCounter counter;
        table::scanDelimited(text, candidate, counter);
        if (counter.isTable()) return candidate;
    }
    return std::nullopt;
}

Delimited::Rows Delimited::parse(std::string_view text, char delimiter) {
    TableBuilder builder;
    table::scanDelimited(text, delimiter, builder);
    return std::move(builder.rows);
}

std::string Delimited::markdown(const Rows& rows) {
    std::size_t width = 0;
    for (const Row& row : rows) width = std::max(width, row.size());
    if (width == 0) return {};

    // Measured first, then written straight into an output of the right size: a string per cell
    // would cost an allocation each on tables of millions of cells.
    std::vector<std::size_t> cellWidth(rows.size() * width, 0);
    std::vector<std::size_t> columnWidth(width, 3);
    std::size_t bytes = 0;
    std::string scratch;
    std::size_t cells = 0;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const Row& row = rows[r];
        if ((cells += row.size() + 1) >= 4096) {
            if (cancelRequested()) return {};
            cells = 0;
        }
        for (std::size_t i = 0; i < row.size(); ++i) {
            const std::string_view cell = markdownCell(row[i], scratch);
            const std::size_t w = text::characterCount(cell);
            cellWidth[r * width + i] = w;
            columnWidth[i] = std::max(columnWidth[i], w);
            bytes += cell.size();
        }
    }

    std::string out;
    std::size_t lineWidth = 4;
    for (std::size_t w : columnWidth) lineWidth += w + 3;
    out.reserve(bytes + lineWidth * (rows.size() + 1));
    const auto writeLine = [&](std::size_t r) {
        const Row& row = rows[r];
        out += "| ";
        for (std::size_t i = 0; i < width; ++i) {
            if (i > 0) out += " | ";
            if (i < row.size()) out += markdownCell(row[i], scratch);
            out.append(columnWidth[i] - cellWidth[r * width + i], ' ');
        }
        out += " |";
    };
    writeLine(0);
    out += "\n| ";
    for (std::size_t i = 0; i < width; ++i) {
        if (i > 0) out += " | ";
        out.append(columnWidth[i], '-');
    }
    out += " |";
    for (std::size_t r = 1; r < rows.size(); ++r) {
        if ((r & 1023) == 0 && cancelRequested()) return out;
        out += '\n';
        writeLine(r);
    }
    return out;
}

std::string Delimited::json(const Rows& rows) {
    if (rows.empty()) return "[]";

    std::vector<std::string> keys;
    std::unordered_set<std::string> taken;
    // For each key, the suffix number to try next: a name once taken stays taken, so the search
    // for a free suffix resumes where it stopped instead of starting again at 2.
    std::unordered_map<std::string, std::size_t> nextSuffix;
    const Row& header = rows.front();
    keys.reserve(header.size());
    for (std::size_t i = 0; i < header.size(); ++i) {
        // Compared as they will be printed: ill-formed bytes become U+FFFD, so two headers that
        // differ only there are one name.
        std::string key = text::toValidUTF8(text::trim(header[i], text::CharClass::whitespace));
        if (key.empty()) key = "column" + std::to_string(i + 1);
        if (taken.count(key)) {
            std::size_t& n = nextSuffix.try_emplace(key, 2).first->second;
            std::string candidate;
            for (;; ++n) {
                candidate = key + "_" + std::to_string(n);
                if (!taken.count(candidate)) break;
            }
            ++n;
            key = std::move(candidate);
        }
        taken.insert(key);
        keys.push_back(std::move(key));
    }

    std::vector<std::string> quotedKeys;
    quotedKeys.reserve(keys.size());
    for (const std::string& key : keys) quotedKeys.push_back(JSONTools::quote(key));
    const std::string emptyValue = scalar("");

    // Written straight out in the pretty printer's layout (an array of objects, two spaces per
    // level): building a tree of every cell first would hold the table in memory twice more.
    if (rows.size() == 1) return "[]";
    // Sized once for the usual case (cells that need no escapes), so the output is not copied
    // over and over as it grows to several times the table.
    std::size_t keyBytes = 0;
    for (const std::string& key : quotedKeys) keyBytes += key.size() + 12;
    std::size_t estimate = 4;
    for (std::size_t r = 1; r < rows.size(); ++r) {
        estimate += 10 + keyBytes;
        for (std::size_t i = 0; i < rows[r].size() && i < keys.size(); ++i) estimate += rows[r][i].size();
    }
    std::string out;
    out.reserve(estimate);
    out += "[\n";
    for (std::size_t r = 1; r < rows.size(); ++r) {
        if ((r & 1023) == 0 && cancelRequested()) break;
        const Row& row = rows[r];
        if (r > 1) out += ",\n";
        if (keys.empty()) {
            out += "  {}";
            continue;
        }
        out += "  {\n";
        for (std::size_t i = 0; i < keys.size(); ++i) {
            if (i > 0) out += ",\n";
            out += "    ";
            out += quotedKeys[i];
            out += ": ";
            out += i < row.size() ? scalar(row[i]) : emptyValue;
        }
        out += "\n  }";
    }
    out += "\n]";
    return out;
}

std::string Delimited::scalar(std::string_view cell) {
    const std::string_view t = text::trim(cell, text::CharClass::whitespace);
    if (isJSONNumber(t) || t == "true" || t == "false" || t == "null") return std::string(t);
    return JSONTools::quote(cell);
}

}  // namespace tavlets
