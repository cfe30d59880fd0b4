#include "panel/panel_controller.hpp"

#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QScreen>
#include <QWindow>

#include <algorithm>
#include <cmath>

#include "running/action_worker.hpp"
#include "panel/floating_panel.hpp"
#include "running/memory_release.hpp"
#include "panel/panel_view.hpp"

namespace tavlets {

namespace {

ScreenArea areaOf(const QScreen* screen) {
    return ScreenArea{screen->geometry(), screen->availableGeometry()};
}

}  // namespace

std::vector<ScreenArea> DesktopScreens::screens() const {
    std::vector<ScreenArea> result;
    for (const QScreen* screen : QGuiApplication::screens()) result.push_back(areaOf(screen));
    return result;
}

std::optional<ScreenArea> DesktopScreens::primary() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return std::nullopt;
    return areaOf(screen);
}

QPoint DesktopScreens::pointer() const {
    return QCursor::pos();
}

QRect panelArea(const ScreenSource& screens) {
    const QPoint pointer = screens.pointer();
    for (const ScreenArea& screen : screens.screens()) {
        if (screen.geometry.contains(pointer)) return screen.available;
    }
    if (const std::optional<ScreenArea> primary = screens.primary()) return primary->available;
    return kFallbackArea;
}

QPoint centredTopLeft(const QRect& area, const QSize& size) {
    const double midX = area.x() + area.width() / 2.0;
    const double midY = area.y() + area.height() / 2.0;
    // std::round takes halves away from zero.
    return QPoint(static_cast<int>(std::round(midX - size.width() / 2.0)),
                  static_cast<int>(std::round(midY - size.height() / 2.0)));
}

QSize panelLimits(const QRect& area) {
    return QSize(std::max(0, area.width() - 2 * kScreenMargin),
                 std::max(0, area.height() - 2 * kScreenMargin));
}

namespace {

// The start of a span of `length` at `start`, kept the margin inside [from, from + room) when it
// fits with the margins, else just inside.
int keptWithMargin(int start, int length, int from, int room) {
    const int margin = length <= room - 2 * kScreenMargin ? kScreenMargin : 0;
    return std::max(from + margin, std::min(start, from + room - margin - length));
}

double middleOf(const QRect& area) { return area.y() + area.height() / 2.0; }

}  // namespace

QRect placedAround(const QRect& area, int left, double middle, const QSize& size) {
    // std::round takes halves away from zero, as centredTopLeft does.
    const int top = static_cast<int>(std::round(middle - size.height() / 2.0));
    return QRect(QPoint(keptWithMargin(left, size.width(), area.x(), area.width()),
                        keptWithMargin(top, size.height(), area.y(), area.height())),
                 size);
}

PanelController::PanelController(std::shared_ptr<Clipboard> clipboard, QObject* parent)
    : PanelController(std::move(clipboard), std::make_unique<DesktopScreens>(), parent) {}

PanelController::PanelController(std::shared_ptr<Clipboard> clipboard,
                                 std::unique_ptr<ScreenSource> screens, QObject* parent)
    : QObject(parent),
      clipboard_(std::move(clipboard)),
      screens_(screens ? std::move(screens) : std::make_unique<DesktopScreens>()),
      model_(clipboard_) {
    QPointer<PanelController> self(this);
    model_.onClose = [self] {
        if (self) self->hide();
    };
    presentTimer_.setSingleShot(true);
    connect(&presentTimer_, &QTimer::timeout, this, [this] {
        if (!presentPending_) return;
        presentPending_ = false;
        present();
    });

    // Results come back from worker threads as tasks for this object; tasks still queued when
    // it is gone are dropped with it, and the worker is gone before it.
    worker_ = std::make_unique<ActionWorker>([this](std::function<void()> task) {
        QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
    });
    worker_->onIdle = [this] {
        // An abandoned run has just let go of its memory.
        if (!isVisible()) scheduleMemoryRelease();
    };
    model_.runner = [this](PanelModel::Run run) {
        const bool finished = worker_->start(
            std::move(run),
            [this](std::uint64_t ticket, Outcome outcome) { model_.deliver(ticket, std::move(outcome)); },
            std::chrono::milliseconds(kRunInPlaceMs));
        // A quick result lands at once: no flicker of an empty result, and a second Return right
        // behind the first copies it as before.
        if (finished) QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    };

    busyDelay_ = new QTimer(this);
    busyDelay_->setSingleShot(true);
    busyDelay_->setInterval(kBusyDelayMs);
    connect(busyDelay_, &QTimer::timeout, this, [this] {
        if (!model_.busy() || !view_) return;
        view_->setBusy(true, static_cast<int>(busyClock_.elapsed() / 1000));
        busyTick_->start();
        remeasure();
    });
    busyTick_ = new QTimer(this);
    busyTick_->setInterval(250);
    connect(busyTick_, &QTimer::timeout, this, [this] {
        if (!model_.busy() || !view_) {
            stopBusy();
            return;
        }
        view_->setBusy(true, static_cast<int>(busyClock_.elapsed() / 1000));
        remeasure();
    });
    memoryRelease_ = new QTimer(this);
    memoryRelease_->setSingleShot(true);
    memoryRelease_->setInterval(kMemoryReleaseDelayMs);
    connect(memoryRelease_, &QTimer::timeout, this, [] { returnFreedMemory(); });
}

