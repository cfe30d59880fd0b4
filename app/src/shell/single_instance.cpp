#include "shell/single_instance.hpp"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace tavlets {
namespace {

constexpr QByteArrayView toggleMessage = "toggle\n";
constexpr QByteArrayView settingsMessage = "settings\n";
constexpr QByteArrayView answer = "ok\n";
constexpr qint64 maxMessage = 64;

QString sanitized(const QString& text) {
    QString out;
    for (QChar c : text) out += (c.isLetterOrNumber() && c.unicode() < 0x80) || c == u'-' ? c : QChar(u'_');
    return out;
}

}  // namespace

SingleInstance::SingleInstance(QString name, QObject* parent) : QObject(parent), name_(std::move(name)) {}

SingleInstance::~SingleInstance() { close(); }

QString SingleInstance::nameFor(unsigned uid, const QString& display, const QString& waylandDisplay) {
    const QString where = !display.isEmpty() ? display : !waylandDisplay.isEmpty() ? waylandDisplay : QStringLiteral("none");
    return QStringLiteral("tavlets-%1-%2").arg(uid).arg(sanitized(where));
}

QString SingleInstance::defaultName() {
    return nameFor(unsigned(getuid()), qEnvironmentVariable("DISPLAY"), qEnvironmentVariable("WAYLAND_DISPLAY"));
}

bool SingleInstance::claim() {
    if (lock_ && lock_->isLocked()) return true;
    lock_ = std::make_unique<QLockFile>(QDir::temp().filePath(name_ + QStringLiteral(".lock")));
    // A live holder keeps its lock however long it runs; only a dead one's lock is stale.
    lock_->setStaleLockTime(0);
    if (lock_->tryLock(0)) return true;
    // A dead holder's lock is taken over, but two launches racing after a crash can trip over
    // each other's clean-up: then try again for a moment instead of giving up at once.
    qint64 pid = 0;
    QString host, app;
    if (lock_->error() == QLockFile::LockFailedError && lock_->getLockInfo(&pid, &host, &app) && pid > 0 &&
        ::kill(pid_t(pid), 0) != 0 && errno == ESRCH) {
        return lock_->tryLock(500);
    }
    return false;
}

bool SingleInstance::listen() {
    if (server_) return server_->isListening();
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::onConnection);
    if (server_->listen(name_)) return true;
    // We hold the lock, so a socket file that is there was left by a process that died.
    QLocalServer::removeServer(name_);
    return server_->listen(name_);
}

bool SingleInstance::isListening() const { return server_ && server_->isListening(); }

void SingleInstance::close() {
    delete server_;
    server_ = nullptr;
}

void SingleInstance::onConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { onReadable(socket); });
        if (socket->bytesAvailable() > 0) onReadable(socket);
    }
}

void SingleInstance::onReadable(QLocalSocket* socket) {
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > maxMessage) socket->abort();  // not one of ours
        return;
    }
    const QByteArray line = socket->readLine(maxMessage);
    if (line == toggleMessage || line == settingsMessage) {
        socket->write(answer.data(), answer.size());
        socket->flush();
        if (line == toggleMessage) emit toggleRequested();
        else emit settingsRequested();
    }
    socket->disconnectFromServer();
}

bool SingleInstance::sendToggle(int timeoutMs) { return send(toggleMessage, timeoutMs); }

bool SingleInstance::sendOpenSettings(int timeoutMs) { return send(settingsMessage, timeoutMs); }

bool SingleInstance::send(QByteArrayView message, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    // The running instance may hold the lock but not listen yet while it starts up.
    QLocalSocket socket;
    for (;;) {
        socket.connectToServer(name_);
        if (socket.waitForConnected(int(std::max<qint64>(deadline.remainingTime(), 0)))) break;
        if (deadline.hasExpired()) return false;
        QThread::msleep(20);
    }
    socket.write(message.data(), message.size());
    if (!socket.waitForBytesWritten(int(std::max<qint64>(deadline.remainingTime(), 1)))) return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(int(std::max<qint64>(deadline.remainingTime(), 1)))) return false;
    }
    return socket.readLine(maxMessage) == answer;
}

}  // namespace tavlets
