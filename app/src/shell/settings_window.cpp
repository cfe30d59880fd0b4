#include "shell/settings_window.hpp"

#include "shell/shell_symbols.hpp"
#include "shell/user_actions_list.hpp"

#include <QCursor>
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

QString SettingsWindow::shortcutText(HotKeyStatus status) {
    switch (status) {
    case HotKeyStatus::registered:
        return QStringLiteral("Press Alt+Space anywhere to open the panel.");
    case HotKeyStatus::unsupported:
        return QStringLiteral(
            "Global shortcuts aren't available in this session, so Alt+Space doesn't work. Use the tray "
            "icon, or bind a shortcut of your desktop to the tavlets command.");
    case HotKeyStatus::notRegistered:
    case HotKeyStatus::refused:
        break;
    }
    return QStringLiteral(
        "Alt+Space is already used by another app, so the shortcut is unavailable. Use the tray icon instead.");
}

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

SettingsWindow::SettingsWindow(HotKeyStatus hotKey, QWidget* parent)
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
    QFont titleFont = font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 17.0 / 13.0);
    titleFont.setBold(true);
    title->setFont(titleFont);
    auto* subtitle = new QLabel(QStringLiteral("Smart actions for whatever is on your clipboard"));
    subtitle->setObjectName(QStringLiteral("subtitle"));
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

    outer->addWidget(labelRow(QStringLiteral("keyboard"), shortcutText(hotKey), QStringLiteral("shortcut")));
    outer->addWidget(labelRow(QStringLiteral("gearshape.2"), methodText(), QStringLiteral("method")));
    outer->addWidget(labelRow(QStringLiteral("lock.shield"), privacyText(), QStringLiteral("privacy")));
    outer->addWidget(new UserActionsList);

    // Fixed 460 wide, and exactly as tall as the wrapped texts need at that width.
    setFixedWidth(fixedWidth);
    outer->activate();
    setFixedHeight(heightForWidth(fixedWidth));
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
