#pragma once
// Owns the panel window and the model behind it: shows it centred under the pointer, routes keys
// while it is shown, and keeps its size in step with the content.

#include <QObject>
#include <QPointer>
#include <QRect>

#include <memory>
#include <optional>

#include <tavlets/clipboard.hpp>
#include <tavlets/panel_model.hpp>

namespace tavlets {

class FloatingPanel;
class PanelView;

// Where the panel may go. Tests substitute fake screens.
class ScreenSource {
public:
    virtual ~ScreenSource() = default;
    // The available area of the screen under the pointer, else of the primary screen, else
    // nothing (the caller falls back to a 1440 x 900 area).
    virtual std::optional<QRect> availableArea() const = 0;
};

class PanelController : public QObject {
    Q_OBJECT
public:
    explicit PanelController(std::shared_ptr<Clipboard> clipboard, QObject* parent = nullptr);
    PanelController(std::shared_ptr<Clipboard> clipboard, std::unique_ptr<ScreenSource> screens,
                    QObject* parent = nullptr);
    ~PanelController() override;

    PanelModel& model();
    void show();  // load the clipboard, size, centre under the pointer, show with focus
    void hide();
    void toggle();  // hide when visible, else show
    bool isVisible() const;

    // The window, once built (nullptr before the first show). For tests and screenshots.
    FloatingPanel* window() const;
    PanelView* view() const;
    // Whether the key filter is currently installed.
    bool keyHandlerInstalled() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void installKeyHandler();
    void removeKeyHandler();
    void scheduleRemeasure();
    void remeasure();
    void placeCentred();

    std::shared_ptr<Clipboard> clipboard_;
    std::unique_ptr<ScreenSource> screens_;
    PanelModel model_;
    PanelModel::ObserverId observerId_ = 0;
    FloatingPanel* window_ = nullptr;
    PanelView* view_ = nullptr;
    bool keyHandlerInstalled_ = false;
    bool remeasureQueued_ = false;
};

}  // namespace tavlets
