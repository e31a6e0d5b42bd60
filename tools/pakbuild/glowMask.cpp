#include "glowMask.h"

#include <math.h>
#include <stdlib.h>

namespace pakbuild {

namespace {

u32 channelOf(u32 texel, u32 channel) { return (texel >> (8 * channel)) & 0xFFu; }

b8 isOpaque(const PakImage& image) {
    for (u32 texel : image.pixels) {
        if (channelOf(texel, 3) != 0xFFu) return 0;
    }
    return 1;
}

// The brightest texel: where the mask is largest, so the colour is read at its best precision.
u32 brightestTexel(const PakImage& image) {
    u32 brightest = 0, bestSum = 0;
    for (u32 texel : image.pixels) {
        u32 sum = channelOf(texel, 0) + channelOf(texel, 1) + channelOf(texel, 2);
        if (sum > bestSum) {
            bestSum = sum;
            brightest = texel;
        }
    }
    return brightest;
}

// How far a texel may lie from the colour times its mask, in levels: the texel's own rounding,
// the colour's (read from one rounded texel) scaled by the mask, and the mask's.
constexpr f32 MASK_TOLERANCE = 1.5f;

// The mask byte of `texel` as `colour` times a mask, read on the colour's strongest channel; -1
// when some channel is further than MASK_TOLERANCE from the colour times that mask. The brightest
// texel by sum need not be the brightest on that channel: a mask above 1 is taken as 1 (a byte
// holds no more), and the texel must then lie within the tolerance of the full colour.
s32 maskOf(u32 texel, u32 colour, u32 strongest) {
    f32 mask = fminf((f32)channelOf(texel, strongest) / (f32)channelOf(colour, strongest), 1.0f);
    for (u32 channel = 0; channel < 3; ++channel) {
        f32 expected = (f32)channelOf(colour, channel) * mask;
        if (fabsf(expected - (f32)channelOf(texel, channel)) > MASK_TOLERANCE) return -1;
    }
    return (s32)lroundf(mask * 255.0f);
}

PakImage* findImage(PakContents* contents, const std::string& name) {
    for (PakImage& image : contents->textures) {
        if (image.name == name) return &image;
    }
    return nullptr;
}

} // namespace

bool foldGlowMask(PakImage* albedo, const PakImage& emission) {
    if (albedo->width != emission.width || albedo->height != emission.height) return false;
    if (!albedo->glowEmission.empty() || !isOpaque(*albedo) || !isOpaque(emission)) return false;
    u32 colour = brightestTexel(emission);
    u32 strongest = 0;
    for (u32 channel = 1; channel < 3; ++channel) {
        if (channelOf(colour, channel) > channelOf(colour, strongest)) strongest = channel;
    }
    if (channelOf(colour, strongest) == 0) return false;

    std::vector<u8> masks(emission.pixels.size());
    for (size_t i = 0; i < masks.size(); ++i) {
        s32 mask = maskOf(emission.pixels[i], colour, strongest);
        if (mask < 0) return false;
        masks[i] = (u8)mask;
    }
    for (size_t i = 0; i < masks.size(); ++i) albedo->pixels[i] = (albedo->pixels[i] & 0x00FFFFFFu) | (u32)masks[i] << 24;
    albedo->glowEmission = emission.name;
    albedo->glowColour = colour;
    return true;
}

u32 foldGlowMasks(PakContents* contents, const std::vector<std::pair<std::string, std::string>>& albedoEmissionPairs) {
    u32 folded = 0;
    for (const auto& [albedoName, emissionName] : albedoEmissionPairs) {
        PakImage* albedo = findImage(contents, albedoName);
        PakImage* emission = findImage(contents, emissionName);
        if (albedo && emission && foldGlowMask(albedo, *emission)) ++folded;
    }
    return folded;
}

} // namespace pakbuild
