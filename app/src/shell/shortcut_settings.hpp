#pragma once
// The shortcut the user chose: where it is kept, how it reads, and which combinations the recorder
// takes. The file is $XDG_CONFIG_HOME/tavlets/tavlets.conf, INI, key `shortcut` in QKeySequence's
// portable text ("Ctrl+Alt+Space"); people and scripts edit it by hand, so the name and format stay.

#include <QKeyCombination>
#include <QKeySequence>
#include <QString>

#include <optional>

namespace tavlets {

inline constexpr QKeyCombination kDefaultShortcut{Qt::AltModifier, Qt::Key_Space};

// $XDG_CONFIG_HOME/tavlets (or ~/.config/tavlets when the variable is unset or not absolute).
QString configDirectory();
QString shortcutFilePath();

struct StoredShortcut {
    QKeyCombination combination = kDefaultShortcut;
    QString warning;  // one line for stderr when the stored value could not be used
};

// A missing file or key gives Alt+Space quietly; a value that is no usable shortcut gives
// Alt+Space and a warning naming the file.
StoredShortcut loadShortcut(const QString& path = shortcutFilePath());
// False (with a reason) when the file cannot be written.
bool saveShortcut(QKeyCombination combination, QString* error = nullptr, const QString& path = shortcutFilePath());

// "Ctrl+Alt+Space": the same text the file holds.
QString shortcutName(QKeyCombination combination);

// Why the recorder does not take a key press as a shortcut; nothing when it does. Lone modifier
// presses are not decisions yet and give no reason either (see isModifierOnly).
std::optional<QString> recorderRefusal(QKeyCombination combination);
bool isModifierOnly(Qt::Key key);

// The combination in the shortcut notation of the desktop portal ("CTRL+ALT+space"); empty for a
// key it has no name for.
QString portalTrigger(QKeyCombination combination);

}  // namespace tavlets
