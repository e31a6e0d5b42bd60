// pakbuild: generates the game's art and writes it as one asset pack.
//
//   pakbuild <output.pak> <monospaced-font.ttf>
//
// The output is replaced in one step (written beside it, then renamed), so the game never reads a
// half-written pack.

#include "kestrolanArt.h"

#include <stdio.h>

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: pakbuild <output.pak> <monospaced-font.ttf>\n");
        return 2;
    }
    pakbuild::PakContents contents;
    if (!art::makeKestrolanArt(&contents, argv[2])) return 1;
    std::vector<u8> pack = pakbuild::serializePak(contents);
    if (!pakbuild::writeFileReplacing(argv[1], pack)) return 1;
    printf("pakbuild: wrote %s (%zu assets, %zu bytes)\n", argv[1],
           contents.meshes.size() + contents.textures.size() + contents.materials.size(), pack.size());
    return 0;
}
