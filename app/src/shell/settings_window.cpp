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
#include <QVBoxLayout>

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

SettingsWindow::SettingsWindow(const ShortcutState& shortcut, QWidget* parent)
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

    auto* divider = new QFrame;
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    outer->addWidget(divider);

    outer->addWidget(labelRow(QStringLiteral("keyboard"), QString(), QStringLiteral("shortcut")));
    status_ = findChild<QLabel*>(QStringLiteral("shortcut"));
    outer->addWidget(controlsRow());
    outer->addWidget(labelRow(QStringLiteral("gearshape.2"), methodText(), QStringLiteral("method")));
    outer->addWidget(labelRow(QStringLiteral("lock.shield"), privacyText(), QStringLiteral("privacy")));
    outer->addWidget(new UserActionsList);

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
    setFixedWidth(fixedWidth);
    // The caption and the recorder share a line while they fit; at large fonts they stack.
    const int indent = caption_->parentWidget()->layout()->contentsMargins().left();
    const int room = fixedWidth - layout()->contentsMargins().left() - layout()->contentsMargins().right() - indent;
    const int needed = caption_->sizeHint().width() + shortcutLine_->spacing() + recorder_->sizeHint().width();
    shortcutLine_->setDirection(needed <= room ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom);
    // Nested layouts and their items answer height-for-width from caches that are otherwise only
    // renewed by posted events: renew them all now, so the height below is that of the current
    // texts and font.
    for (QWidget* child : findChildren<QWidget*>()) child->updateGeometry();
    for (QLayout* nested : findChildren<QLayout*>()) nested->invalidate();
    layout()->activate();
    setFixedHeight(heightForWidth(fixedWidth));
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
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

}  // namespace tavlets