PanelController::~PanelController() {
    model_.runner = nullptr;
    worker_.reset();
    removeKeyHandler();
    if (observerId_ != 0) model_.unobserve(observerId_);
    model_.onClose = [] {};
    if (window_) {
        window_->onResign = [] {};
        delete window_;
    }
}

PanelModel& PanelController::model() {
    return model_;
}

FloatingPanel* PanelController::window() const {
    return window_;
}

PanelView* PanelController::view() const {
    return view_;
}

bool PanelController::keyHandlerInstalled() const {
    return keyHandlerInstalled_;
}

bool PanelController::isVisible() const {
    return window_ && window_->isVisible();
}

void PanelController::build() {
    auto* window = new FloatingPanel(desktopComposites());
    auto* view = new PanelView(model_);
    view->setTranslucentBackground(window->isTranslucent());
    window->setContent(view);

    QPointer<PanelController> self(this);
    window->onResign = [self] {
        if (self) self->hide();
    };
    window_ = window;
    view_ = view;
    view_->setShortcutText(shortcutText_);

    // The model announces a change before it stores the value; the view catches up in a task
    // posted behind it, when the value is in place.
    observerId_ = model_.observe([self](PanelModel::Field field) {
        if (!self) return;
        if (self->view_) self->view_->markChanged(field);
        self->scheduleRemeasure();
        if (field == PanelModel::Field::reading) {
            QMetaObject::invokeMethod(self, [self] { if (self) self->readingChanged(); }, Qt::QueuedConnection);
        }
        if (field == PanelModel::Field::busy) {
            self->runChanged_ = true;
            self->scheduleBusyUpdate();
        }
    });
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this] { focusChanged(); });
}

bool PanelController::nativeWayland() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

void PanelController::show() {
    if (!window_) build();
    if (!window_ || !view_) return;
    presentTimer_.stop();
    presentPending_ = false;
    focusLoad_.reset();

    if (nativeWayland()) {
        // The compositor offers the clipboard to the focused window only: show first, read when
        // the focus is ours.
        focusLoad_ = model_.beginLoad();
        present();
        focusChanged();
        return;
    }
    model_.load();
    if (model_.reading() == PanelModel::Reading::waiting && !window_->isVisible()) {
        // Most apps answer within milliseconds: a moment's wait lets the panel open with its
        // content, centred for its real size, instead of flashing the reading state.
        presentPending_ = true;
        presentTimer_.start(kFirstAnswerWaitMs);
        return;
    }
    present();
}

QSize PanelController::measure() {
    QSize limits = panelLimits(area_);
    if (nativeWayland() && mappedHeight_ > 0) {
        // Compositors that place windows centre a new one (sway, KWin) and keep its top edge as
        // it grows, so it may grow only into the room below where it first showed.
        limits.setHeight(std::min(limits.height(), (area_.height() + mappedHeight_) / 2 - kScreenMargin));
    }
    view_->setLimits(limits.width(), limits.height());
    view_->sync();
    // Content that cannot shrink to the room within the margins takes the margins above and
    // below, and no more than the screen.
    return view_->sizeHint().boundedTo(QSize(limits.width(), area_.height()));
}

void PanelController::present() {
    area_ = panelArea(*screens_);
    const bool mapped = window_->isVisible();
    if (!mapped) mappedHeight_ = 0;
    const QSize size = measure();
    if (nativeWayland()) {
        // The compositor places the window; only its size is ours.
        window_->setFixedFrame(QRect(QPoint(), size), false);
        if (!mapped) mappedHeight_ = size.height();
    } else {
        left_ = centredTopLeft(area_, size).x();
        placed_ = placedAround(area_, left_, middleOf(area_), size);
        corrections_ = 0;
        window_->setFixedFrame(placed_);
    }

    window_->show();
    // The offscreen platform used by tests has no stacking order to change.
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) window_->raise();
    window_->activateWindow();
    view_->setFocus(Qt::ActiveWindowFocusReason);
    installKeyHandler();
}

void PanelController::readingChanged() {
    if (!presentPending_ || model_.reading() == PanelModel::Reading::waiting) return;
    presentTimer_.stop();
    presentPending_ = false;
    present();
}

