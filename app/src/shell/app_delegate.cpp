#include "shell/app_delegate.hpp"

#include "panel/panel_controller.hpp"
#include "shell/notifier.hpp"
#include "shell/settings_window.hpp"
#include "shell/shell_symbols.hpp"
#include "shell/shortcut_settings.hpp"
#include "shell/single_instance.hpp"
#include "shell/tray_icon.hpp"

#include <QApplication>
#include <QMenu>
#include <QPalette>
#include <QPointer>
#include <QSystemTrayIcon>

#include <cstdio>

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

AppDelegate::AppDelegate(std::shared_ptr<Clipboard> clipboard, std::unique_ptr<HotKey> hotKey, QObject* parent)
    : QObject(parent),
      panel_(std::make_unique<PanelController>(std::move(clipboard))),
      hotKey_(hotKey ? std::move(hotKey) : std::make_unique<UnsupportedHotKey>()),
      menu_(std::make_unique<QMenu>()),
      shortcut_(kDefaultShortcut),
      trayAvailable_([] { return QSystemTrayIcon::isSystemTrayAvailable(); }),
      errorOutput_([](const QString& line) { std::fprintf(stderr, "%s\n", qPrintable(line)); }) {
    // Every window, Settings and the panel alike, shows the app's icon in title bars and task lists.
    QApplication::setWindowIcon(appIcon());
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
    const StoredShortcut stored = loadShortcut();
    if (!stored.warning.isEmpty()) errorOutput_(stored.warning);
    shortcut_ = stored.combination;

    QPointer<AppDelegate> self(this);
    hotKey_->setChangeObserver([self] { if (self) self->onHotKeyChanged(); });
    hotKey_->registerKey(shortcut_.key(), shortcut_.keyboardModifiers(), [self] { if (self) self->togglePanel(); });

    tray_ = new QSystemTrayIcon(this);
    tray_->setIcon(trayIcon());
    tray_->setContextMenu(menu_.get());
    // A plain click on the tray item opens the menu too, as the one way in besides the hot key.
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger) menu_->popup(QCursor::pos());
    });
    tray_->show();
    onHotKeyChanged();
}

void AppDelegate::setNoticeOutputs(std::function<bool()> trayAvailable, std::function<void(const QString&)> errorOutput,
                                   QDBusConnection notificationBus) {
    trayAvailable_ = std::move(trayAvailable);
    errorOutput_ = std::move(errorOutput);
    notificationBus_ = std::move(notificationBus);
}

ShortcutState AppDelegate::shortcutState() const {
    return {hotKey_->status(), shortcutName(shortcut_), hotKey_->triggerDescription()};
}

void AppDelegate::onHotKeyChanged() {
    const ShortcutState state = shortcutState();
    panel_->setShortcutText(workingShortcut(state));
    if (tray_) tray_->setToolTip(trayToolTip(state));
    if (settings_) settings_->setShortcutState(state);
    if (tray_) giveStartNotice();  // once the tray exists, so the notice can go there
}

void AppDelegate::giveStartNotice() {
    const ShortcutState state = shortcutState();
    if (noticeDone_ || state.status == HotKeyStatus::pending || state.status == HotKeyStatus::notRegistered) return;
    noticeDone_ = true;
    if (trayAvailable_()) {
        notice_ = startNotice(state);
        if (notice_.isEmpty()) return;
        QPointer<QSystemTrayIcon> tray(tray_);
        Notifier({notificationBus_, [tray] { return tray ? tray->geometry() : QRect(); },
                  [tray](const QString& text) {
                      if (tray) tray->showMessage(QStringLiteral("Tavlets"), text, QSystemTrayIcon::Warning, 15000);
                  },
                  errorOutput_})
            .notify(notice_);
    } else {
        notice_ = unreachableWarning(false, state);
        if (!notice_.isEmpty()) errorOutput_(notice_);
    }
}

void AppDelegate::chooseShortcut(QKeyCombination combination) {
    const QString name = shortcutName(combination);
    const auto keep = [this, combination] {
        shortcut_ = combination;
        QString error;
        // In force but not kept: the next start goes back to the stored one.
        const QString message =
            saveShortcut(combination, &error) ? QString() : error + QStringLiteral(" The choice is not kept.");
        onHotKeyChanged();
        if (settings_) settings_->setShortcutMessage(message);
    };
    // Where the session has no global shortcuts the choice is only kept, for sessions that have them.
    if (hotKey_->status() == HotKeyStatus::unsupported) {
        keep();
        return;
    }
    if (hotKey_->status() == HotKeyStatus::pending) {
        if (settings_) settings_->setShortcutMessage(QStringLiteral("Your desktop has not answered yet. Try again in a moment."));
        return;
    }
    QPointer<AppDelegate> self(this);
    const QString old = hotKey_->isRegistered()
                            ? QStringLiteral(" %1 stays.").arg(workingShortcut(shortcutState()))
                            : QString();
    const QString refusal = hotKey_->desktopBinds()                  ? QStringLiteral("Your desktop did not take %1.%2")
                            : !hotKey_->isOnLayout(combination.key()) ? QStringLiteral("%1 isn't on your keyboard layout.%2")
                                                                      : QStringLiteral("%1 is not available: another app may hold it.%2");
    hotKey_->rebind(combination.key(), combination.keyboardModifiers(), [self, keep, name, old, refusal](bool inForce) {
        if (!self) return;
        if (inForce) {
            keep();
            return;
        }
        self->onHotKeyChanged();
        if (self->settings_) {
            self->settings_->setShortcutMessage(refusal.arg(name, old));
        }
    });
}

void AppDelegate::attach(SingleInstance& instance) {
    connect(&instance, &SingleInstance::toggleRequested, this, &AppDelegate::togglePanel);
    connect(&instance, &SingleInstance::settingsRequested, this, &AppDelegate::openSettings);
    instance.setStatusAnswer([self = QPointer<AppDelegate>(this)] { return self ? self->statusReport() : QString(); });
}

QString AppDelegate::statusReport() const {
    const bool trayShown = tray_ && tray_->isVisible() && trayAvailable_();
    const ShortcutState state = shortcutState();
    // Settings' own line points at its Shortcut row, which a terminal does not have.
    const QString choose = QStringLiteral(", so it can't open the panel. Choose another shortcut with tavlets --settings.");
    const QString shortcut =
        state.status == HotKeyStatus::refused       ? state.name + QStringLiteral(" is already used by another app") + choose
        : state.status == HotKeyStatus::notOnLayout ? state.name + QStringLiteral(" isn't on your keyboard layout") + choose
                                                    : shortcutStatusText(state);
    return QStringLiteral("Tavlets is running (process %1).\nShortcut: %2\nTray: %3\n")
        .arg(QCoreApplication::applicationPid())
        .arg(shortcut,
             trayShown ? QStringLiteral("an icon in the system tray opens the panel.")
                       : QStringLiteral("no system tray in this session."));
}

void AppDelegate::showPanel() { panel_->show(); }

void AppDelegate::togglePanel() { panel_->toggle(); }

void AppDelegate::openSettings() {
    if (!settings_) {
        settings_ = std::make_unique<SettingsWindow>(shortcutState());
        connect(settings_.get(), &SettingsWindow::shortcutChosen, this, &AppDelegate::chooseShortcut);
        settings_->centreOnScreen();
    }
    settings_->show();
    settings_->raise();
    settings_->activateWindow();
}

void AppDelegate::quit() { QCoreApplication::quit(); }

}  // namespace tavlets
