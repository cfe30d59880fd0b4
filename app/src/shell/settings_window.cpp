#include "shell/settings_window.hpp"

#include "shell/autostart.hpp"
#include "shell/shell_symbols.hpp"
#include "shell/shortcut_recorder.hpp"
#include "shell/user_actions_list.hpp"

#include <QCheckBox>
#include <QCoreApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>

namespace tavlets {
namespace {

QColor secondaryColor(const QPalette& palette) {
    QColor color = palette.color(QPalette::WindowText);
    color.setAlphaF(0.55f);
    return color;
}

}  // namespace

QString SettingsWindow::methodText() {
    return QStringLiteral(
        "The actions are built-in rules, not a language model. Detection, formatting, the TL;DR and the "
        "action-item list all come from fixed rules plus on-device sentence tokenizing and pattern matching. "
        "They pick and tidy up your own words and never write new text, so they can miss things or choose an "
        "imperfect sentence.");
}

QString SettingsWindow::privacyText() {
    return QStringLiteral(
        "Everything runs on your computer. Your clipboard is only read when you open the panel, and nothing is "
        "sent anywhere.");
}

SettingsWindow::SettingsWindow(const ShortcutState& shortcut, QWidget* parent, std::shared_ptr<UserActionsSource> actions)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setWindowTitle(QStringLiteral("Tavlets Settings"));
    setObjectName(QStringLiteral("settings"));

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(24, 24, 24, 24);
    outer->setSpacing(16);

    auto* titleRow = new QHBoxLayout;
    titleRow->setSpacing(12);
    auto* appSymbol = new QLabel;
    appSymbol->setObjectName(QStringLiteral("appSymbol"));
    appSymbol->setPixmap(shellSymbol(QStringLiteral("paperclip.badge.ellipsis"), 40, palette().color(QPalette::Highlight),
                                     devicePixelRatioF()));
    titleRow->addWidget(appSymbol, 0, Qt::AlignVCenter);

    auto* names = new QVBoxLayout;
    auto* title = new QLabel(QStringLiteral("Tavlets"));
    title->setObjectName(QStringLiteral("title"));
    title->setWordWrap(true);
    QFont titleFont = font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 17.0 / 13.0);
    titleFont.setBold(true);
    title->setFont(titleFont);
    auto* subtitle = new QLabel(QStringLiteral("Smart actions for whatever is on your clipboard"));
    subtitle->setObjectName(QStringLiteral("subtitle"));
    subtitle->setWordWrap(true);
    QPalette subtitlePalette = subtitle->palette();
    subtitlePalette.setColor(QPalette::WindowText, secondaryColor(subtitlePalette));
    subtitle->setPalette(subtitlePalette);
    names->addWidget(title);
    names->addWidget(subtitle);
    titleRow->addLayout(names, 1);
    outer->addLayout(titleRow);
    titleRow_ = titleRow;

    auto* divider = new QFrame;
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    outer->addWidget(divider);
    divider_ = divider;

    // The title stays put; everything under it scrolls when the screen is too short for it.
    scroll_ = new QScrollArea;
    scroll_->setObjectName(QStringLiteral("settingsScroll"));
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    content_ = new QWidget;
    content_->setObjectName(QStringLiteral("settingsContent"));
    auto* column = new QVBoxLayout(content_);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(outer->spacing());
    scroll_->setWidget(content_);
    outer->addWidget(scroll_, 1);

    column->addWidget(labelRow(QStringLiteral("keyboard"), QString(), QStringLiteral("shortcut")));
    status_ = findChild<QLabel*>(QStringLiteral("shortcut"));
    column->addWidget(controlsRow());
    column->addWidget(labelRow(QStringLiteral("gearshape.2"), methodText(), QStringLiteral("method")));
    column->addWidget(labelRow(QStringLiteral("lock.shield"), privacyText(), QStringLiteral("privacy")));
    auto* userActions = new UserActionsList(std::move(actions));
    column->addWidget(userActions);
    connect(userActions, &UserActionsList::contentChanged, this, &SettingsWindow::fitHeight);

    // An old refusal is about the last attempt, not the one starting now.
    connect(recorder_, &ShortcutRecorder::started, this, [this] { setShortcutMessage({}); });
    connect(recorder_, &ShortcutRecorder::cancelled, this, [this] { setShortcutMessage({}); });

    setShortcutState(shortcut);
    fitHeight();
}

