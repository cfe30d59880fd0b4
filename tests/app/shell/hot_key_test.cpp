#include "shell/hot_key.hpp"
#include "shell/x11_hot_key.hpp"

#include "clipboard/x_server.hpp"

#include <QProcess>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

// Xlib's own header defines macros that clash with the test framework.
extern "C" Display* XOpenDisplay(const char* name);
extern "C" int XCloseDisplay(Display* display);

namespace tavlets {
namespace {

// The X core modifier bits, under names of their own (X.h's macros clash with the test framework).
constexpr unsigned kLock = 1u << 1, kMod1 = 1u << 3, kMod2 = 1u << 4;

TEST(WaylandSession, FromSessionTypeOrDisplay) {
    const struct { const char* sessionType; bool waylandDisplay, wayland; } cases[] = {
        {"x11", false, false}, {"", false, false}, {"Wayland", false, true}, {"x11", true, true},
    };
    for (const auto& c : cases) EXPECT_EQ(isWaylandSession(QLatin1String(c.sessionType), c.waylandDisplay), c.wayland) << c.sessionType;
}

TEST(X11HotKeyMasks, EveryLockCombinationIsGrabbed) {
    const struct { unsigned numLock; std::vector<unsigned> masks; } cases[] = {
        {kMod2, {kMod1, kMod1 | kLock, kMod1 | kMod2, kMod1 | kMod2 | kLock}},
        {0, {kMod1, kMod1 | kLock}},  // keyboard without Num Lock
    };
    for (const auto& c : cases) {
        std::vector<unsigned> masks = X11HotKey::grabMasks(kMod1, c.numLock);
        std::sort(masks.begin(), masks.end());
        EXPECT_EQ(masks, c.masks) << c.numLock;
    }
}

TEST(X11HotKey, WithoutADisplayNothingIsGrabbedAndNothingCrashes) {
    X11HotKey key(nullptr);
    key.registerKey(Qt::Key_Space, Qt::AltModifier, [] { FAIL() << "no key can have been pressed"; });
    EXPECT_FALSE(key.isRegistered());
    std::optional<bool> inForce;
    key.rebind(Qt::Key_K, Qt::ControlModifier, [&](bool done) { inForce = done; });
    EXPECT_EQ(inForce, false);  // answered at once, and not in force
    EXPECT_EQ(key.status(), HotKeyStatus::refused);
    // The tests run on the offscreen platform: no X display to grab on.
    EXPECT_EQ(createHotKey()->status(), HotKeyStatus::unsupported);
}

TEST(X11HotKey, AKeyMissingFromTheLayoutIsToldApartFromOneAnotherAppHolds) {
    const testing::Xvfb x;
    if (x.display.empty()) GTEST_SKIP() << "no Xvfb";
    const char* name = x.display.c_str();
    Display* other = XOpenDisplay(name);
    ASSERT_TRUE(other);
    // Another client holds Ctrl+Alt+J.
    X11HotKey holder(other);
    holder.registerKey(Qt::Key_J, Qt::ControlModifier | Qt::AltModifier, [] {});
    ASSERT_EQ(holder.status(), HotKeyStatus::registered);

    const struct { const char* layout; Qt::Key key; HotKeyStatus status; } cases[] = {
        {"us", Qt::Key_K, HotKeyStatus::registered},
        {"us", Qt::Key_J, HotKeyStatus::refused},
        {"us", Qt::Key_Adiaeresis, HotKeyStatus::notOnLayout},
        {"us", Qt::Key(0x424), HotKeyStatus::notOnLayout},  // Cyrillic Ef
        {"de", Qt::Key_Adiaeresis, HotKeyStatus::registered},
        {"ru", Qt::Key(0x424), HotKeyStatus::registered},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.layout) + " " + std::to_string(int(c.key)));
        ASSERT_EQ(QProcess::execute(QStringLiteral("setxkbmap"), {QStringLiteral("-display"), name, QString::fromLatin1(c.layout)}), 0);
        Display* display = XOpenDisplay(name);
        ASSERT_TRUE(display);
        {
            X11HotKey key(display);
            key.registerKey(c.key, Qt::ControlModifier | Qt::AltModifier, [] {});
            EXPECT_EQ(key.status(), c.status);
            EXPECT_EQ(key.isOnLayout(c.key), c.status != HotKeyStatus::notOnLayout);
            // A rebind to a missing key keeps a working one and says why.
            if (c.status == HotKeyStatus::registered) {
                key.rebind(Qt::Key(0x5d0), Qt::ControlModifier, {});  // Hebrew Alef, on none of these
                EXPECT_EQ(key.status(), HotKeyStatus::registered);
                EXPECT_FALSE(key.isOnLayout(Qt::Key(0x5d0)));
            }
        }
        XCloseDisplay(display);
    }
    XCloseDisplay(other);
}

}  // namespace
}  // namespace tavlets
