#include <tavlets/flow.hpp>

#include <gtest/gtest.h>

#include <limits>

namespace tavlets {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(Flow, Arrange) {
    const std::vector<Size> three(3, Size{100, 20});
    struct Case {
        const char* name;
        double maxWidth;
        std::vector<Size> children;
        std::vector<Rect> frames;
        Size size;
    };
    const std::vector<Case> cases = {
        {"empty", 300, {}, {}, {0, 0}},
        {"too wide alone", 50, {{120, 30}}, {{0, 0, 120, 30}}, {120, 30}},
        {"too wide after others", 150, {{40, 10}, {200, 20}, {40, 10}},
         {{0, 0, 40, 10}, {0, 18, 200, 20}, {0, 46, 40, 10}}, {200, 56}},
        {"two per line", 216, three, {{0, 0, 100, 20}, {108, 0, 100, 20}, {0, 28, 100, 20}}, {208, 48}},
        {"exact fit stays", 208, three, {{0, 0, 100, 20}, {108, 0, 100, 20}, {0, 28, 100, 20}}, {208, 48}},
        {"one short wraps", 207, three, {{0, 0, 100, 20}, {0, 28, 100, 20}, {0, 56, 100, 20}}, {100, 76}},
        {"line height is the tallest", 150, {{60, 20}, {60, 30}, {60, 10}},
         {{0, 0, 60, 20}, {68, 0, 60, 30}, {0, 38, 60, 10}}, {128, 48}},
        {"infinite width", kInf, three, {{0, 0, 100, 20}, {108, 0, 100, 20}, {216, 0, 100, 20}}, {316, 20}},
        {"zero-width children", 10, {{0, 5}, {0, 5}}, {{0, 0, 0, 5}, {8, 0, 0, 5}}, {8, 5}},
    };
    for (const auto& c : cases) {
        const FlowArrangement a = arrange(8, c.maxWidth, c.children);
        EXPECT_EQ(a.frames, c.frames) << c.name;
        EXPECT_EQ(a.size, c.size) << c.name;
    }
}

}  // namespace
}  // namespace tavlets
