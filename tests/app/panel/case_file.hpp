#pragma once
// Test cases kept as data under tests/data/app: a case a line, its fields apart by tabs, '#' at
// the start of a line for a note. In a field \n, \r, \t, \0, \\ and \xHH stand for those bytes.

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace tavlets::testing {

inline std::string unescaped(const std::string& field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\' || i + 1 == field.size()) {
            out += field[i];
            continue;
        }
        const char c = field[++i];
        if (c == 'x') {
            out += static_cast<char>(std::stoi(field.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c == '0' ? '\0' : c;
        }
    }
    return out;
}

inline std::vector<std::vector<std::string>> caseFile(const std::string& name) {
    std::ifstream file(std::string(TAVLETS_TEST_DATA_DIR "/app/") + name);
    std::vector<std::vector<std::string>> cases;
    for (std::string line; std::getline(file, line);) {
        if (line.empty() || line[0] == '#') continue;
        cases.emplace_back();
        std::size_t start = 0;
        for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            cases.back().push_back(unescaped(line.substr(start, tab - start)));
        cases.back().push_back(unescaped(line.substr(start)));
    }
    EXPECT_FALSE(cases.empty()) << "no cases in " << name;
    return cases;
}

}  // namespace tavlets::testing
