#include "shell/hot_key.hpp"
#include "shell/x11_hot_key.hpp"

#include <gtest/gtest.h>

#include <algorithm>

namespace tavlets {
namespace {

// The X core modifier bits (X.h's macros clash with the test framework).
constexpr unsigned LockMask = 1u << 1, Mod1Mask = 1u << 3, Mod2Mask = 1u << 4, Mod3Mask = 1u << 5;

TEST(WaylandSession, FromSessionTypeOrDisplay) {
    struct Case {
        const char* sessionType;
        bool waylandDisplay;
        bool wayland;
    };
    const Case cases[] = {
        {"x11", false, false}, {"", false, false},       {"tty", false, false},
        {"wayland", false, true}, {"Wayland", false, true}, {"x11", true, true}, {"", true, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isWaylandSession(QString::fromLatin1(c.sessionType), c.waylandDisplay), c.wayland)
            << c.sessionType << " " << c.waylandDisplay;
    }
}

TEST(X11HotKeyMasks, EveryLockCombinationIsGrabbed) {
    struct Case {
        unsigned numLock;
        std::vector<unsigned> masks;
    };
    const Case cases[] = {
        {Mod2Mask, {Mod1Mask, Mod1Mask | LockMask, Mod1Mask | Mod2Mask, Mod1Mask | Mod2Mask | LockMask}},
        {Mod3Mask, {Mod1Mask, Mod1Mask | LockMask, Mod1Mask | Mod3Mask, Mod1Mask | Mod3Mask | LockMask}},
        {0, {Mod1Mask, Mod1Mask | LockMask}},  // keyboard without Num Lock
        {LockMask, {Mod1Mask, Mod1Mask | LockMask}},
    };
    for (const Case& c : cases) {
        std::vector<unsigned> masks = X11HotKey::grabMasks(Mod1Mask, c.numLock);
        std::vector<unsigned> expected = c.masks;
        std::sort(masks.begin(), masks.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(masks, expected) << c.numLock;
    }
}

TEST(X11HotKey, NoDisplayIsARefusalNotACrash) {
    X11HotKey key(nullptr);
    EXPECT_EQ(key.status(), HotKeyStatus::notRegistered);
    bool ran = false;
    key.registerKey(Qt::Key_Space, Qt::AltModifier, [&] { ran = true; });
    EXPECT_FALSE(key.isRegistered());
    EXPECT_FALSE(ran);
}

TEST(HotKeyFactory, OffscreenHasNoGlobalKeys) {
    // The tests run on the offscreen platform: no X display to grab on.
    EXPECT_EQ(createHotKey()->status(), HotKeyStatus::unsupported);
}

}  // namespace
}  // namespace tavlets
