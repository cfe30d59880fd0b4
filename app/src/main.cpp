#include <cstdio>

int main() {
    std::fputs("Tavlets: the desktop app is not built yet.\n", stderr);
    return 0;
}
