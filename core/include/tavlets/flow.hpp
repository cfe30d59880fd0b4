#pragma once
// Line-breaking arrangement of children left to right, like words in a paragraph.

#include <vector>

namespace tavlets {

struct Size {
    double width = 0;
    double height = 0;
    bool operator==(const Size&) const = default;
};

struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
    bool operator==(const Rect&) const = default;
};

struct FlowArrangement {
    std::vector<Rect> frames;  // one per child, relative to the layout's top-left
    Size size;                 // what the whole arrangement needs
};

// `spacing` is the gap between neighbours on a line and between lines. `maxWidth` may be
// infinity. Children keep their ideal sizes; one wider than maxWidth stands alone on its line.
FlowArrangement arrange(double spacing, double maxWidth, const std::vector<Size>& children);

}  // namespace tavlets
