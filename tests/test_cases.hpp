#pragma once
// Long tables of cases kept as text in tests/data: one case a line, fields split by tabs, blank
// lines and lines starting with "#" skipped. \n \r \t \0 \\ and \xNN stand for bytes a line can't hold.
// Names are relative to tests/data.

#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

using CaseRows = std::vector<std::vector<std::string>>;

inline CaseRows readCases(const std::string& name) {
    std::ifstream in(std::string(TAVLETS_TEST_DATA_DIR) + "/" + name, std::ios::binary);
    CaseRows rows;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> row(1);
        for (std::size_t i = 0; i < line.size(); ++i) {
            char c = line[i];
            if (c == '\t') {
                row.emplace_back();
                continue;
            }
            if (c == '\\' && i + 1 < line.size()) {
                const char e = line[++i];
                c = e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e == '0' ? '\0' : e;
                if (e == 'x') c = static_cast<char>(std::stoi(line.substr(i + 1, 2), nullptr, 16)), i += 2;
            }
            row.back() += c;
        }
        rows.push_back(std::move(row));
    }
    EXPECT_FALSE(rows.empty()) << "no cases in " << name;
    return rows;
}

// Tables of function, input and expected result, for functions of one string. Lists are written
// joined with "|", and <none> stands for no result or an empty list.
using StringFunctions = std::map<std::string, std::function<std::string(const std::string&)>>;

inline std::string joined(const std::vector<std::string>& parts) {
    std::string out = parts.empty() ? "<none>" : parts[0];
    for (std::size_t i = 1; i < parts.size(); ++i) out += "|" + parts[i];
    return out;
}

inline void checkFunctions(const std::string& name, const StringFunctions& functions) {
    for (const auto& row : readCases(name)) {
        const auto function = functions.find(row.at(0));
        ASSERT_NE(function, functions.end()) << "no function " << row[0];
        EXPECT_EQ(function->second(row.at(1)), row.at(2)) << row[0] << " on " << testing::PrintToString(row[1]);
    }
}

// Large inputs: `piece` written `times` times.
inline std::string repeated(std::string_view piece, std::size_t times) {
    std::string out;
    out.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i) out += piece;
    return out;
}
