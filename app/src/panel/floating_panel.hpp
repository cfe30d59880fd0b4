#pragma once
// The panel's window: frameless, above other windows, no taskbar entry, able to take keyboard
// focus, and reporting when it loses activation. Translucent with rounded corners where a
// compositor runs; elsewhere opaque and shaped by a window mask, so no black corners show.

#include <QWidget>

#include <functional>

namespace tavlets {

// Whether the desktop composites windows (so translucent pixels show what lies behind).
bool desktopComposites();

class FloatingPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int kCornerRadius = 18;

    explicit FloatingPanel(bool translucent);

    // Called after the window lost activation (the user clicked elsewhere).
    std::function<void()> onResign = [] {};

    bool isTranslucent() const { return translucent_; }
    // The one child that fills the window.
    void setContent(QWidget* content);
    QWidget* content() const { return content_; }
    // Sets the frame (or, where the compositor places windows, only the size) and fixes the size
    // there: tiling window managers float a window whose least and greatest sizes agree instead
    // of tiling it beside the others.
    void setFixedFrame(const QRect& frame, bool place = true);

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateMask();

    bool translucent_;
    QWidget* content_ = nullptr;
};

}  // namespace tavlets
