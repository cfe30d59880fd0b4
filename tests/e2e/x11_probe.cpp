// A small X client for the end-to-end tests:
//   x11_probe grab     holds Alt+Space on the root window, prints "ready", waits
//   x11_probe free     exits 0 when nobody holds Alt+Space (and leaves it free)

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <cstdio>
#include <string>

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
    if (status >= 0) {
        XCloseDisplay(display);
        return status;
    }
    std::fputs("usage: x11_probe grab | free\n", stderr);
    return 2;
}
