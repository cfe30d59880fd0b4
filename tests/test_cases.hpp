#pragma once
// Long tables of cases kept as text in tests/data: one case a line, fields split by tabs, blank
// lines and lines starting with "#" skipped. \n \r \t \0 \\ and \xNN stand for bytes a line can't hold.
// Names are relative to tests/data.

#include <fstream>
#include <string>
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
