// The pack builder's fold of a glow into its albedo's alpha.

#include "glowMask.h"

#include <gtest/gtest.h>

namespace {

u32 rgba(u32 r, u32 g, u32 b, u32 a) { return r | g << 8 | b << 16 | a << 24; }

pakbuild::PakImage image(const char* name, std::vector<u32> pixels) {
    pakbuild::PakImage result;
    result.name = name;
    result.width = (u32)pixels.size();
    result.height = 1;
    result.pixels = std::move(pixels);
    return result;
}

// The colour is read from the brightest texel by the sum of its channels; another texel may be a
// little brighter on the colour's strongest channel, a mask just above 1.
TEST(GlowMask, TheMaskIsTheEmissionOverItsColourAndStopsAtAFullByte) {
    const u32 grey = rgba(100, 100, 100, 255);
    struct Case {
        const char* what;
        u32 texel;       // beside the colour (200, 100, 50) and an unlit texel
        b8 folded;
        u32 mask;        // of the texel, when folded
    };
    const Case cases[] = {
        {"half the colour", rgba(100, 50, 25, 255), 1, 128},
        {"the colour", rgba(200, 100, 50, 255), 1, 255},
        {"a mask of 1.005, no brighter by the sum", rgba(201, 99, 50, 255), 1, 255},
        {"another hue", rgba(50, 100, 200, 255), 0, 0},
    };
    for (const Case& c : cases) {
        pakbuild::PakImage albedo = image("albedo", {grey, grey, grey});
        pakbuild::PakImage emission = image("glow", {rgba(200, 100, 50, 255), c.texel, rgba(0, 0, 0, 255)});
        EXPECT_EQ(pakbuild::foldGlowMask(&albedo, emission), c.folded) << c.what;
        if (!c.folded) {
            EXPECT_EQ(albedo.pixels, std::vector<u32>(3, grey)) << c.what;
            EXPECT_TRUE(albedo.glowEmission.empty()) << c.what;
            continue;
        }
        EXPECT_EQ(albedo.glowEmission, "glow") << c.what;
        EXPECT_EQ(albedo.glowColour, rgba(200, 100, 50, 255)) << c.what;
        EXPECT_EQ(albedo.pixels, (std::vector<u32>{rgba(100, 100, 100, 255), rgba(100, 100, 100, c.mask),
                                                  rgba(100, 100, 100, 0)}))
            << c.what;
    }
}

} // namespace
