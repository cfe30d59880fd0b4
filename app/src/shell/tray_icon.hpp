#pragma once
// The tray icon. Trays differ: some recolour symbolic icons to suit their own colours, others show
// whatever pixels they get on a background of any colour. So the icon comes from the icon theme
// when the theme has it (the installed tavlets-symbolic, grey enough for light and dark), and
// otherwise is the app's tile drawn here: a mid-blue square with a white paperclip, which stands
// out on black and on white alike. It never takes the app's own text colour, which belongs to
// the app's theme, not the tray's.

#include <QIcon>

namespace tavlets {

inline constexpr const char* kTrayIconName = "tavlets-symbolic";

QIcon trayIcon();
// The app's own icon for its windows: the installed one, else the drawn tile.
QIcon appIcon();
// The drawn icon, at the usual tray sizes.
QIcon drawnTrayIcon();

}  // namespace tavlets
