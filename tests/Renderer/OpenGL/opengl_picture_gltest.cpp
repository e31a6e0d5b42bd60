// Whole pictures of the frame pipeline against the pictures it drew before it was made faster:
// the fixed scene of the golden image and the furnished room, read back from the window at full
// size. "The same picture" is at least 99.9% of the pixels within 2 of 255 levels.
//
// KESTROLAN_WRITE_PICTURES=1 stores the pictures instead (only after a deliberate change to what is
// drawn; look at them before committing).

#include "opengl_test_support.h"
#include "pictureScenes.h"
#include "windowPicture.h"

#include "Memory/memory.h"
#include "Renderer/OpenGL/opengl_pipeline.h"
#include "Renderer/bloomKernel.h"

#include <math.h>
#include <stdlib.h>

#include <vector>

using namespace gltest;

namespace {

class PictureTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        tmpMemory = new std::vector<u8>(64 << 20);
        tmp = ve::createHeapStore(buffer{tmpMemory->size(), tmpMemory->data()});
        ve::tmpStore = &tmp;
        scenes = new picturescenes::Scenes();
        picturescenes::uploadScenes(scenes);
    }

    static inline std::vector<u8>* tmpMemory;
    static inline ve::MemoryStore tmp;
    static inline picturescenes::Scenes* scenes;
};

TEST_F(PictureTest, BothScenesLookAsTheyDidBefore) {
    for (u32 i = 0; i < picturescenes::SCENE_COUNT; ++i) {
        picturescenes::Scene scene = (picturescenes::Scene)i;
        ve::RenderFrame frame = picturescenes::fillScene(scenes, scene);
        ve::drawRenderFrame(&frame, 1, 0.0f);
        windowpicture::Picture actual = windowpicture::readWindow(pipescene::WIDTH, pipescene::HEIGHT);
        std::string path = picturescenes::storedPicturePath(scene);
        if (getenv("KESTROLAN_WRITE_PICTURES")) {
            ASSERT_TRUE(windowpicture::writePicture(path, actual));
            continue;
        }
        windowpicture::Picture stored;
        ASSERT_TRUE(windowpicture::readPicture(path, &stored)) << "missing " << path;
        windowpicture::Difference difference = windowpicture::compare(actual, stored, windowpicture::NEAR_LEVELS);
        EXPECT_TRUE(windowpicture::isSamePicture(difference))
            << picturescenes::sceneNames[scene] << ": " << difference.nearFraction * 100.0
            << "% of the pixels within 2 levels, worst " << difference.worst;
    }
}

TEST(WindowPicture, ComparisonCountsPixelsBeyondTheToleranceAndTheWorstOne) {
    windowpicture::Picture a;
    a.width = 1000;
    a.height = 2;
    a.rgb.assign(2000 * 3, 100);
    windowpicture::Picture b = a;
    b.rgb[0] = 102; // within the tolerance
    b.rgb[4] = 97;  // 3 levels off: one pixel of 2000
    windowpicture::Difference one = windowpicture::compare(a, b, windowpicture::NEAR_LEVELS);
    EXPECT_DOUBLE_EQ(one.nearFraction, 1999.0 / 2000.0);
    EXPECT_EQ(one.worst, 3);
    EXPECT_TRUE(windowpicture::isSamePicture(one));
    b.rgb[3 * 1500 + 2] = 0; // a second pixel: exactly 99.9% within is still enough
    windowpicture::Difference two = windowpicture::compare(a, b, windowpicture::NEAR_LEVELS);
    EXPECT_EQ(two.worst, 100);
    EXPECT_TRUE(windowpicture::isSamePicture(two));
    b.rgb[3 * 1999] = 110; // a third is too many
    EXPECT_FALSE(windowpicture::isSamePicture(windowpicture::compare(a, b, windowpicture::NEAR_LEVELS)));
    b.height = 1;
    EXPECT_FALSE(windowpicture::isSamePicture(windowpicture::compare(a, b, windowpicture::NEAR_LEVELS)));
}

// =============================================================================================
// Bloom: three passes of linear taps against five rounds of the five-tap blur
// =============================================================================================

