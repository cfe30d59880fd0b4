#include "shell/single_instance.hpp"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavlets {
namespace {

constexpr QByteArrayView toggleMessage = "toggle\n";
constexpr QByteArrayView settingsMessage = "settings\n";
constexpr QByteArrayView statusMessage = "status\n";
constexpr QByteArrayView answer = "ok\n";
constexpr qint64 maxMessage = 64;
constexpr qint64 maxAnswer = 64 * 1024;

// The uid at the other end of a local socket; a peer that cannot be told counts as a stranger.
bool peerIsUs(qintptr descriptor) {
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (descriptor < 0 || ::getsockopt(int(descriptor), SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0) return false;
    return credentials.uid == ::getuid();
}

// Lock and socket in a bare name live in the temporary folder (tests); a path is taken as is.
QString lockPath(const QString& name) {
    return (name.contains(u'/') ? name : QDir::temp().filePath(name)) + QStringLiteral(".lock");
}

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

std::optional<QString> SingleInstance::unsafeFolderReason(const QString& path) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return QStringLiteral("%1 cannot be used: %2.").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    if (S_ISLNK(st.st_mode)) return QStringLiteral("%1 is a symbolic link.").arg(path);
    if (!S_ISDIR(st.st_mode)) return QStringLiteral("%1 is not a folder.").arg(path);
    if (st.st_uid != ::getuid()) return QStringLiteral("%1 belongs to another user.").arg(path);
    if (st.st_mode & 077)
        return QStringLiteral("others may enter %1 (mode %2).").arg(path).arg(st.st_mode & 07777, 4, 8, QChar(u'0'));
    return std::nullopt;
}

std::optional<QString> SingleInstance::defaultPath(QString* reason) {
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || QDir::isRelativePath(folder)) {
        // No runtime folder: one of our own, made private before anything goes in it.
        folder = QDir::temp().filePath(QStringLiteral("tavlets-%1").arg(::getuid()));
        if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST) {
            if (reason) *reason = QStringLiteral("%1 cannot be made: %2.").arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
            return std::nullopt;
        }
    }
    if (auto why = unsafeFolderReason(folder)) {
        if (reason) *reason = *why;
        return std::nullopt;
    }
    return folder + u'/' + defaultName();
}

bool SingleInstance::claim() {
    if (lock_ && lock_->isLocked()) return true;
    lock_ = std::make_unique<QLockFile>(lockPath(name_));
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
        if (!peerIsUs(socket->socketDescriptor())) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
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
    if (line == statusMessage) {
        socket->write(answer.data(), answer.size());
        if (statusAnswer_) socket->write(statusAnswer_().toUtf8());
        socket->flush();
    } else if (line == toggleMessage || line == settingsMessage) {
        socket->write(answer.data(), answer.size());
        socket->flush();
        if (line == toggleMessage) emit toggleRequested();
        else emit settingsRequested();
    }
    socket->disconnectFromServer();
}

bool SingleInstance::sendToggle(int timeoutMs) { return send(toggleMessage, timeoutMs).has_value(); }

bool SingleInstance::sendOpenSettings(int timeoutMs) { return send(settingsMessage, timeoutMs).has_value(); }

std::optional<QString> SingleInstance::askStatus(int timeoutMs) {
    const auto reply = send(statusMessage, timeoutMs);
    if (!reply) return std::nullopt;
    return QString::fromUtf8(*reply);
}

std::optional<QByteArray> SingleInstance::send(QByteArrayView message, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    // The running instance may hold the lock but not listen yet while it starts up.
    QLocalSocket socket;
    for (;;) {
        socket.connectToServer(name_);
        if (socket.waitForConnected(int(std::max<qint64>(deadline.remainingTime(), 0)))) break;
        if (deadline.hasExpired()) return std::nullopt;
        QThread::msleep(20);
    }
    // Whoever listens there must be this user too.
    if (!peerIsUs(socket.socketDescriptor())) return std::nullopt;
    socket.write(message.data(), message.size());
    if (!socket.waitForBytesWritten(int(std::max<qint64>(deadline.remainingTime(), 1)))) return std::nullopt;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(int(std::max<qint64>(deadline.remainingTime(), 1)))) return std::nullopt;
    }
    if (socket.readLine(maxMessage) != answer) return std::nullopt;
    // The rest, until the instance hangs up.
    QByteArray rest;
    while (socket.state() == QLocalSocket::ConnectedState && rest.size() < maxAnswer &&
           socket.waitForReadyRead(int(std::max<qint64>(deadline.remainingTime(), 1)))) {
        rest += socket.readAll();
    }
    rest += socket.readAll();
    return rest;
}

}  // namespace tavlets
