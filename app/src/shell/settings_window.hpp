#pragma once
// The page behind "Settings…": what Tavlets is, whether the shortcut works and which one it is,
// starting at log-in, how the actions work and what happens to the clipboard.

#include "shell/shortcut_texts.hpp"

#include <QKeyCombination>
#include <QWidget>

class QBoxLayout;
class QCheckBox;
class QLabel;

namespace tavlets {

class ShortcutRecorder;

class SettingsWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int fixedWidth = 460;

    explicit SettingsWindow(const ShortcutState& shortcut, QWidget* parent = nullptr);
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

    // Centres the window on the screen under the pointer (else the primary one).
    void centreOnScreen();

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
    // Fixed 460 wide, and exactly as tall as the wrapped texts need at that width.
    void fitHeight();

    QLabel* status_ = nullptr;
    QLabel* message_ = nullptr;
    QLabel* caption_ = nullptr;
    QBoxLayout* shortcutLine_ = nullptr;
    ShortcutRecorder* recorder_ = nullptr;
    QCheckBox* autostart_ = nullptr;
};

}  // namespace tavlets
