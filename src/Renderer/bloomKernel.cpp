#include "Renderer/bloomKernel.h"

namespace ve {

BlurKernel repeatedBlurKernel(u32 passes) {
    BlurKernel kernel = {};
    kernel.texelCount = 1;
    kernel.weights[0] = 1.0f;
    for (u32 pass = 0; pass < passes; ++pass) {
        f32 convolved[BLUR_MAX_TEXELS] = {};
        for (u32 i = 0; i < kernel.texelCount; ++i) {
            for (u32 j = 0; j < BLUR_BASE_TAPS; ++j) convolved[i + j] += kernel.weights[i] * BLUR_BASE_WEIGHTS[j];
        }
        kernel.texelCount += BLUR_BASE_TAPS - 1;
        for (u32 i = 0; i < kernel.texelCount; ++i) kernel.weights[i] = convolved[i];
    }
    kernel.firstOffset = -(f32)(kernel.texelCount / 2);
    return kernel;
}

BlurKernel downsamplingBlurKernel() {
    // Tap i of the base kernel lies on the border at offset i and takes half of each texel beside
    // it, the texels centred at i - 0.5 and i + 0.5.
    BlurKernel kernel = {};
    kernel.texelCount = BLUR_BASE_TAPS + 1;
    kernel.firstOffset = -(f32)(BLUR_BASE_TAPS / 2) - 0.5f;
    for (u32 i = 0; i < BLUR_BASE_TAPS; ++i) {
        kernel.weights[i] += 0.5f * BLUR_BASE_WEIGHTS[i];
        kernel.weights[i + 1] += 0.5f * BLUR_BASE_WEIGHTS[i];
    }
    return kernel;
}

BlurTaps linearTaps(const BlurKernel& kernel) {
    BlurTaps taps = {};
    for (u32 i = 0; i < kernel.texelCount; i += 2) {
        f32 first = kernel.weights[i];
        f32 second = i + 1 < kernel.texelCount ? kernel.weights[i + 1] : 0.0f;
        f32 sum = first + second;
        // Linear filtering between the two centres gives the second texel the share of the way.
        taps.offsets[taps.count] = kernel.firstOffset + (f32)i + (sum > 0.0f ? second / sum : 0.0f);
        taps.weights[taps.count] = sum;
        ++taps.count;
    }
    return taps;
}

} // namespace ve
