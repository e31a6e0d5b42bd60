// The program's entry. SDL does not rename `main` on this platform, so the program provides it
// and enters the platform layer's `SDL_main`, where start-up and the frame loop live.
#include "Platform/SDL/sdl_tmp_win_platform.h"

int main(int argc, char* argv[]) {
    SDL_SetMainReady();
    return SDL_main(argc, argv);
}

#if KESTROLAN_SANITIZE
// Without a D-Bus session bus (under Xvfb, on a server) libdbus keeps a block from SDL's failed
// attempt to reach one: the system library's leak, not the program's, and the leak check at exit
// must still end a clean run with status 0.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }
#endif
