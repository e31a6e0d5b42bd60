#pragma once
// Folding an emission image into the albedo drawn with it. Where every texel of the emission is
// one colour times a mask, the mask is moved into the albedo's alpha (which is 255 everywhere in
// an opaque albedo, so it carries nothing else) and the emission becomes that colour alone, one
// texel. The renderer then samples one texture for both, and draws the same picture.

#include "pakWriter.h"

namespace pakbuild {

// Folds `emission` into `albedo` and flags both (PAK_TEXTURE_ALPHA_IS_GLOW_MASK,
// PAK_TEXTURE_GLOW_MASK_IN_ALBEDO). False, with both unchanged, when the albedo is not opaque,
// the sizes differ, nothing glows, or some texel is not the colour times a mask to within one
// and a half levels per channel.
bool foldGlowMask(PakImage* albedo, PakImage* emission);

// foldGlowMask on each pair of names that the contents hold, as the art pairs them; returns the
// number of pairs folded.
u32 foldGlowMasks(PakContents* contents, const std::vector<std::pair<std::string, std::string>>& albedoEmissionPairs);

} // namespace pakbuild
