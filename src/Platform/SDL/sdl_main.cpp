#include <stdio.h>

// The window and the frame loop do not exist yet: the program only says so.
int main() {
    fputs("Kestrolan: the window and frame loop are not built yet.\n", stdout);
    return 0;
}
