#include "shell/single_instance.hpp"

#include "shell_test_util.hpp"

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QUuid>

#include <gtest/gtest.h>

#include <future>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace tavlets {
namespace {

using test::spinUntil;

QString uniqueName() {
    return QStringLiteral("tavlets-test-") + QUuid::createUuid().toString(QUuid::Id128).left(12);
}

// The later launch blocks while it waits for the answer, so it runs on a thread of its own.
std::future<bool> sendFromAnotherProcess(const QString& name, int timeoutMs = 3000) {
    return std::async(std::launch::async, [name, timeoutMs] { return SingleInstance(name).sendToggle(timeoutMs); });
}

bool ready(const std::future<bool>& f) { return f.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }

TEST(SingleInstanceName, PerUserAndDisplay) {
    struct Case {
        unsigned uid;
        const char* display;
        const char* wayland;
        const char* name;
    };
    const Case cases[] = {
        {1000, ":0", "", "tavlets-1000-_0"},
        {1000, ":0", "wayland-0", "tavlets-1000-_0"},  // XWayland: the X display decides
        {1001, ":0", "", "tavlets-1001-_0"},
        {1000, "", "wayland-1", "tavlets-1000-wayland-1"},
        {1000, "localhost:10.0", "", "tavlets-1000-localhost_10_0"},
        {1000, "../../etc/x", "", "tavlets-1000-______etc_x"},  // never a path
        {1000, "", "", "tavlets-1000-none"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SingleInstance::nameFor(c.uid, QString::fromUtf8(c.display), QString::fromUtf8(c.wayland)),
                  QString::fromUtf8(c.name))
            << c.display << " " << c.wayland;
    }
}

TEST(SingleInstance, OnlyTheFirstClaims) {
    const QString name = uniqueName();
    SingleInstance first(name);
    SingleInstance second(name);
    EXPECT_TRUE(first.claim());
    EXPECT_FALSE(second.claim());
}

TEST(SingleInstance, LaterLaunchTogglesTheRunningOne) {
    const QString name = uniqueName();
    SingleInstance running(name);
    ASSERT_TRUE(running.claim());
    ASSERT_TRUE(running.listen());
    int toggles = 0;
    QObject::connect(&running, &SingleInstance::toggleRequested, [&] { ++toggles; });

    for (int launch = 1; launch <= 2; ++launch) {
        auto answered = sendFromAnotherProcess(name);
        ASSERT_TRUE(spinUntil([&] { return ready(answered); }));
        EXPECT_TRUE(answered.get());
        EXPECT_EQ(toggles, launch);
    }
}

TEST(SingleInstance, SocketLeftByACrashIsReplaced) {
    const QString name = uniqueName();
    const QString path = QDir::temp().filePath(name);
    // A bound Unix socket nobody listens on, as a killed process leaves it.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray encoded = QFile::encodeName(path);
    ASSERT_LT(size_t(encoded.size()), sizeof(address.sun_path));
    std::memcpy(address.sun_path, encoded.constData(), size_t(encoded.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ::close(fd);
    ASSERT_TRUE(QFile::exists(path));

    SingleInstance running(name);
    ASSERT_TRUE(running.claim());
    ASSERT_TRUE(running.listen());
    bool toggled = false;
    QObject::connect(&running, &SingleInstance::toggleRequested, [&] { toggled = true; });
    auto answered = sendFromAnotherProcess(name);
    ASSERT_TRUE(spinUntil([&] { return ready(answered); }));
    EXPECT_TRUE(answered.get());
    EXPECT_TRUE(toggled);
}

TEST(SingleInstance, NobodyListeningIsReportedNotHidden) {
    SingleInstance lonely(uniqueName());
    EXPECT_FALSE(lonely.sendToggle(200));
}

TEST(SingleInstance, StrangeMessagesDoNotToggle) {
    const QString name = uniqueName();
    SingleInstance running(name);
    ASSERT_TRUE(running.claim());
    ASSERT_TRUE(running.listen());
    int toggles = 0;
    QObject::connect(&running, &SingleInstance::toggleRequested, [&] { ++toggles; });

    for (const QByteArray& message : {QByteArray("show\n"), QByteArray("toggle"), QByteArray(4096, 'x')}) {
        QLocalSocket socket;
        socket.connectToServer(name);
        ASSERT_TRUE(socket.waitForConnected(1000));
        socket.write(message);
        socket.flush();
        spinUntil([&] { return false; }, 100);
        socket.abort();
    }
    spinUntil([&] { return false; }, 100);
    EXPECT_EQ(toggles, 0);
}

}  // namespace
}  // namespace tavlets
