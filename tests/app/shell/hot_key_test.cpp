#include "shell/hot_key.hpp"
#include "shell/x11_hot_key.hpp"

#include <gtest/gtest.h>

#include <optional>

#include <algorithm>

namespace tavlets {
namespace {

// The X core modifier bits (X.h's macros clash with the test framework).
constexpr unsigned LockMask = 1u << 1, Mod1Mask = 1u << 3, Mod2Mask = 1u << 4;

TEST(WaylandSession, FromSessionTypeOrDisplay) {
    const struct { const char* sessionType; bool waylandDisplay, wayland; } cases[] = {
        {"x11", false, false}, {"", false, false}, {"Wayland", false, true}, {"x11", true, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isWaylandSession(QString::fromLatin1(c.sessionType), c.waylandDisplay), c.wayland)
            << c.sessionType << " " << c.waylandDisplay;
    }
}

TEST(X11HotKeyMasks, EveryLockCombinationIsGrabbed) {
    const struct { unsigned numLock; std::vector<unsigned> masks; } cases[] = {
        {Mod2Mask, {Mod1Mask, Mod1Mask | LockMask, Mod1Mask | Mod2Mask, Mod1Mask | Mod2Mask | LockMask}},
        {0, {Mod1Mask, Mod1Mask | LockMask}},  // keyboard without Num Lock
    };
    for (const auto& c : cases) {
        std::vector<unsigned> masks = X11HotKey::grabMasks(Mod1Mask, c.numLock);
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

}  // namespace
}  // namespace tavlets
