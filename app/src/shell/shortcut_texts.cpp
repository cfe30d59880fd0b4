#include "shell/shortcut_texts.hpp"

namespace tavlets {

QString shortcutStatusText(const ShortcutState& s) {
    switch (s.status) {
    case HotKeyStatus::registered:
        if (!s.trigger.isEmpty()) {
            return QStringLiteral("Your desktop opens the panel with %1. Change it in the desktop's shortcut settings.")
                .arg(s.trigger);
        }
        return QStringLiteral("Press %1 anywhere to open the panel.").arg(s.name);
    case HotKeyStatus::pending:
        return QStringLiteral("Asking your desktop for the shortcut %1\u2026").arg(s.name);
    case HotKeyStatus::declined:
        return QStringLiteral("Your desktop did not grant the shortcut %1. Use the tray icon, or bind a shortcut of "
                              "your desktop to the tavlets command.")
            .arg(s.name);
    case HotKeyStatus::unsupported:
        return QStringLiteral("Global shortcuts aren't available in this session, so %1 doesn't work. Use the tray "
                              "icon, or bind a shortcut of your desktop to the tavlets command.")
            .arg(s.name);
    case HotKeyStatus::notOnLayout:
        return QStringLiteral("%1 isn't on your keyboard layout, so the shortcut is unavailable. Choose another one "
                              "under Shortcut below.")
            .arg(s.name);
    case HotKeyStatus::notRegistered:
    case HotKeyStatus::refused:
        break;
    }
    return QStringLiteral("%1 is already used by another app, so the shortcut is unavailable. Choose another one "
                          "under Shortcut below.")
        .arg(s.name);
}

QString shortcutButtonText(const ShortcutState& s) {
    return s.status == HotKeyStatus::registered && !s.trigger.isEmpty() ? s.trigger : s.name;
}

QString workingShortcut(const ShortcutState& s) {
    switch (s.status) {
    case HotKeyStatus::registered:
        return s.trigger.isEmpty() ? s.name : s.trigger;
    case HotKeyStatus::pending:  // most likely granted in a moment
        return s.name;
    default:
        return {};
    }
}

QString trayToolTip(const ShortcutState& s) {
    const QString shortcut = s.status == HotKeyStatus::registered ? workingShortcut(s) : QString();
    if (shortcut.isEmpty()) return QStringLiteral("Tavlets");
    return QStringLiteral("Tavlets \u2014 %1 opens the panel").arg(shortcut);
}

QString startNotice(const ShortcutState& s) {
    // A desktop notification or a line on standard error is not next to the tray icon: name the
    // icon, never "this" one.
    switch (s.status) {
    case HotKeyStatus::refused:
        return QStringLiteral("%1 is already used by another app, so it can't open Tavlets. Choose another shortcut "
                              "in Settings\u2026 in the menu of the Tavlets tray icon.")
            .arg(s.name);
    case HotKeyStatus::notOnLayout:
        return QStringLiteral("%1 isn't on your keyboard layout, so it can't open Tavlets. Choose another shortcut "
                              "in Settings\u2026 in the menu of the Tavlets tray icon.")
            .arg(s.name);
    case HotKeyStatus::declined:
        return QStringLiteral("Your desktop did not grant the shortcut %1. Open Tavlets from its tray icon, or bind a "
                              "shortcut of your desktop to the tavlets command.")
            .arg(s.name);
    default:
        return {};
    }
}

QString unreachableWarning(bool trayAvailable, const ShortcutState& s) {
    if (trayAvailable) return {};
    switch (s.status) {
    case HotKeyStatus::registered:
    case HotKeyStatus::pending:
        return {};
    case HotKeyStatus::unsupported:
        return QStringLiteral(
            "Tavlets: global shortcuts aren't available in this session and there is no system tray. "
            "Bind a shortcut of your desktop to the tavlets command: running it again opens the panel.");
    case HotKeyStatus::declined:
        return QStringLiteral(
                   "Tavlets: your desktop did not grant the shortcut %1 and there is no system tray. "
                   "Bind a shortcut of your desktop to the tavlets command: running it again opens the panel.")
            .arg(s.name);
    case HotKeyStatus::notOnLayout:
        return QStringLiteral(
                   "Tavlets: %1 isn't on your keyboard layout and there is no system tray. Run tavlets again to open "
                   "the panel, or choose another shortcut: run tavlets --settings and use its Shortcut row.")
            .arg(s.name);
    case HotKeyStatus::notRegistered:
    case HotKeyStatus::refused:
        break;
    }
    return QStringLiteral(
               "Tavlets: %1 is already used by another app and there is no system tray. Run tavlets again to open "
               "the panel, or choose another shortcut: run tavlets --settings and use its Shortcut row.")
        .arg(s.name);
}

}  // namespace tavlets
