#pragma once
// Owns the panel window and the model behind it: shows it centred under the pointer, routes keys
// while it is shown, and keeps its size in step with the content.

#include <QElapsedTimer>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include <tavlets/clipboard.hpp>
#include <tavlets/panel_model.hpp>

namespace tavlets {

class ActionWorker;
class FloatingPanel;
class PanelView;

// The screens the panel may go to. Tests substitute fake ones.
struct ScreenArea {
    QRect geometry;   // the whole screen
    QRect available;  // without panels and docks
};

class ScreenSource {
public:
    virtual ~ScreenSource() = default;
    virtual std::vector<ScreenArea> screens() const = 0;  // in the system's order
    virtual std::optional<ScreenArea> primary() const = 0;
    virtual QPoint pointer() const = 0;
};

// The desktop's screens through QGuiApplication.
class DesktopScreens : public ScreenSource {
public:
    std::vector<ScreenArea> screens() const override;
    std::optional<ScreenArea> primary() const override;
    QPoint pointer() const override;
};

// The area used when there is no screen at all.
inline constexpr QRect kFallbackArea{0, 0, 1440, 900};

// The available area of the first screen containing the pointer, else of the primary screen,
// else the fallback area.
QRect panelArea(const ScreenSource& screens);

// Top-left corner that centres a window of `size` in `area`, on whole pixels, halves rounded away
// from zero.
QPoint centredTopLeft(const QRect& area, const QSize& size);

// The space kept free between the panel and every edge of the screen, where the screen allows.
inline constexpr int kScreenMargin = 16;

// The largest panel `area` holds with the margins free on every side.
QSize panelLimits(const QRect& area);

// The frame of `size` with its left edge at `left`, centred on the height `middle`, moved the
// least distance that keeps the margins free, or only inside `area` along an axis too short for
// them.
QRect placedAround(const QRect& area, int left, double middle, const QSize& size);


class PanelController : public QObject {
    Q_OBJECT
public:
    explicit PanelController(std::shared_ptr<Clipboard> clipboard, QObject* parent = nullptr);
    // With screens of the caller's choosing (tests). No default parent, so that
    // PanelController(clipboard, nullptr) stays unambiguous.
    PanelController(std::shared_ptr<Clipboard> clipboard, std::unique_ptr<ScreenSource> screens,
                    QObject* parent);
    ~PanelController() override;

    PanelModel& model();
    // Read the clipboard, size, centre under the pointer, show with focus. A clipboard that takes
    // its time is waited for briefly, then the panel shows its reading state until the text comes.
    void show();
    void hide();
    void toggle();  // hide when visible (or about to show), else show
    // The shortcut the empty state tells the user to press; empty when none works.
    void setShortcutText(const QString& shortcut);
    bool isVisible() const;
    // Shown, or waiting a moment for the clipboard before showing.
    bool isOpening() const;

    // How long show waits for the clipboard before it shows the reading state.
    static constexpr int kFirstAnswerWaitMs = 100;

    // The window, once built (nullptr before the first show). For tests and screenshots.
    FloatingPanel* window() const;
    PanelView* view() const;
    // Whether the key filter is currently installed.
    bool keyHandlerInstalled() const;
    ActionWorker& worker() const { return *worker_; }

    // How long a run may take before the panel says it is working.
    static constexpr int kBusyDelayMs = 150;
    // How long Return waits for a result before the panel goes back to answering keys.
    static constexpr int kRunInPlaceMs = 40;
    // How long after hiding the freed memory goes back to the system.
    static constexpr int kMemoryReleaseDelayMs = 100;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    // Measures, places and shows the window with focus.
    void present();
    void readingChanged();
    void focusChanged();
    // Where the compositor, not the app, places windows and hands the clipboard to the focused
    // window only (Wayland).
    static bool nativeWayland();
    void installKeyHandler();
    void removeKeyHandler();
    void scheduleRemeasure();
    void remeasure();
    // The size the content asks for within the room the screen area leaves.
    QSize measure();
    void scheduleBusyUpdate();
    void updateBusy();
    void stopBusy();
    void scheduleMemoryRelease();
    // Puts the panel back where it was placed when something else moved it.
    void keepPlaced();

    std::shared_ptr<Clipboard> clipboard_;
    std::unique_ptr<ScreenSource> screens_;
    PanelModel model_;
    PanelModel::ObserverId observerId_ = 0;
    FloatingPanel* window_ = nullptr;
    PanelView* view_ = nullptr;
    bool keyHandlerInstalled_ = false;
    QString shortcutText_ = QStringLiteral("Alt+Space");
    bool hiding_ = false;
    std::unique_ptr<ActionWorker> worker_;
    QTimer* busyDelay_ = nullptr;  // before the busy box shows
    QTimer* busyTick_ = nullptr;   // counts the seconds in it
    QElapsedTimer busyClock_;
    QTimer* memoryRelease_ = nullptr;
    bool busyUpdateQueued_ = false;
    bool runChanged_ = false;
    // Where the compositor places the window: its height when it was first shown.
    int mappedHeight_ = 0;
    // The panel's left edge, and the screen area it was placed in, fixed by show. It grows and
    // shrinks around the area's middle, so a result never pushes it against one edge while the
    // other has room.
    int left_ = 0;
    QRect area_ = kFallbackArea;
    // The frame last set, and how often a move away from it was undone since show.
    QRect placed_;
    int corrections_ = 0;
    static constexpr int kMaxCorrections = 3;
    // show is waiting for a quick answer before it presents the window.
    bool presentPending_ = false;
    QTimer presentTimer_;
    // The load that waits for the window's keyboard focus before it reads.
    std::optional<std::uint64_t> focusLoad_;
};

}  // namespace tavlets