QWidget* SettingsWindow::controlsRow() {
    auto* box = new QWidget;
    auto* column = new QVBoxLayout(box);
    // In line with the texts of the label rows, past their icons.
    column->setContentsMargins(fontMetrics().height() + 8, 0, 0, 0);
    column->setSpacing(8);

    shortcutLine_ = new QBoxLayout(QBoxLayout::LeftToRight);
    shortcutLine_->setSpacing(8);
    caption_ = new QLabel(QStringLiteral("Shortcut:"));
    caption_->setObjectName(QStringLiteral("shortcutCaption"));
    recorder_ = new ShortcutRecorder;
    caption_->setBuddy(recorder_);
    shortcutLine_->addWidget(caption_, 0, Qt::AlignLeft);
    shortcutLine_->addWidget(recorder_, 0, Qt::AlignLeft);
    shortcutLine_->addStretch(1);
    column->addLayout(shortcutLine_);

    message_ = new QLabel;
    message_->setObjectName(QStringLiteral("shortcutMessage"));
    message_->setWordWrap(true);
    message_->setTextFormat(Qt::PlainText);
    message_->hide();
    column->addWidget(message_);

    // The check box's own text does not wrap, so the words sit in a label beside it.
    auto* autostartLine = new QHBoxLayout;
    autostartLine->setSpacing(6);
    autostart_ = new QCheckBox;
    autostart_->setObjectName(QStringLiteral("autostart"));
    const QString autostartText = QStringLiteral("Start Tavlets when you log in");
    autostart_->setAccessibleName(autostartText);
    auto* autostartLabel = new QLabel(autostartText);
    autostartLabel->setObjectName(QStringLiteral("autostartLabel"));
    autostartLabel->setWordWrap(true);
    autostartLabel->setBuddy(autostart_);
    autostartLabel->installEventFilter(this);
    autostartLine->addWidget(autostart_, 0, Qt::AlignTop);
    autostartLine->addWidget(autostartLabel, 1);
    column->addLayout(autostartLine);

    connect(recorder_, &ShortcutRecorder::recorded, this, [this](QKeyCombination combination) {
        setShortcutMessage({});
        emit shortcutChosen(combination);
    });
    connect(recorder_, &ShortcutRecorder::refused, this, &SettingsWindow::setShortcutMessage);
    connect(autostart_, &QCheckBox::clicked, this, &SettingsWindow::setAutostart);
    return box;
}

void SettingsWindow::setShortcutState(const ShortcutState& shortcut) {
    status_->setText(shortcutStatusText(shortcut));
    recorder_->setShortcutName(shortcutButtonText(shortcut));
    fitHeight();
}

void SettingsWindow::setShortcutMessage(const QString& message) {
    message_->setText(message);
    message_->setVisible(!message.isEmpty());
    fitHeight();
}

void SettingsWindow::setAutostart(bool enabled) {
    QString error;
    if (!setAutostartEnabled(enabled, QCoreApplication::applicationFilePath(), &error)) setShortcutMessage(error);
    autostart_->setChecked(isAutostartEnabled());
}