void PanelController::focusChanged() {
    if (!focusLoad_ || !window_ || !window_->isVisible()) return;
    QWindow* handle = window_->windowHandle();
    if (!handle || QGuiApplication::focusWindow() != handle) return;
    const std::uint64_t load = *focusLoad_;
    focusLoad_.reset();
    // After the focus change has been handled in full, so the clipboard offer is in place.
    QPointer<PanelController> self(this);
    QMetaObject::invokeMethod(
        this, [self, load] { if (self) self->model_.readClipboard(load); }, Qt::QueuedConnection);
}

void PanelController::hide() {
    // A read still on its way is dropped, and a panel about to show stays hidden.
    presentTimer_.stop();
    presentPending_ = false;
    focusLoad_.reset();
    model_.cancelLoad();
    if (hiding_ || !window_ || !window_->isVisible()) return;
    hiding_ = true;
    // The key handler goes first, so a hide re-entered by the window losing activation finds
    // nothing left to do.
    removeKeyHandler();
    window_->hide();
    // Nothing of the clipboard stays behind a hidden panel, and a run still working is abandoned.
    stopBusy();
    model_.release();
    if (view_) view_->releaseDocuments();
    scheduleMemoryRelease();
    hiding_ = false;
}

bool PanelController::isOpening() const {
    return isVisible() || presentPending_;
}

void PanelController::scheduleMemoryRelease() {
    // A moment later, so that the window is off the screen first.
    memoryRelease_->start();
}

void PanelController::scheduleBusyUpdate() {
    if (busyUpdateQueued_) return;
    busyUpdateQueued_ = true;
    QMetaObject::invokeMethod(this, [this] { updateBusy(); }, Qt::QueuedConnection);
}

void PanelController::updateBusy() {
    busyUpdateQueued_ = false;
    if (!runChanged_) return;
    runChanged_ = false;
    if (!model_.busy()) {
        stopBusy();
        return;
    }
    busyClock_.start();
    if (view_ && view_->showsBusy()) {
        // A run replaced one that was already showing as busy: keep the box, count anew.
        view_->setBusy(true, 0);
        remeasure();
        return;
    }
    busyTick_->stop();
    busyDelay_->start();
}

void PanelController::stopBusy() {
    busyDelay_->stop();
    busyTick_->stop();
    if (view_) view_->setBusy(false, 0);
}

void PanelController::toggle() {
    if (isOpening()) {
        hide();
    } else {
        show();
    }
}

void PanelController::setShortcutText(const QString& shortcut) {
    shortcutText_ = shortcut;
    if (view_) {
        view_->setShortcutText(shortcut);
        scheduleRemeasure();
    }
}

void PanelController::scheduleRemeasure() {
    QMetaObject::invokeMethod(this, [this] { remeasure(); }, Qt::QueuedConnection);
}

void PanelController::remeasure() {
    if (!window_ || !view_ || !window_->isVisible()) return;
    const QSize size = measure();
    if (nativeWayland()) {
        window_->setFixedFrame(QRect(QPoint(), size), false);
        return;
    }
    // Around the middle of the area show chose, which also centres a panel first shown in its
    // reading state once the text is in. The left edge is show's too, not the window's current
    // one, which a window manager may not have settled yet.
    placed_ = placedAround(area_, left_, middleOf(area_), size);
    window_->setFixedFrame(placed_);
}

void PanelController::installKeyHandler() {
    if (keyHandlerInstalled_) return;
    qApp->installEventFilter(this);
    keyHandlerInstalled_ = true;
}

void PanelController::removeKeyHandler() {
    if (!keyHandlerInstalled_) return;
    if (qApp) qApp->removeEventFilter(this);
    keyHandlerInstalled_ = false;
}

void PanelController::keepPlaced() {
    if (nativeWayland()) return;  // the compositor's choice
    if (!window_ || !window_->isVisible() || window_->pos() == placed_.topLeft()) return;
    if (corrections_ >= kMaxCorrections) return;  // a window manager that insists has its way
    ++corrections_;
    // Later: the move may be one of the passing positions a window manager reports while it
    // maps the window, already settled by then.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (window_ && window_->isVisible() && window_->pos() != placed_.topLeft()) window_->move(placed_.topLeft());
        },
        Qt::QueuedConnection);
}

bool PanelController::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Move && watched == window_) keepPlaced();
    if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
    if (!window_ || !window_->isVisible()) return false;
    const auto* key = static_cast<const QKeyEvent*>(event);
    // Shortcuts such as Ctrl+C (copy selected result text) belong to the focused widget.
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
    switch (key->key()) {
        case Qt::Key_Left:
        case Qt::Key_Up:
            model_.move(-1);
            return true;
        case Qt::Key_Right:
        case Qt::Key_Down:
            model_.move(+1);
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            model_.confirm();
            return true;
        case Qt::Key_Escape:
            hide();
            return true;
        default:
            return false;
    }
}

}  // namespace tavlets
