#pragma once
// Every text that names the shortcut, for each state the hot key can be in. They name the
// combination the user chose, or the trigger the desktop bound when the desktop chose it.

#include "shell/hot_key.hpp"

#include <QString>

namespace tavlets {

struct ShortcutState {
    HotKeyStatus status = HotKeyStatus::notRegistered;
    QString name;     // the chosen combination, "Alt+Space"
    QString trigger;  // the desktop's description of the trigger it bound (portal); else empty

    bool operator==(const ShortcutState&) const = default;
};

// The Settings window's status line.
QString shortcutStatusText(const ShortcutState& state);
// What the Shortcut button shows: the desktop's trigger once it bound one, else the chosen combination.
QString shortcutButtonText(const ShortcutState& state);
// The shortcut the panel's empty state may tell the user to press; empty when none works.
QString workingShortcut(const ShortcutState& state);
// "Tavlets — Alt+Space opens the panel", or "Tavlets" when no shortcut works.
QString trayToolTip(const ShortcutState& state);
// The one notice at start, shown in the tray when there is one. Empty when there is nothing to
// tell: the shortcut works, is still being asked for, or the session has none (the tray is the
// way in then, as it always was).
QString startNotice(const ShortcutState& state);
// What to say on standard error when neither the tray nor the hot key can open the panel; empty
// when one of them can.
QString unreachableWarning(bool trayAvailable, const ShortcutState& state);

}  // namespace tavlets
