#pragma once
// The running app: one panel, one hot key, the tray item and its menu, the settings window.
// Lives for the whole process.

#include "shell/hot_key.hpp"

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

// What to say on standard error when neither the tray nor the hot key can open the panel; empty
// when one of them can.
QString unreachableWarning(bool trayAvailable, HotKeyStatus hotKey);

class AppDelegate : public QObject {
    Q_OBJECT
public:
    AppDelegate(std::shared_ptr<Clipboard> clipboard, std::unique_ptr<HotKey> hotKey, QObject* parent = nullptr);
    ~AppDelegate() override;

    // Registers Alt+Space and puts up the tray item. Shows nothing and leaves the clipboard alone.
    void start();

    // A later launch of `tavlets` toggles the panel, like the hot key.
    void attach(SingleInstance& instance);

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
    std::unique_ptr<PanelController> panel_;
    std::unique_ptr<HotKey> hotKey_;
    std::unique_ptr<QMenu> menu_;
    QSystemTrayIcon* tray_ = nullptr;
    std::unique_ptr<SettingsWindow> settings_;
};

}  // namespace tavlets
