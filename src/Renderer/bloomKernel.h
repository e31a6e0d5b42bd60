#pragma once
// The taps of the bloom blur.
//
// Bloom is defined as five rounds of a horizontal then a vertical pass of the five-tap blur
// (0.061, 0.242, 0.383, 0.242, 0.061), the first horizontal pass reading the full-size highlights
// at the half-size target's pixel centres. Horizontal and vertical passes commute, so the same
// blur is three passes: the first horizontal pass as defined, the five vertical passes as one
// kernel of 21 texels, the remaining four horizontal passes as one kernel of 17 texels. Each kernel
// is then read with linearly filtered taps, two neighbouring texels per tap, the tap placed between
// them so that the filter weighs them as the kernel does.
//
// Offsets are in texels of the image read, along the pass's axis, from the pixel's own texture
// coordinate.

#include "Platform/machineDef.h"

namespace ve {

constexpr u32 BLUR_BASE_TAPS = 5;
constexpr f32 BLUR_BASE_WEIGHTS[BLUR_BASE_TAPS] = {0.061f, 0.242f, 0.383f, 0.242f, 0.061f};
constexpr u32 BLOOM_ITERATIONS = 5;

// The widest kernel, five base kernels convolved: 4 * 5 + 1 texels.
constexpr u32 BLUR_MAX_TEXELS = BLOOM_ITERATIONS * (BLUR_BASE_TAPS - 1) + 1;
constexpr u32 BLUR_MAX_TAPS = (BLUR_MAX_TEXELS + 1) / 2;

// Weights of consecutive texels, the first at `firstOffset`.
struct BlurKernel {
    f32 firstOffset;
    u32 texelCount;
    f32 weights[BLUR_MAX_TEXELS];
};

struct BlurTaps {
    u32 count;
    f32 offsets[BLUR_MAX_TAPS];
    f32 weights[BLUR_MAX_TAPS];
};

// The base kernel applied `passes` times in a row over an image of the target's own size: centred
// on the pixel's texel.
BlurKernel repeatedBlurKernel(u32 passes);

// The first horizontal pass: the base kernel stepping in texels of an image twice the target's
// size, from a coordinate that lies on the border between two of its texels, each of whose taps
// the linear filter splits equally between those two texels.
BlurKernel downsamplingBlurKernel();

// Pairs of neighbouring texels as one linearly filtered tap each; a last texel without a partner
// is a tap of its own, on its centre.
BlurTaps linearTaps(const BlurKernel& kernel);

} // namespace ve