// One pass of the five-tap blur over a w by h image along one axis, reads clamped to the edge.
std::vector<f64> blurOnce(const std::vector<f64>& image, s32 w, s32 h, bool horizontal) {
    std::vector<f64> out(image.size(), 0.0);
    for (s32 y = 0; y < h; ++y) {
        for (s32 x = 0; x < w; ++x) {
            for (s32 k = -2; k <= 2; ++k) {
                s32 sx = horizontal ? std::min(std::max(x + k, 0), w - 1) : x;
                s32 sy = horizontal ? y : std::min(std::max(y + k, 0), h - 1);
                out[(size_t)y * w + x] += ve::BLUR_BASE_WEIGHTS[k + 2] * image[(size_t)sy * w + sx];
            }
        }
    }
    return out;
}

// Five rounds of a horizontal then a vertical pass of the five-tap blur, as the passes used to
// run them: the first horizontal pass reads the full-size image (w by h) with linear filtering at
// the half-size pixel centres, one full-size texel per step; every later pass reads the half-size
// result at its own texel centres. Reads clamp to the edge.
std::vector<f64> bloomLongWay(const std::vector<f64>& full, s32 w, s32 h) {
    const s32 hw = w / 2, hh = h / 2;
    auto fullAt = [&](s32 x, s32 y) {
        return full[(size_t)std::min(std::max(y, 0), h - 1) * w + std::min(std::max(x, 0), w - 1)];
    };
    std::vector<f64> half((size_t)hw * hh, 0.0);
    for (s32 y = 0; y < hh; ++y) {
        for (s32 x = 0; x < hw; ++x) {
            // The pixel centre lies on the corner of four full-size texels; each tap moves one texel.
            for (s32 k = -2; k <= 2; ++k) {
                s32 left = 2 * x + k, bottom = 2 * y;
                f64 box = (fullAt(left, bottom) + fullAt(left + 1, bottom) + fullAt(left, bottom + 1) +
                           fullAt(left + 1, bottom + 1)) / 4.0;
                half[(size_t)y * hw + x] += ve::BLUR_BASE_WEIGHTS[k + 2] * box;
            }
        }
    }
    half = blurOnce(half, hw, hh, false);
    for (u32 i = 1; i < ve::BLOOM_ITERATIONS; ++i) {
        half = blurOnce(half, hw, hh, true);
        half = blurOnce(half, hw, hh, false);
    }
    return half;
}

TEST(Bloom, ThreePassesOfLinearTapsBlurLikeFiveRoundsOfTheFiveTapKernel) {
    const s32 w = (s32)ve::rendererState->windowSize.x, h = (s32)ve::rendererState->windowSize.y;
    // A few highlights of different sizes and strengths, away from the edges.
    std::vector<f64> full((size_t)w * h, 0.0);
    for (s32 y = 400; y < 440; ++y)
        for (s32 x = 700; x < 713; ++x) full[(size_t)y * w + x] = 1.5;
    full[(size_t)200 * w + 300] = 2.0;
    full[(size_t)201 * w + 301] = 0.75;
    for (s32 x = 1000; x < 1200; ++x) full[(size_t)650 * w + x] = 0.4;

    std::vector<f32> rgb((size_t)w * h * 3);
    for (size_t i = 0; i < full.size(); ++i) rgb[i * 3] = rgb[i * 3 + 1] = rgb[i * 3 + 2] = (f32)full[i];
    ve::glBindTexture(GL_TEXTURE_2D, ve::rendererState->colorBuffers[1]);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, w, h, GL_RGB, GL_FLOAT, rgb.data());
    ve::blurHighlights();

    std::vector<f64> expected = bloomLongWay(full, w, h);
    const s32 hw = w / 2, hh = h / 2;
    std::vector<f32> actual((size_t)hw * hh * 4);
    ve::glBindFramebuffer(GL_READ_FRAMEBUFFER, ve::rendererState->FBOs[1]);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glReadPixels(0, 0, hw, hh, GL_RGBA, GL_FLOAT, actual.data());
    ve::glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    ASSERT_EQ(ve::rendererState->colorBuffers[ve::BLOOM_RESULT], ve::rendererState->colorBuffers[2]);

    // Half floats between the passes: about three decimal digits.
    f64 worst = 0.0, peak = 0.0;
    for (size_t i = 0; i < expected.size(); ++i) {
        worst = std::max(worst, fabs(actual[i * 4] - expected[i]));
        peak = std::max(peak, expected[i]);
    }
    EXPECT_GT(peak, 0.1);
    EXPECT_LT(worst, 2e-3) << "largest difference from five rounds of the five-tap blur";
}

} // namespace
