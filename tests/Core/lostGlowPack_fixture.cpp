// Damages a pack the way a cut or a bad write may: the glow record of one texture moves past the
// end of the file, while its table entry still says that the texture's alpha is a glow's mask.
// Usage: lostGlowPack_fixture <pack file, rewritten in place> <texture name>

#include "../harness/diskFiles.h"

#include "Core/Assets/assetDef.h"
#include "Core/Assets/pakFormat.h"

#include <stdio.h>

#include <vector>

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: lostGlowPack_fixture <pack> <texture name>\n");
        return 2;
    }
    std::vector<u8> pack = diskfiles::readWholeFile(argv[1]);
    if (pack.size() < ve::PAK_HEADER_SIZE) return 1;
    ve::AssetPackHeader header = ve::decodePakRecord<ve::AssetPackHeader>(pack.data());
    const ve::Hash id = ve::hashASCIIZ((c8*)argv[2]);
    for (u64 j = 0; j < header.numberOfAssets; ++j) {
        u64 at = header.assetHeaderTableOffset + j * ve::PAK_TABLE_ENTRY_SIZE;
        if (at + ve::PAK_TABLE_ENTRY_SIZE > pack.size()) return 1;
        ve::AssetHeaderTableEntry entry = ve::decodePakRecord<ve::AssetHeaderTableEntry>(pack.data() + at);
        if (!(entry.assetID == id) || entry.glowRecordOffset == 0) continue;
        entry.glowRecordOffset = pack.size();
        ve::encodePakRecord(entry, pack.data() + at);
        FILE* file = fopen(argv[1], "wb");
        bool written = file && fwrite(pack.data(), 1, pack.size(), file) == pack.size();
        if (file) written = fclose(file) == 0 && written;
        return written ? 0 : 1;
    }
    fprintf(stderr, "lostGlowPack_fixture: %s has no texture \"%s\" with a glow record\n", argv[1], argv[2]);
    return 1;
}
