#pragma once
// The information page behind "Settings…": what Tavlets is, whether the shortcut works, how the
// actions work and what happens to the clipboard. No controls, nothing stored.

#include "shell/hot_key.hpp"

#include <QWidget>

class QLabel;

namespace tavlets {

class SettingsWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int fixedWidth = 460;

    // The shortcut status is taken once, here; the page never changes afterwards.
    explicit SettingsWindow(HotKeyStatus hotKey, QWidget* parent = nullptr);

    static QString shortcutText(HotKeyStatus status);
    static QString methodText();
    static QString privacyText();

    // Centres the window on the screen under the pointer (else the primary one).
    void centreOnScreen();

private:
    QWidget* labelRow(const QString& symbol, const QString& text, const QString& objectName);
};

}  // namespace tavlets
