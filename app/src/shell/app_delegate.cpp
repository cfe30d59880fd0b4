#include "shell/app_delegate.hpp"

#include "panel/panel_controller.hpp"
#include "shell/settings_window.hpp"
#include "shell/shell_symbols.hpp"
#include "shell/single_instance.hpp"
#include "shell/tray_icon.hpp"

#include <QApplication>
#include <QMenu>
#include <QPalette>
#include <QPointer>
#include <QSystemTrayIcon>

namespace tavlets {

void fillTrayMenu(QMenu& menu, TrayCommands commands) {
    menu.clear();
    QObject::connect(menu.addAction(QStringLiteral("Show Tavlets")), &QAction::triggered, &menu,
                     [f = std::move(commands.showPanel)] { if (f) f(); });
    menu.addSeparator();
    QObject::connect(menu.addAction(QStringLiteral("Settings\u2026")), &QAction::triggered, &menu,
                     [f = std::move(commands.openSettings)] { if (f) f(); });
    menu.addSeparator();
    QObject::connect(menu.addAction(QStringLiteral("Quit Tavlets")), &QAction::triggered, &menu,
                     [f = std::move(commands.quit)] { if (f) f(); });
}

QString unreachableWarning(bool trayAvailable, HotKeyStatus hotKey) {
    if (trayAvailable || hotKey == HotKeyStatus::registered) return {};
    if (hotKey == HotKeyStatus::unsupported) {
        return QStringLiteral(
            "Tavlets: global shortcuts aren't available in this session and there is no system tray. "
            "Bind a shortcut of your desktop to the tavlets command: running it again opens the panel.");
    }
    return QStringLiteral(
        "Tavlets: Alt+Space is already used by another app and there is no system tray. "
        "Run tavlets again to open the panel.");
}

AppDelegate::AppDelegate(std::shared_ptr<Clipboard> clipboard, std::unique_ptr<HotKey> hotKey, QObject* parent)
    : QObject(parent),
      panel_(std::make_unique<PanelController>(std::move(clipboard))),
      hotKey_(hotKey ? std::move(hotKey) : std::make_unique<UnsupportedHotKey>()),
      menu_(std::make_unique<QMenu>()) {
    QPointer<AppDelegate> self(this);
    fillTrayMenu(*menu_, {
        [self] { if (self) self->showPanel(); },
        [self] { if (self) self->openSettings(); },
        [self] { if (self) self->quit(); },
    });
}

AppDelegate::~AppDelegate() {
    delete tray_;  // before the menu it points to
}

void AppDelegate::start() {
    QPointer<AppDelegate> self(this);
    hotKey_->registerKey(Qt::Key_Space, Qt::AltModifier, [self] { if (self) self->togglePanel(); });

    tray_ = new QSystemTrayIcon(this);
    tray_->setIcon(trayIcon());
    tray_->setToolTip(QStringLiteral("Tavlets"));
    tray_->setContextMenu(menu_.get());
    // A plain click on the tray item opens the menu too, as the one way in besides the hot key.
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger) menu_->popup(QCursor::pos());
    });
    tray_->show();
}

void AppDelegate::attach(SingleInstance& instance) {
    connect(&instance, &SingleInstance::toggleRequested, this, &AppDelegate::togglePanel);
}

void AppDelegate::showPanel() { panel_->show(); }

void AppDelegate::togglePanel() { panel_->toggle(); }

void AppDelegate::openSettings() {
    if (!settings_) {
        settings_ = std::make_unique<SettingsWindow>(hotKey_->status());
        settings_->centreOnScreen();
    }
    settings_->show();
    settings_->raise();
    settings_->activateWindow();
}

void AppDelegate::quit() { QCoreApplication::quit(); }

}  // namespace tavlets
