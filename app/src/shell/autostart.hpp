#pragma once
// "Start Tavlets when you log in": an XDG autostart entry, $XDG_CONFIG_HOME/autostart/tavlets.desktop.

#include <QString>

namespace tavlets {

QString autostartFilePath();  // $XDG_CONFIG_HOME/autostart/tavlets.desktop, else ~/.config/...

// Present and not switched off with Hidden=true (how desktops disable an entry without deleting it).
bool isAutostartEnabled(const QString& path = autostartFilePath());

// Writes an entry that runs `program`, or removes the file. False with a reason when the file
// cannot be written or removed.
bool setAutostartEnabled(bool enabled, const QString& program, QString* error = nullptr,
                         const QString& path = autostartFilePath());

// The Exec= value for a program path: quoted as desktop entries require when it holds spaces or
// other reserved characters.
QString desktopExec(const QString& program);

}  // namespace tavlets
