// The bloom's taps against the blur they stand for: five rounds of the five-tap kernel, computed
// here the long way.

#include "Renderer/bloomKernel.h"

#include <gtest/gtest.h>

#include <math.h>

#include <vector>

namespace {

// A 1D image of `size` texels with one bright texel, blurred `passes` times with the base kernel,
// clamping reads to the edge as the GPU does.
std::vector<f64> blurLongWay(std::vector<f64> image, u32 passes) {
    for (u32 pass = 0; pass < passes; ++pass) {
        std::vector<f64> out(image.size(), 0.0);
        for (s32 x = 0; x < (s32)image.size(); ++x) {
            for (s32 k = -2; k <= 2; ++k) {
                s32 from = std::min(std::max(x + k, 0), (s32)image.size() - 1);
                out[x] += image[from] * ve::BLUR_BASE_WEIGHTS[k + 2];
            }
        }
        image = out;
    }
    return image;
}

// What linearly filtered taps read from `image` at texel coordinate `centre` (texel i's centre at
// i): each tap mixes the two texels around it by its distance to them.
f64 sampleTaps(const std::vector<f64>& image, f64 centre, const ve::BlurTaps& taps) {
    f64 sum = 0.0;
    for (u32 i = 0; i < taps.count; ++i) {
        f64 position = centre + taps.offsets[i];
        f64 left = floor(position);
        f64 share = position - left;
        auto texel = [&](f64 at) {
            s32 index = std::min(std::max((s32)at, 0), (s32)image.size() - 1);
            return image[index];
        };
        sum += taps.weights[i] * ((1.0 - share) * texel(left) + share * texel(left + 1.0));
    }
    return sum;
}

TEST(BloomKernel, RepeatedKernelsSumToTheBaseSumRaisedToThePassesAndAreSymmetric) {
    for (u32 passes = 1; passes <= ve::BLOOM_ITERATIONS; ++passes) {
        ve::BlurKernel kernel = ve::repeatedBlurKernel(passes);
        EXPECT_EQ(kernel.texelCount, 4 * passes + 1);
        EXPECT_FLOAT_EQ(kernel.firstOffset, -2.0f * (f32)passes);
        f64 sum = 0.0;
        for (u32 i = 0; i < kernel.texelCount; ++i) {
            sum += kernel.weights[i];
            EXPECT_NEAR(kernel.weights[i], kernel.weights[kernel.texelCount - 1 - i], 1e-7) << passes;
        }
        EXPECT_NEAR(sum, pow(0.989, passes), 1e-6) << passes;
    }
}

TEST(BloomKernel, LinearTapsOfARepeatedKernelEqualThatManyPassesOfTheFiveTapBlur) {
    // Far from the edges, so that one wide kernel and several clamped passes read the same texels.
    const s32 size = 64;
    for (u32 passes : {1u, 4u, 5u}) {
        std::vector<f64> image(size, 0.0);
        image[30] = 1.0;
        image[33] = 0.25;
        std::vector<f64> expected = blurLongWay(image, passes);
        ve::BlurTaps taps = ve::linearTaps(ve::repeatedBlurKernel(passes));
        EXPECT_EQ(taps.count, (4 * passes + 2) / 2);
        for (s32 x = 12; x < 52; ++x) {
            EXPECT_NEAR(sampleTaps(image, x, taps), expected[x], 1e-6) << "passes " << passes << " x " << x;
        }
    }
}

TEST(BloomKernel, DownsamplingTapsEqualTheFiveTapBlurOnTexelBorders) {
    // The full-size image: texel centres at i; the half-size pixel j reads from the border
    // between texels 2j and 2j + 1, at 2j + 0.5, where each base tap splits evenly.
    const s32 size = 64;
    std::vector<f64> image(size, 0.0);
    image[31] = 1.0;
    image[36] = 0.5;
    ve::BlurTaps taps = ve::linearTaps(ve::downsamplingBlurKernel());
    EXPECT_EQ(taps.count, 3u);
    for (s32 j = 8; j < 24; ++j) {
        f64 border = 2.0 * j + 0.5;
        f64 expected = 0.0;
        for (s32 k = -2; k <= 2; ++k) {
            f64 at = border + k;
            expected += ve::BLUR_BASE_WEIGHTS[k + 2] * 0.5 * (image[(s32)floor(at)] + image[(s32)floor(at) + 1]);
        }
        EXPECT_NEAR(sampleTaps(image, border, taps), expected, 1e-6) << "pixel " << j;
    }
}

} // namespace
