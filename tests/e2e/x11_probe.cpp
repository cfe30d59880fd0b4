// A small X client for the end-to-end tests and the shell measurement:
//   x11_probe grab                 holds Alt+Space on the root window, prints "ready", waits
//   x11_probe free                 exits 0 when nobody holds Alt+Space (and leaves it free)
//   x11_probe time-map CLASS CMD…  runs CMD and prints the milliseconds until a window whose
//                                  WM_CLASS instance is CLASS is mapped (exit 1 after 5 s)

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/wait.h>
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

int timeMap(Display* display, const char* instance, char** command) {
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        execvp(command[0], command);
        _exit(127);
    }
    const auto deadline = start + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && hasInstance(display, event.xmap.window, instance)) {
                const auto elapsed = std::chrono::steady_clock::now() - start;
                std::printf("%.1f\n", std::chrono::duration<double, std::milli>(elapsed).count());
                waitpid(child, nullptr, 0);
                return 0;
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    waitpid(child, nullptr, 0);
    std::fputs("no window mapped\n", stderr);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fputs("cannot open the display\n", stderr);
        return 2;
    }
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "grab") return grab(display, true);
    if (mode == "free") return grab(display, false);
    if (mode == "time-map" && argc > 3) return timeMap(display, argv[2], argv + 3);
    std::fputs("usage: x11_probe grab | free | time-map CLASS COMMAND...\n", stderr);
    return 2;
}
