#include "panel/floating_panel.hpp"

#include <QEvent>
#include <QGuiApplication>
#include <QPainterPath>
#include <QRegion>
#include <QResizeEvent>

#include "panel/x11_compositing.hpp"

namespace tavlets {

bool desktopComposites() {
    // Only a bare X11 server lacks a compositor; Wayland always composites, and the offscreen
    // platform keeps every pixel.
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return true;
    return x11CompositorRunning().value_or(true);
}

FloatingPanel::FloatingPanel(bool translucent)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      translucent_(translucent) {
    setAttribute(Qt::WA_TranslucentBackground, translucent_);
    setAttribute(Qt::WA_NoSystemBackground, translucent_);
    setAttribute(Qt::WA_ShowWithoutActivating, false);
    setAttribute(Qt::WA_X11NetWmWindowTypeUtility, true);
    setFocusPolicy(Qt::StrongFocus);
    setWindowTitle(QStringLiteral("Tavlets"));
    resize(680, 200);
}

void FloatingPanel::setContent(QWidget* content) {
    content_ = content;
    if (!content_) return;
    content_->setParent(this);
    content_->setGeometry(rect());
    setFocusProxy(content_);
}

void FloatingPanel::setFixedFrame(const QRect& frame, bool place) {
    const QSize size = frame.size();
    if (minimumSize() != size || maximumSize() != size) {
        // Free the size first, so that neither old limit clamps the new frame on its way.
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    }
    if (place && geometry() != frame) setGeometry(frame);
    else if (this->size() != size) resize(size);
    setMinimumSize(size);
    setMaximumSize(size);
}

bool FloatingPanel::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::WindowDeactivate) {
        // Copy first: the callback may replace itself.
        const auto callback = onResign;
        if (callback) callback();
    }
    return handled;
}

void FloatingPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (content_) content_->setGeometry(rect());
    updateMask();
}

void FloatingPanel::updateMask() {
    if (translucent_) return;
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), kCornerRadius, kCornerRadius);
    setMask(QRegion(path.toFillPolygon().toPolygon()));
}

}  // namespace tavlets
