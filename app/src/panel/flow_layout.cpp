#include "panel/flow_layout.hpp"

#include <QWidget>

#include <cmath>
#include <limits>

namespace tavlets {

FlowLayout::FlowLayout(QWidget* parent, int spacing) : QLayout(parent), spacing_(spacing) {
    setContentsMargins(0, 0, 0, 0);
}

FlowLayout::~FlowLayout() {
    while (QLayoutItem* item = takeAt(0)) delete item;
}

void FlowLayout::addItem(QLayoutItem* item) {
    items_.append(item);
    invalidate();
}

int FlowLayout::count() const {
    return static_cast<int>(items_.size());
}

QLayoutItem* FlowLayout::itemAt(int index) const {
    return index >= 0 && index < items_.size() ? items_.at(index) : nullptr;
}

QLayoutItem* FlowLayout::takeAt(int index) {
    if (index < 0 || index >= items_.size()) return nullptr;
    QLayoutItem* item = items_.takeAt(index);
    invalidate();
    return item;
}

Qt::Orientations FlowLayout::expandingDirections() const {
    return {};
}

bool FlowLayout::hasHeightForWidth() const {
    return true;
}

FlowArrangement FlowLayout::arrangeFor(double contentWidth) const {
    std::vector<Size> sizes;
    sizes.reserve(static_cast<std::size_t>(items_.size()));
    for (const QLayoutItem* item : items_) {
        const QSize hint = item->sizeHint();
        sizes.push_back(Size{static_cast<double>(hint.width()), static_cast<double>(hint.height())});
    }
    const double maxWidth =
        contentWidth < 0 ? std::numeric_limits<double>::infinity() : contentWidth;
    return arrange(spacing_, maxWidth, sizes);
}

int FlowLayout::heightForWidth(int width) const {
    const QMargins m = contentsMargins();
    const int inner = std::max(0, width - m.left() - m.right());
    const FlowArrangement a = arrangeFor(inner);
    return static_cast<int>(std::ceil(a.size.height)) + m.top() + m.bottom();
}

QSize FlowLayout::sizeHint() const {
    const QMargins m = contentsMargins();
    const FlowArrangement a = arrangeFor(-1);
    return QSize(static_cast<int>(std::ceil(a.size.width)) + m.left() + m.right(),
                 static_cast<int>(std::ceil(a.size.height)) + m.top() + m.bottom());
}

QSize FlowLayout::minimumSize() const {
    // The widest item must fit; everything else can wrap.
    QSize size;
    for (const QLayoutItem* item : items_) size = size.expandedTo(item->sizeHint());
    const QMargins m = contentsMargins();
    return size + QSize(m.left() + m.right(), m.top() + m.bottom());
}

void FlowLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    const QRect inner = rect.marginsRemoved(contentsMargins());
    const FlowArrangement a = arrangeFor(inner.width());
    for (qsizetype i = 0; i < items_.size(); ++i) {
        const Rect& f = a.frames[static_cast<std::size_t>(i)];
        items_[i]->setGeometry(QRect(inner.x() + static_cast<int>(f.x),
                                     inner.y() + static_cast<int>(f.y),
                                     static_cast<int>(f.width), static_cast<int>(f.height)));
    }
}

}  // namespace tavlets
