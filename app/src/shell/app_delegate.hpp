#pragma once
// The running app: one panel, one hot key, the tray item and its menu, the settings window.
// Lives for the whole process.

#include "shell/hot_key.hpp"
#include "shell/shortcut_texts.hpp"

#include <QDBusConnection>
#include <QKeyCombination>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QMenu;
class QSystemTrayIcon;

namespace tavlets {

class Clipboard;
class PanelController;
class SettingsWindow;
class SingleInstance;

struct TrayCommands {
    std::function<void()> showPanel;
    std::function<void()> openSettings;
    std::function<void()> quit;
};

// "Show Tavlets", separator, "Settings…", separator, "Quit Tavlets"; no shortcuts.
void fillTrayMenu(QMenu& menu, TrayCommands commands);

class AppDelegate : public QObject {
    Q_OBJECT
public:
    AppDelegate(std::shared_ptr<Clipboard> clipboard, std::unique_ptr<HotKey> hotKey, QObject* parent = nullptr);
    ~AppDelegate() override;

    // Registers the chosen shortcut (Alt+Space unless the user chose another) and puts up the tray
    // item. Shows nothing and leaves the clipboard alone. A refused shortcut is told once, in the
    // tray when there is one, else on standard error.
    void start();

    // A later launch of `tavlets` toggles the panel, like the hot key; `tavlets --settings` opens
    // the Settings window.
    void attach(SingleInstance& instance);

    // From the Settings window's recorder: put the combination in force and keep it for the next
    // start, or keep the old one when the desktop refuses it.
    void chooseShortcut(QKeyCombination combination);
    ShortcutState shortcutState() const;
    // What `tavlets status` prints: that it runs, what the shortcut does, whether the tray is there.
    QString statusReport() const;
    QKeyCombination shortcut() const { return shortcut_; }

    // Where the start notice goes; tests capture it. Defaults: QSystemTrayIcon's availability,
    // standard error and the session bus's notification server (none unless given here).
    void setNoticeOutputs(std::function<bool()> trayAvailable, std::function<void(const QString&)> errorOutput,
                          QDBusConnection notificationBus = QDBusConnection(QString()));
    // The notice given at start, once; empty while there was nothing to tell.
    const QString& startNoticeGiven() const { return notice_; }

    void showPanel();    // always shows and reloads
    void togglePanel();  // the hot key and a second launch
    void openSettings();
    void quit();

    PanelController& panel() { return *panel_; }
    const HotKey& hotKey() const { return *hotKey_; }
    QMenu* trayMenu() const { return menu_.get(); }
    QSystemTrayIcon* tray() const { return tray_; }
    SettingsWindow* settingsWindow() const { return settings_.get(); }

private:
    void onHotKeyChanged();
    void giveStartNotice();

    std::unique_ptr<PanelController> panel_;
    std::unique_ptr<HotKey> hotKey_;
    std::unique_ptr<QMenu> menu_;
    QSystemTrayIcon* tray_ = nullptr;
    std::unique_ptr<SettingsWindow> settings_;
    QKeyCombination shortcut_;
    bool noticeDone_ = false;
    QString notice_;
    std::function<bool()> trayAvailable_;
    std::function<void(const QString&)> errorOutput_;
    QDBusConnection notificationBus_ = QDBusConnection::sessionBus();
};

}  // namespace tavlets
