#include "panel/flow_layout.hpp"

#include <QWidget>

#include <gtest/gtest.h>

#include <vector>

namespace tavlets {
namespace {

class FixedBox : public QWidget {
public:
    explicit FixedBox(QSize size) : size_(size) {}
    QSize sizeHint() const override { return size_; }

private:
    QSize size_;
};

struct Built {
    QWidget host;
    FlowLayout* layout = nullptr;
    std::vector<FixedBox*> boxes;
};

std::unique_ptr<Built> build(const std::vector<QSize>& sizes) {
    auto built = std::make_unique<Built>();
    built->layout = new FlowLayout(&built->host, 8);
    for (QSize size : sizes) {
        auto* box = new FixedBox(size);
        built->layout->addWidget(box);
        built->boxes.push_back(box);
    }
    return built;
}

TEST(FlowLayout, WrapsAtTheWidthLikeWordsInAParagraph) {
    const std::vector<QSize> three(3, QSize(100, 20));
    const struct {
        int width;
        std::vector<QPoint> origins;
        int height;
    } cases[] = {
        {216, {{0, 0}, {108, 0}, {0, 28}}, 48},
        {208, {{0, 0}, {108, 0}, {0, 28}}, 48},
        {207, {{0, 0}, {0, 28}, {0, 56}}, 76},
        {50, {{0, 0}, {0, 28}, {0, 56}}, 76},
        {1000, {{0, 0}, {108, 0}, {216, 0}}, 20},
    };
    for (const auto& c : cases) {
        auto built = build(three);
        EXPECT_EQ(built->layout->heightForWidth(c.width), c.height) << c.width;
        built->layout->setGeometry(QRect(10, 5, c.width, c.height));
        for (std::size_t i = 0; i < three.size(); ++i) {
            EXPECT_EQ(built->boxes[i]->geometry(),
                      QRect(c.origins[i] + QPoint(10, 5), QSize(100, 20)))
                << "width " << c.width << " child " << i;
        }
    }
}

TEST(FlowLayout, LinesAreAsTallAsTheirTallestChildAndKeepTopEdges) {
    auto built = build({QSize(50, 20), QSize(50, 30), QSize(50, 10)});
    built->layout->setGeometry(QRect(0, 0, 110, 100));
    EXPECT_EQ(built->boxes[0]->geometry(), QRect(0, 0, 50, 20));
    EXPECT_EQ(built->boxes[1]->geometry(), QRect(58, 0, 50, 30));
    EXPECT_EQ(built->boxes[2]->geometry(), QRect(0, 38, 50, 10));
    EXPECT_EQ(built->layout->heightForWidth(110), 48);
}

TEST(FlowLayout, SizeHintIsOneLineAndEmptyIsZero) {
    EXPECT_EQ(build({QSize(40, 10), QSize(60, 12)})->layout->sizeHint(), QSize(108, 12));
    EXPECT_EQ(build({})->layout->sizeHint(), QSize(0, 0));
    // A child wider than the layout stands alone and keeps its width.
    auto wide = build({QSize(300, 20)});
    wide->layout->setGeometry(QRect(0, 0, 100, 20));
    EXPECT_EQ(wide->boxes[0]->geometry(), QRect(0, 0, 300, 20));
    EXPECT_EQ(wide->layout->heightForWidth(100), 20);
}

}  // namespace
}  // namespace tavlets
