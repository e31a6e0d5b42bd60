// The program's entry. SDL does not rename `main` on this platform, so the program provides it
// and enters the platform layer's `SDL_main`, where start-up and the frame loop live.
#include "Platform/SDL/sdl_tmp_win_platform.h"

int main(int argc, char* argv[]) {
    SDL_SetMainReady();
    return SDL_main(argc, argv);
}
