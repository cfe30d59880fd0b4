#include "panel/busy_box.hpp"

#include <QLabel>
#include <QPainter>

#include <algorithm>

#include "panel/panel_parts.hpp"

namespace tavlets {

BusyBox::BusyBox(QWidget* parent) : QWidget(parent), label_(new QLabel(this)) {
    label_->setFont(systemFontAt(14));
    label_->setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void BusyBox::setText(const QString& text) {
    label_->setText(text);
    // Screen readers hear the progress too.
    label_->setAccessibleName(text);
}

QString BusyBox::text() const {
    return label_->text();
}

void BusyBox::setColors(const QColor& text, const QColor& fill) {
    setTextColor(label_, text);
    fill_ = fill;
    update();
}

QSize BusyBox::sizeHint() const {
    return QSize(std::max(width(), 100), label_->sizeHint().height() + 2 * kPadding);
}

void BusyBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    fillRoundedBox(painter, *this, fill_, kRadius);
}

void BusyBox::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    label_->setGeometry(kPadding, kPadding, std::max(0, width() - 2 * kPadding),
                        std::max(0, height() - 2 * kPadding));
}

}  // namespace tavlets
