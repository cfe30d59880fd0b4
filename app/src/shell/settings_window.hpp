#pragma once
// The page behind "Settings…": what Tavlets is, whether the shortcut works and which one it is,
// starting at log-in, how the actions work and what happens to the clipboard.

#include "commands/user_actions_source.hpp"
#include "shell/shortcut_texts.hpp"

#include <QKeyCombination>
#include <QWidget>

class QBoxLayout;
class QCheckBox;
class QLabel;
class QScreen;
class QScrollArea;

namespace tavlets {

class ShortcutRecorder;

class SettingsWindow : public QWidget {
    Q_OBJECT
public:
    // The width where the screen has room for it; narrower screens get their whole width.
    static constexpr int fixedWidth = 460;

    // `actions`: the user's actions file to list (the running app's by default).
    explicit SettingsWindow(const ShortcutState& shortcut, QWidget* parent = nullptr,
                            std::shared_ptr<UserActionsSource> actions = UserActionsSource::installed());
    // With the default shortcut, Alt+Space, in the given state.
    explicit SettingsWindow(HotKeyStatus status, QWidget* parent = nullptr)
        : SettingsWindow(ShortcutState{status, QStringLiteral("Alt+Space"), {}}, parent) {}

    // The status line and the recorder follow the hot key.
    void setShortcutState(const ShortcutState& shortcut);
    // A line under the recorder: why a recorded combination was not taken. Empty hides it.
    void setShortcutMessage(const QString& message);

    static QString methodText();
    static QString privacyText();

    ShortcutRecorder* recorder() const { return recorder_; }
    QCheckBox* autostartBox() const { return autostart_; }

    // Fits the window to the screen under the pointer (else the primary one) and centres it
    // there, wholly inside the screen's available area.
    void centreOnScreen();
    // The part below the title, which scrolls when the screen is too short for it.
    QScrollArea* scrollArea() const { return scroll_; }

signals:
    void shortcutChosen(QKeyCombination combination);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* labelRow(const QString& symbol, const QString& text, const QString& objectName);
    QWidget* controlsRow();
    void setAutostart(bool enabled);
    // Fixed size: 460 wide (less on a narrower screen) and as tall as the wrapped texts need,
    // at most the screen's available height; the rest scrolls.
    void fitHeight();
    QScreen* targetScreen() const;
    // The window manager's frame around the window; a typical one until the window is shown.
    QMargins frameMargins() const;
    void place();

    QLayout* titleRow_ = nullptr;
    QWidget* divider_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    QWidget* content_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* message_ = nullptr;
    QLabel* caption_ = nullptr;
    QBoxLayout* shortcutLine_ = nullptr;
    ShortcutRecorder* recorder_ = nullptr;
    QCheckBox* autostart_ = nullptr;
};

}  // namespace tavlets
