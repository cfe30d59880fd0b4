#pragma once
// One running Tavlets per user and display. A later launch reaches the running one through a
// local socket and asks it to toggle its panel, which lets a desktop shortcut bound to the
// `tavlets` command open the panel where no global hot key can be had. Only the same user gets
// through: the files live in a folder of the user's own and every peer's uid is checked.

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QLocalServer;
class QLocalSocket;
class QLockFile;

namespace tavlets {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QString name, QObject* parent = nullptr);
    ~SingleInstance() override;

    // "tavlets-<uid>-<display>": the X display, else the Wayland one.
    static QString defaultName();
    static QString nameFor(unsigned uid, const QString& display, const QString& waylandDisplay);
    // defaultName() in a folder only this user can enter: $XDG_RUNTIME_DIR, else a folder of
    // our own under the temporary folder. Nothing, with the reason, when that place isn't safe.
    static std::optional<QString> defaultPath(QString* reason);
    // Why a folder may not hold the lock and socket (a symbolic link, not ours, open to others);
    // nothing when it may.
    static std::optional<QString> unsafeFolderReason(const QString& path);

    // Takes the per-name lock; true when this process is the one to keep running. A lock left by
    // a process that has died is taken over. Needs no application object.
    bool claim();
    // Starts taking messages from later launches; clears a socket file left by a crash. Call after
    // claim(), with an application object.
    bool listen();
    bool isListening() const;
    // Stops listening and removes the socket file; the lock stays until destruction.
    void close();

    // From a later launch: asks the running instance to toggle its panel and waits for its answer.
    // False when it cannot be reached in time.
    bool sendToggle(int timeoutMs = 5000);
    // From `tavlets --settings`: asks the running instance to open its Settings window.
    bool sendOpenSettings(int timeoutMs = 5000);
    // From `tavlets status`: the running instance's own account of itself; nothing when none answers.
    std::optional<QString> askStatus(int timeoutMs = 5000);
    // What this instance answers to askStatus.
    void setStatusAnswer(std::function<QString()> answer) { statusAnswer_ = std::move(answer); }

    const QString& name() const { return name_; }

signals:
    void toggleRequested();
    void settingsRequested();

private:
    void onConnection();
    void onReadable(QLocalSocket* socket);
    // The answer to the message, up to the end of the connection; nothing on failure.
    std::optional<QByteArray> send(QByteArrayView message, int timeoutMs);

    QString name_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer* server_ = nullptr;
    std::function<QString()> statusAnswer_;
};

}  // namespace tavlets
