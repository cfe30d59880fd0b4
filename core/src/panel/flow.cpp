#include <tavlets/flow.hpp>

#include <algorithm>

namespace tavlets {

FlowArrangement arrange(double spacing, double maxWidth, const std::vector<Size>& children) {
    FlowArrangement result;
    result.frames.reserve(children.size());
    double x = 0;
    double y = 0;
    double lineHeight = 0;
    double maxX = 0;
    for (const Size& child : children) {
        // The first child of a line never wraps, so an over-wide child stands alone and sticks out.
        if (x > 0 && x + child.width > maxWidth) {
            y += lineHeight + spacing;
            x = 0;
            lineHeight = 0;
        }
        result.frames.push_back(Rect{x, y, child.width, child.height});
        x += child.width + spacing;
        lineHeight = std::max(lineHeight, child.height);
        maxX = std::max(maxX, x - spacing);
    }
    result.size = Size{maxX, y + lineHeight};
    return result;
}

}  // namespace tavlets
