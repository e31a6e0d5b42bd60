#pragma once
// Folding an emission image into the albedo drawn with it. Where every texel of the emission is
// one colour times a mask, the mask is copied into the albedo's alpha (which is 255 everywhere in
// an opaque albedo, so it carries nothing else) and the albedo records the emission and the
// colour. Drawn together, the renderer then samples the albedo alone and draws the same picture;
// the emission keeps its image for any other albedo.

#include "pakWriter.h"

namespace pakbuild {

// Folds `emission` into `albedo`: the mask into its alpha, the emission's name and colour into its
// glow fields. False, with the albedo unchanged, when either is not opaque, the sizes differ,
// nothing glows, the albedo holds a glow already, or some texel is not the colour times a mask
// to within one and a half levels per channel.
bool foldGlowMask(PakImage* albedo, const PakImage& emission);

// foldGlowMask on each pair of names that the contents hold, as the art pairs them; returns the
// number of pairs folded.
u32 foldGlowMasks(PakContents* contents, const std::vector<std::pair<std::string, std::string>>& albedoEmissionPairs);

} // namespace pakbuild
