// Prints the system's ANSI code page, so that a test sees which one Wine chose for its session.
#include <windows.h>

#include <cstdio>

int main() {
    std::printf("%u\n", ::GetACP());
    return 0;
}
