// A small X client for the end-to-end tests and the shell measurement:
//   x11_probe grab                 holds Alt+Space on the root window, prints "ready", waits
//   x11_probe free                 exits 0 when nobody holds Alt+Space (and leaves it free)
//   x11_probe hot-key-map CLASS    presses Alt+Space itself (XTest) and prints the milliseconds
//                                  from the press to a window whose WM_CLASS instance is CLASS
//                                  being mapped (exit 1 after 5 s)

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <chrono>
#include <dlfcn.h>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

bool refused = false;

int onError(Display*, XErrorEvent* error) {
    if (error->error_code == BadAccess) refused = true;
    return 0;
}

int grab(Display* display, bool hold) {
    const Window root = DefaultRootWindow(display);
    const KeyCode space = XKeysymToKeycode(display, XK_space);
    XSetErrorHandler(onError);
    for (unsigned locks : {0u, unsigned(LockMask), unsigned(Mod2Mask), unsigned(LockMask | Mod2Mask)})
        XGrabKey(display, space, Mod1Mask | locks, root, True, GrabModeAsync, GrabModeAsync);
    XSync(display, False);
    if (refused) {
        std::fputs("refused\n", stdout);
        return 1;
    }
    if (!hold) return 0;  // closing the connection releases the grab
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);  // swallow the presses
    }
}

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

int hotKeyMap(Display* display, const char* instance) {
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
    const auto start = std::chrono::steady_clock::now();
    const bool mapped = waitForMap(display, instance, start);
    fakeKey(display, space, False, 0);
    fakeKey(display, alt, False, 0);
    XSync(display, False);
    return mapped ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fputs("cannot open the display\n", stderr);
        return 2;
    }
    const std::string mode = argc > 1 ? argv[1] : "";
    int status = -1;
    if (mode == "grab") status = grab(display, true);
    else if (mode == "free") status = grab(display, false);
    else if (mode == "hot-key-map" && argc > 2) status = hotKeyMap(display, argv[2]);
    if (status >= 0) {
        XCloseDisplay(display);
        return status;
    }
    std::fputs("usage: x11_probe grab | free | hot-key-map CLASS\n", stderr);
    return 2;
}
