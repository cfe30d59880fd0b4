// Presses Alt+Space itself (XTest) and prints the milliseconds from the press to a window whose
// WM_CLASS instance is the given one being mapped; exit 1 when none is within 5 s.
//   hot_key_map CLASS

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <thread>

namespace {

bool hasInstance(Display* display, Window window, const char* instance) {
    XClassHint hint{};
    if (!XGetClassHint(display, window, &hint)) return false;
    const bool match = hint.res_name && std::strcmp(hint.res_name, instance) == 0;
    if (hint.res_name) XFree(hint.res_name);
    if (hint.res_class) XFree(hint.res_class);
    return match;
}

using FakeKey = int (*)(Display*, unsigned, int, unsigned long);

// XTest comes from the library xdotool uses; loaded at run time so no development package is needed.
FakeKey loadFakeKey() {
    void* library = dlopen("libXtst.so.6", RTLD_NOW);
    return library ? reinterpret_cast<FakeKey>(dlsym(library, "XTestFakeKeyEvent")) : nullptr;
}

// Waits up to 5 s for a window of the instance to be mapped; prints the milliseconds since start.
bool waitForMap(Display* display, const char* instance, std::chrono::steady_clock::time_point start) {
    const auto deadline = start + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && hasInstance(display, event.xmap.window, instance)) {
                const auto elapsed = std::chrono::steady_clock::now() - start;
                std::printf("%.1f\n", std::chrono::duration<double, std::milli>(elapsed).count());
                return true;
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    std::fputs("no window mapped\n", stderr);
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: hot_key_map CLASS\n", stderr);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fputs("cannot open the display\n", stderr);
        return 2;
    }
    const FakeKey fakeKey = loadFakeKey();
    if (!fakeKey) {
        std::fputs("XTest is not available\n", stderr);
        return 2;
    }
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, False);
    const unsigned alt = XKeysymToKeycode(display, XK_Alt_L);
    const unsigned space = XKeysymToKeycode(display, XK_space);
    fakeKey(display, alt, True, 0);
    fakeKey(display, space, True, 0);
    XSync(display, False);
    const bool mapped = waitForMap(display, argv[1], std::chrono::steady_clock::now());
    fakeKey(display, space, False, 0);
    fakeKey(display, alt, False, 0);
    XCloseDisplay(display);
    return mapped ? 0 : 1;
}