void SettingsWindow::fitHeight() {
    // Polishing (on first show) can change fonts and margins; measure what will be drawn.
    ensurePolished();
    const QSize before = size();
    QScreen* screen = targetScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, fixedWidth, QWIDGETSIZE_MAX);
    const QMargins frame = frameMargins();
    const QMargins margins = layout()->contentsMargins();
    const int outerWidth = std::clamp(area.width() - frame.left() - frame.right(), margins.left() + margins.right() + 1,
                                 fixedWidth);
    setFixedWidth(outerWidth);
    const int inner = outerWidth - margins.left() - margins.right();
    // The caption and the recorder share a line while they fit; at large fonts they stack.
    const int indent = caption_->parentWidget()->layout()->contentsMargins().left();
    const int room = inner - indent;
    const int needed = caption_->sizeHint().width() + shortcutLine_->spacing() + recorder_->sizeHint().width();
    shortcutLine_->setDirection(needed <= room ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom);
    // Nested layouts and their items answer height-for-width from caches that are otherwise only
    // renewed by posted events: renew them all now, so the height below is that of the current
    // texts and font.
    for (QWidget* child : findChildren<QWidget*>()) child->updateGeometry();
    for (QLayout* nested : findChildren<QLayout*>()) nested->invalidate();
    layout()->activate();

    const auto heightAt = [](const QLayoutItem* item, int w) {
        return item->hasHeightForWidth() ? item->heightForWidth(w) : item->sizeHint().height();
    };
    const int spacing = static_cast<QBoxLayout*>(layout())->spacing();
    const int chrome = margins.top() + margins.bottom() + heightAt(titleRow_, inner) +
                       divider_->sizeHint().height() + 2 * spacing;
    const int natural = chrome + heightAt(content_->layout(), inner);
    const int tallest = area.height() - frame.top() - frame.bottom();
    scroll_->setVerticalScrollBarPolicy(natural > tallest ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    setFixedHeight(std::max(std::min(natural, tallest), chrome + 1));
    // Grown content may now reach past the screen's edge.
    if (isVisible() && (height() > before.height() || width() > before.width())) place();
}

QScreen* SettingsWindow::targetScreen() const {
    if (isVisible() && screen()) return screen();
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    return screen ? screen : QGuiApplication::primaryScreen();
}

QMargins SettingsWindow::frameMargins() const {
    if (isVisible()) {
        const QRect outside = frameGeometry(), inside = geometry();
        const QMargins known(inside.left() - outside.left(), inside.top() - outside.top(),
                             outside.right() - inside.right(), outside.bottom() - inside.bottom());
        if (!known.isNull()) return known;
    }
    // Until the window manager has framed the window: a usual title bar and border, so the window
    // rather comes out a little short than with its title bar off the screen.
    return {4, 32, 4, 4};
}

void SettingsWindow::place() {
    QScreen* screen = targetScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const QMargins margins = frameMargins();
    QRect frame = geometry().marginsAdded(margins);
    frame.moveCenter(area.center());
    // Wholly inside; where it cannot be, the title bar stays on the screen.
    frame.moveLeft(std::max(area.left(), std::min(frame.left(), area.right() + 1 - frame.width())));
    frame.moveTop(std::max(area.top(), std::min(frame.top(), area.bottom() + 1 - frame.height())));
    // A shown window moves by its frame's corner once the frame is known; until then Qt takes the
    // point for the window's own corner, and the title bar would go above it.
    const bool frameUnknown = isVisible() && frameGeometry() == geometry();
    move(frameUnknown ? frame.topLeft() + QPoint(margins.left(), margins.top()) : frame.topLeft());
}

void SettingsWindow::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Escape && !(event->modifiers() & ~Qt::KeypadModifier)) ||
        (event->key() == Qt::Key_W && (event->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier) ||
        event->matches(QKeySequence::Close)) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool SettingsWindow::eventFilter(QObject* watched, QEvent* event) {
    // A click on the words beside the check box toggles it, as the box's own text would.
    if (event->type() == QEvent::MouseButtonRelease && watched->objectName() == QLatin1String("autostartLabel")) {
        autostart_->click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void SettingsWindow::showEvent(QShowEvent* event) {
    // The file may have been added or removed by hand since the last time.
    autostart_->setChecked(isAutostartEnabled());
    recorder_->setFocus(Qt::ActiveWindowFocusReason);
    fitHeight();
    QWidget::showEvent(event);
}

void SettingsWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange && layout()) fitHeight();
}

QWidget* SettingsWindow::labelRow(const QString& symbol, const QString& text, const QString& objectName) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    const int side = fontMetrics().height();
    auto* icon = new QLabel;
    icon->setPixmap(shellSymbol(symbol, side, palette().color(QPalette::WindowText), devicePixelRatioF()));
    icon->setFixedSize(side, side);
    layout->addWidget(icon, 0, Qt::AlignTop);
    auto* label = new QLabel(text);
    label->setObjectName(objectName);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    layout->addWidget(label, 1);
    return row;
}

void SettingsWindow::centreOnScreen() {
    fitHeight();
    place();
}

}  // namespace tavlets
