#pragma once
// Everything the game draws, generated. `makeKestrolanArt` is the whole pack's contents.

#include "artKit.h"
#include "glowMask.h"

namespace art {

void addMeshes(pakbuild::PakContents* contents);
void addTextures(pakbuild::PakContents* contents);
void addMaterials(pakbuild::PakContents* contents);
// The 624 x 573 glyph atlas "font_img", rasterised from a monospaced TrueType font. False, with a
// message on stderr, when the font cannot be read.
bool addFontAtlas(pakbuild::PakContents* contents, const char* fontPath);

bool makeKestrolanArt(pakbuild::PakContents* contents, const char* fontPath);

} // namespace art
