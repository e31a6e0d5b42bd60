#pragma once
// The window's picture read back, stored as PNG, and compared with a stored one: "the same
// picture" means at least 99.9% of the pixels within 2 of 255 levels in every channel, the rest
// anywhere. Header-only, with the image library's implementation: include it in one source file
// of a program.

#include <SDL.h>

#include "Platform/machineDef.h"

#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include <GL/glcorearb.h>

#include <stdlib.h>

#include <string>
#include <vector>

namespace windowpicture {

// Channel levels (of 255) within which a pixel counts as unchanged, and the share of pixels that
// must be unchanged.
constexpr s32 NEAR_LEVELS = 2;
constexpr f64 NEAR_SHARE = 0.999;

// RGB, rows from the top.
struct Picture {
    s32 width = 0, height = 0;
    std::vector<u8> rgb;
};

// The window's back buffer as the last frame left it.
inline Picture readWindow(s32 width, s32 height) {
    static auto readPixels = (PFNGLREADPIXELSPROC)SDL_GL_GetProcAddress("glReadPixels");
    static auto readBuffer = (PFNGLREADBUFFERPROC)SDL_GL_GetProcAddress("glReadBuffer");
    static auto bindFramebuffer = (PFNGLBINDFRAMEBUFFERPROC)SDL_GL_GetProcAddress("glBindFramebuffer");
    std::vector<u8> rgba((size_t)width * height * 4);
    bindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    readBuffer(GL_BACK);
    readPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    Picture picture;
    picture.width = width;
    picture.height = height;
    picture.rgb.resize((size_t)width * height * 3);
    for (s32 y = 0; y < height; ++y) {
        for (s32 x = 0; x < width; ++x) {
            const u8* from = &rgba[((size_t)(height - 1 - y) * width + x) * 4];
            u8* to = &picture.rgb[((size_t)y * width + x) * 3];
            to[0] = from[0], to[1] = from[1], to[2] = from[2];
        }
    }
    return picture;
}

inline bool writePicture(const std::string& path, const Picture& picture) {
    return stbi_write_png(path.c_str(), picture.width, picture.height, 3, picture.rgb.data(), picture.width * 3) != 0;
}

inline bool readPicture(const std::string& path, Picture* picture) {
    int width = 0, height = 0, channels = 0;
    u8* pixels = stbi_load(path.c_str(), &width, &height, &channels, 3);
    if (!pixels) return false;
    picture->width = width;
    picture->height = height;
    picture->rgb.assign(pixels, pixels + (size_t)width * height * 3);
    stbi_image_free(pixels);
    return true;
}

struct Difference {
    f64 nearFraction;   // share of pixels whose channels all lie within the tolerance
    s32 worst;          // the largest channel difference anywhere
    s32 worstX, worstY; // where, from the top left
};

// Pictures of different sizes share no pixel.
inline Difference compare(const Picture& a, const Picture& b, s32 nearLevels) {
    if (a.width != b.width || a.height != b.height || a.rgb.empty()) return {0.0, 255, 0, 0};
    size_t nearPixels = 0;
    Difference difference = {0.0, 0, 0, 0};
    for (size_t i = 0; i < a.rgb.size(); i += 3) {
        s32 distance = 0;
        for (int k = 0; k < 3; ++k) distance = std::max(distance, abs((s32)a.rgb[i + k] - (s32)b.rgb[i + k]));
        nearPixels += distance <= nearLevels;
        if (distance <= difference.worst) continue;
        difference.worst = distance;
        difference.worstX = (s32)((i / 3) % (size_t)a.width);
        difference.worstY = (s32)((i / 3) / (size_t)a.width);
    }
    difference.nearFraction = (f64)nearPixels / (f64)(a.rgb.size() / 3);
    return difference;
}

// The mean of every channel of every pixel: a black picture proves nothing.
inline f64 meanLevel(const Picture& picture) {
    size_t sum = 0;
    for (u8 level : picture.rgb) sum += level;
    return picture.rgb.empty() ? 0.0 : (f64)sum / (f64)picture.rgb.size();
}

inline bool isSamePicture(Difference difference) { return difference.nearFraction >= NEAR_SHARE; }

} // namespace windowpicture
