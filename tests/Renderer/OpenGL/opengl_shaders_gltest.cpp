// The program builder and the shader texts' arithmetic. Every draw covers the middle of a small
// float target with the built-in quad and reads one pixel back, so slips that still compile (a
// wrong exponent, an integer division, swapped weights) show up as wrong numbers.

#include "opengl_test_support.h"

#include <math.h>

#include "Renderer/OpenGL/opengl_shaders.h"
#include "Renderer/bloomKernel.h"

using namespace gltest;

namespace {

// ---------------------------------------------------------------------------------------------
// Host-side helpers
// ---------------------------------------------------------------------------------------------

struct Mat4 {
    f32 e[16]; // column-major
};

Mat4 identity() {
    Mat4 m = {};
    m.e[0] = m.e[5] = m.e[10] = m.e[15] = 1.0f;
    return m;
}

Mat4 multiply(const Mat4& a, const Mat4& b) {
    Mat4 r = {};
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row)
            for (int k = 0; k < 4; ++k) r.e[column * 4 + row] += a.e[k * 4 + row] * b.e[column * 4 + k];
    return r;
}

// Rotation about y by a quarter turn: the quad's plane then contains the view direction.
Mat4 quarterTurnAboutY() {
    Mat4 m = identity();
    m.e[0] = 0.0f;
    m.e[2] = -1.0f;
    m.e[8] = 1.0f;
    m.e[10] = 0.0f;
    return m;
}

Mat4 translation(f32 x, f32 y, f32 z) {
    Mat4 m = identity();
    m.e[12] = x;
    m.e[13] = y;
    m.e[14] = z;
    return m;
}

void writeMatrices(const Mat4& view, const Mat4& proj, const Mat4& model, const f32 camPos[3]) {
    Mat4 mvp = multiply(multiply(proj, view), model);
    ve::glBindBuffer(GL_UNIFORM_BUFFER, ve::rendererState->matUBO);
    ve::glBufferSubData(GL_UNIFORM_BUFFER, 0, 64, view.e);
    ve::glBufferSubData(GL_UNIFORM_BUFFER, 64, 64, proj.e);
    ve::glBufferSubData(GL_UNIFORM_BUFFER, 128, 64, model.e);
    ve::glBufferSubData(GL_UNIFORM_BUFFER, 192, 64, mvp.e);
    ve::glBufferSubData(GL_UNIFORM_BUFFER, 304, 12, camPos);
}

void writeMaterial(f32 diffuse, f32 roughness, f32 metalness) {
    ve::GLBasicMaterial material = {};
    material.diffuse = {diffuse, diffuse, diffuse, 0.0f};
    material.specular = {1.0f, 1.0f, 1.0f, 0.0f};
    material.roughness = roughness;
    material.metalness = metalness;
    ve::glBindBuffer(GL_UNIFORM_BUFFER, ve::rendererState->basicMatUBO);
    ve::glBufferSubData(GL_UNIFORM_BUFFER, 0, sizeof(material), &material);
}

struct TestLight {
    f32 pos[3];
    f32 col[3];
};

void writeLights(const TestLight* lights, u32 count, f32 ambient) {
    ve::GLPLight block[5] = {};
    for (u32 i = 0; i < count; ++i) {
        block[i].pos = {lights[i].pos[0], lights[i].pos[1], lights[i].pos[2], 0.0f};
        block[i].col = {lights[i].col[0], lights[i].col[1], lights[i].col[2], 0.0f};
    }
    ve::glBindBuffer(GL_UNIFORM_BUFFER, ve::rendererState->lightUBO);
    ve::glBufferSubData(GL_UNIFORM_BUFFER, 0, sizeof(block), block);
    ve::glBufferSubData(GL_UNIFORM_BUFFER, 160, 4, &count);
    ve::glBufferSubData(GL_UNIFORM_BUFFER, 164, 4, &ambient);
}

// A sky of one colour on all six faces.
void createSolidSky(u8 value) {
    u32 pixel = packRGBA(value, value, value, 255);
    ve::Texture face = makeTexture("test_sky_img", 1, 1, &pixel);
    ve::Texture* faces[6] = {&face, &face, &face, &face, &face, &face};
    ve::createSkybox(faces);
}

// A black sky whose +Z face alone is white.
void createSkyLitTowardsPositiveZ() {
    u32 blackPixel = packRGBA(0, 0, 0, 255);
    u32 whitePixel = packRGBA(255, 255, 255, 255);
    ve::Texture dark = makeTexture("test_sky_dark_img", 1, 1, &blackPixel);
    ve::Texture bright = makeTexture("test_sky_bright_img", 1, 1, &whitePixel);
    ve::Texture* faces[6] = {&dark, &dark, &dark, &dark, &bright, &dark};
    ve::createSkybox(faces);
}

struct LitDraw {
    u32 program;
    u32 texture;
    u32 emission;
    f32 outline[4];
};

// One lit draw as the frame pipeline makes it: units 0, 1, 2 for tex, emission and the sky.
void drawLit(const LitDraw& draw) {
    u32 program = draw.program;
    ve::glUseProgram(program);
    ve::glActiveTexture(GL_TEXTURE0);
    ve::glBindTexture(GL_TEXTURE_2D, draw.texture);
    ve::glUniform1i(ve::glGetUniformLocation(program, "tex"), 0);
    ve::glActiveTexture(GL_TEXTURE1);
    ve::glBindTexture(GL_TEXTURE_2D, draw.emission);
    ve::glUniform1i(ve::glGetUniformLocation(program, "emission"), 1);
    ve::glActiveTexture(GL_TEXTURE2);
    ve::glBindTexture(GL_TEXTURE_CUBE_MAP, ve::rendererState->skyBox.id);
    ve::glUniform1i(ve::glGetUniformLocation(program, "skybox"), 2);
    ve::glActiveTexture(GL_TEXTURE0);
    ve::glUniform2f(ve::glGetUniformLocation(program, "uvScale"), 1.0f, 1.0f);
    ve::glUniform2f(ve::glGetUniformLocation(program, "uvOffset"), 0.0f, 0.0f);
    ve::glUniform4fv(ve::glGetUniformLocation(program, "outline"), 1, draw.outline);
    drawBuiltInQuad();
}

// Float texture of `size` by `size` texels with nearest filtering, clamped, one value per texel
// from `texel(x, y)` on all four channels.
template <typename TexelFn>
u32 createFloatTexture(s32 size, TexelFn texel) {
    std::vector<f32> data((msi)size * size * 4);
    for (s32 y = 0; y < size; ++y)
        for (s32 x = 0; x < size; ++x)
            for (s32 c = 0; c < 4; ++c) data[((msi)y * size + x) * 4 + c] = texel(x, y, c);
    u32 texture = 0;
    ve::glGenTextures(1, &texture);
    ve::glBindTexture(GL_TEXTURE_2D, texture);
    ve::glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F, size, size, 0, GL_RGBA, GL_FLOAT, data.data());
    ve::glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    ve::glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    ve::glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    ve::glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    return texture;
}

// ---------------------------------------------------------------------------------------------
// CPU reference of the lit colour, straight from the lighting model
// ---------------------------------------------------------------------------------------------

struct V3 {
    double x, y, z;
};
V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator*(V3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 normalized(V3 a) { return a * (1.0 / sqrt(dot(a, a))); }

struct LitScene {
    V3 fragPos;
    V3 normal;
    V3 camPos;
    TestLight light;
    double ambient;
    double albedo; // texel value 0..1, the same on r, g and b
    double emission;
    double diffuse;
    double roughness;
    double metalness;
};

// One channel of the lit colour (every input is grey, so all channels agree).
double referenceLitChannel(const LitScene& s) {
    const double pi = 3.1415926535897932384626433832795;
    double t = pow(s.albedo, 2.2);
    double e = pow(s.emission, 2.2);
    double f0 = 0.04 + (t - 0.04) * s.metalness;
    V3 n = normalized(s.normal);
    V3 v = normalized(s.camPos - s.fragPos);
    V3 lightPos = {s.light.pos[0], s.light.pos[1], s.light.pos[2]};
    V3 l = normalized(lightPos - s.fragPos);
    double d2 = dot(lightPos - s.fragPos, lightPos - s.fragPos);
    V3 h = (l + v) * 0.5;
    double radiance = s.light.col[0] / d2;
    double f = f0 + (1.0 - f0) * pow(fmax(0.0, 1.0 - dot(v, h)), 5.0);
    double kd = (1.0 - f) * (1.0 - s.metalness);
    double r2 = s.roughness * s.roughness;
    double nh = fmax(dot(n, h), 0.0);
    double q = nh * nh * (r2 - 1.0) + 1.0;
    double distribution = r2 / (pi * q * q);
    double k = r2 / 2.0;
    auto g = [&](V3 x) {
        double c = fmax(dot(x, n), 0.001);
        return c / (c * (1.0 - k) + k);
    };
    double specular = distribution * g(v) * g(l) * f /
                      (4.0 * fmax(dot(v, n), 0.0001) * fmax(dot(l, n), 0.0001));
    double diffuse = kd * t * s.diffuse / pi;
    double lit = (diffuse + specular) * radiance * fmax(dot(l, n), 0.0);
    double c = fmax(lit + s.ambient * t, e);
    c = c / (c + 1.0);
    return sqrt(c);
}

// The quad under identity matrices covers NDC -0.5..0.5. In a 9 by 9 target the middle pixel's
// centre is NDC (0, 0), the quad's own centre.
constexpr s32 targetSize = 9;
constexpr s32 middle = 4;

class ShaderArithmetic : public ::testing::Test {
protected:
    void SetUp() override {
        // Blending would mix the result with the clear colour; the texts are checked on their own.
        ve::glDisable(GL_BLEND);
        createSolidSky(0);
        f32 camPos[3] = {0.0f, 0.0f, -2.0f};
        writeMatrices(identity(), identity(), identity(), camPos);
        writeMaterial(1.0f, 0.8f, 0.4f);
        writeLights(nullptr, 0, 0.0f);
        black = uploadSolidTexture("test_black_img", packRGBA(0, 0, 0, 255));
        white = uploadSolidTexture("test_white_img", packRGBA(255, 255, 255, 255));
    }

    void TearDown() override { ve::glBindFramebuffer(GL_FRAMEBUFFER, 0); }

    u32 black = 0;
    u32 white = 0;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// The program builder
// ---------------------------------------------------------------------------------------------

TEST(ShaderPrograms, AllProgramsLink) {
    ve::RendererStateOpenGL* state = ve::rendererState;
    const ve::ShaderProg programs[] = {state->shader,         state->debugNormalShader,
                                       state->bloomShader,    state->bloomVerticalShader,
                                       state->bloomHorizontalShader, state->additiveTextureShader,
                                       state->skyBoxShader,   state->hudShader,
                                       state->billBoardShader};
    for (u32 i = 0; i < sizeof(programs) / sizeof(programs[0]); ++i) {
        ASSERT_NE(programs[i].glID, 0u) << i;
        GLint linked = GL_FALSE;
        ve::glGetProgramiv(programs[i].glID, GL_LINK_STATUS, &linked);
        EXPECT_EQ(linked, GL_TRUE) << i;
    }
    EXPECT_EQ(printed.find("ERROR"), std::string::npos) << printed;
}

TEST(ShaderPrograms, EveryTextStartsWithABlankLineAndTheVersion) {
    const c8* texts[] = {ve::vertex_shader,      ve::billboard_vert,     ve::physical_frag,
                         ve::skybox_vert,        ve::skybox_frag,        ve::hud_vert,
                         ve::hud_frag,           ve::additive_vert,      ve::gaussian_blur_frag,
                         ve::additive_frag,      ve::drawNormVertShader, ve::drawNormGeomShader,
                         ve::drawNormFragShader};
    for (const c8* text : texts) {
        EXPECT_EQ(std::string(text).rfind("\n#version 420 core\n", 0), 0u) << text;
    }
    EXPECT_EQ(ve::gaussian_blur_vert, ve::additive_vert);
}

TEST(ShaderPrograms, EachFailingStagePrintsItsHeadingThenItsOwnLog) {
    const c8* broken = "\n#version 420 core\nvoid main() { this is not glsl }\n";
    struct Case {
        const c8* vertex;
        const c8* fragment;
        const c8* geometry;
        const c8* heading;
    };
    const Case cases[] = {
        {broken, ve::drawNormFragShader, nullptr, "VERTEX SHADER ERROR:"},
        {ve::hud_vert, broken, nullptr, "FRAGMENT SHADER ERROR:"},
        {ve::drawNormVertShader, ve::drawNormFragShader, broken, "GEOMETRY SHADER ERROR:"},
    };
    for (const Case& c : cases) {
        printed.clear();
        u32 program = ve::createShaderProg(c.vertex, c.fragment, c.geometry);
        EXPECT_NE(program, 0u) << c.heading;
        GLint linked = GL_TRUE;
        ve::glGetProgramiv(program, GL_LINK_STATUS, &linked);
        EXPECT_EQ(linked, GL_FALSE) << c.heading;
        // The heading is a line of its own, followed by the driver's log of that stage.
        std::string expected = std::string(c.heading) + "\n";
        ASSERT_EQ(printed.rfind(expected, 0), 0u) << printed;
        EXPECT_GT(printed.size(), expected.size() + 1) << printed;
        for (const Case& other : cases) {
            if (&other == &c) continue;
            EXPECT_EQ(printed.find(other.heading), std::string::npos) << printed;
        }
    }
}

TEST(ShaderPrograms, StagesThatDoNotMatchPrintALinkError) {
    const c8* needsInput =
        "\n#version 420 core\nin vec3 neverWritten;\nout vec4 color;\n"
        "void main() { color = vec4(neverWritten, 1.0); }\n";
    printed.clear();
    u32 program = ve::createShaderProg(ve::additive_vert, needsInput, nullptr);
    EXPECT_NE(program, 0u);
    ASSERT_EQ(printed.rfind("SHADER LINKING ERROR:\n", 0), 0u) << printed;
    EXPECT_GT(printed.size(), sizeof("SHADER LINKING ERROR:\n")) << printed;
}

TEST(ShaderPrograms, ALogLongerThanTheBufferIsCutNotOverrun) {
    std::string source = "\n#version 420 core\nvoid main() {\n";
    for (int i = 0; i < 100; ++i) source += "    undeclaredName" + std::to_string(i) + " = 1.0;\n";
    source += "}\n";
    u32 shaderObject = ve::glCreateShader(GL_VERTEX_SHADER);
    const c8* text = source.c_str();
    ve::glShaderSource(shaderObject, 1, &text, nullptr);
    ve::glCompileShader(shaderObject);
    GLint logLength = 0;
    ve::glGetShaderiv(shaderObject, GL_INFO_LOG_LENGTH, &logLength);
    ve::glDeleteShader(shaderObject);
    ASSERT_GT(logLength, 2048) << "the driver's log must outgrow the buffer for this test";

    printed.clear();
    ve::createShaderProg(text, ve::drawNormFragShader, nullptr);
    std::string header = "VERTEX SHADER ERROR:\n";
    ASSERT_EQ(printed.rfind(header, 0), 0u) << printed;
    // The log is cut to the buffer less its terminator; the next line is the link error.
    ASSERT_GT(printed.size(), header.size() + 2048);
    EXPECT_EQ(printed[header.size() + 2047], '\n');
    EXPECT_EQ(printed.rfind("SHADER LINKING ERROR:\n", header.size() + 2048), header.size() + 2048)
        << printed.substr(header.size() + 2048);
}

// ---------------------------------------------------------------------------------------------
// The lit fragment text
// ---------------------------------------------------------------------------------------------

TEST_F(ShaderArithmetic, LitColourFollowsTheLightingModel) {
    u32 grey = uploadSolidTexture("test_grey_img", packRGBA(128, 128, 128, 255));
    u32 dim = uploadSolidTexture("test_dim_img", packRGBA(20, 20, 20, 255));
    struct Case {
        const char* name;
        TestLight light;
        f32 ambient;
        u32 emission;
        f64 emissionValue;
        f32 roughness;
        f32 metalness;
    };
    // Head-on light (H is a unit vector), an oblique one (H is shorter than 1: it is not
    // normalised), no light with ambient only, and emission stronger than the lighting.
    const Case cases[] = {
        {"head-on", {{0, 0, -2}, {3, 3, 3}}, 0.01f, black, 0.0, 0.8f, 0.4f},
        {"oblique", {{1.5f, 0.5f, -1}, {2, 2, 2}}, 0.01f, black, 0.0, 0.5f, 0.1f},
        {"ambient only", {{0, 0, -1}, {0, 0, 0}}, 0.3f, black, 0.0, 0.8f, 0.4f},
        {"emission wins", {{0, 0, -2}, {0.1f, 0.1f, 0.1f}}, 0.0f, dim, 20.0 / 255.0, 0.8f, 0.0f},
    };
    for (const Case& c : cases) {
        FloatTarget target = createFloatTarget(2, targetSize);
        clearTarget(0.0f);
        writeMaterial(1.0f, c.roughness, c.metalness);
        writeLights(&c.light, 1, c.ambient);
        drawLit({ve::rendererState->shader.glID, grey, c.emission, {0, 0, 0, 0}});

        LitScene scene = {};
        scene.normal = {0, 0, -1};
        scene.camPos = {0, 0, -2};
        scene.light = c.light;
        scene.ambient = c.ambient;
        scene.albedo = 128.0 / 255.0;
        scene.emission = c.emissionValue;
        scene.diffuse = 1.0;
        scene.roughness = c.roughness;
        scene.metalness = c.metalness;
        double expected = referenceLitChannel(scene);
        Pixel pixel = readPixel(target.fbo, 0, middle, middle);
        EXPECT_NEAR(pixel.r, expected, 2e-3) << c.name;
        EXPECT_NEAR(pixel.g, expected, 2e-3) << c.name;
        EXPECT_NEAR(pixel.b, expected, 2e-3) << c.name;
        EXPECT_FLOAT_EQ(pixel.a, 1.0f) << c.name;
    }
}

TEST_F(ShaderArithmetic, SkyReflectionAddsHalfTheSkyRaisedToTheGamma) {
    // Seen head-on from -z, the reflection of the view vector about the normal points along +z.
    createSkyLitTowardsPositiveZ();
    FloatTarget target = createFloatTarget(2, targetSize);
    clearTarget(0.0f);
    drawLit({ve::rendererState->shader.glID, black, black, {0, 0, 0, 0}});
    Pixel pixel = readPixel(target.fbo, 0, middle, middle);
    f32 expected = powf(0.5f, 2.2f);
    EXPECT_NEAR(pixel.r, expected, 2e-3);
    EXPECT_NEAR(pixel.b, expected, 2e-3);
    EXPECT_FLOAT_EQ(pixel.a, 1.0f) << "the sky term leaves alpha alone";
}

// The reflection reads the sky three and three quarter levels above the automatic one, so a sharp
// detail of the sky is blurred away: a white 4 x 4 block in the middle of a black 16 x 16 face is
// one sixteenth bright there. Without the bias a flat surface would mirror it at full strength.
TEST_F(ShaderArithmetic, SkyReflectionReadsABlurredSky) {
    std::vector<u32> black16(16 * 16, packRGBA(0, 0, 0, 255));
    std::vector<u32> detail = black16;
    for (int y = 6; y < 10; ++y)
        for (int x = 6; x < 10; ++x) detail[y * 16 + x] = packRGBA(255, 255, 255, 255);
    ve::Texture dark = makeTexture("test_sky_dark16_img", 16, 16, black16.data());
    ve::Texture sharp = makeTexture("test_sky_detail_img", 16, 16, detail.data());
    ve::Texture* faces[6] = {&dark, &dark, &dark, &dark, &sharp, &dark};
    ve::createSkybox(faces);
    FloatTarget target = createFloatTarget(2, targetSize);
    clearTarget(0.0f);
    drawLit({ve::rendererState->shader.glID, black, black, {0, 0, 0, 0}});
    Pixel pixel = readPixel(target.fbo, 0, middle, middle);
    f32 blurred = powf(0.5f / 16.0f, 2.2f);
    EXPECT_NEAR(pixel.r, blurred, 2e-3) << "a sharp sky is mirrored at " << pixel.r;
}

TEST_F(ShaderArithmetic, AnyOutlineWidthPaintsTheOutlineColourAndNoWidthLeavesTheLitColour) {
    u32 grey = uploadSolidTexture("test_grey_img", packRGBA(128, 128, 128, 255));
    writeLights(nullptr, 0, 0.3f);
    LitScene ambientOnly = {};
    ambientOnly.normal = {0, 0, -1};
    ambientOnly.camPos = {0, 0, -2};
    ambientOnly.light = {{0, 0, -1}, {0, 0, 0}};
    ambientOnly.ambient = 0.3;
    ambientOnly.albedo = 128.0 / 255.0;
    ambientOnly.diffuse = 1.0;
    ambientOnly.roughness = 0.8;
    ambientOnly.metalness = 0.4;
    f32 lit = (f32)referenceLitChannel(ambientOnly);
    struct Case {
        f32 outline[4];
        Pixel expected;
    };
    const Case cases[] = {
        {{0.0f, 1.0f, 1.0f, 0.05f}, {0.0f, 1.0f, 1.0f, 1.0f}},
        {{0.1f, 0.3f, 0.3f, 0.001f}, {0.1f, 0.3f, 0.3f, 1.0f}},
        {{0.0f, 1.0f, 1.0f, 0.0f}, {lit, lit, lit, 1.0f}},
    };
    for (const Case& c : cases) {
        FloatTarget target = createFloatTarget(2, targetSize);
        clearTarget(0.5f);
        drawLit({ve::rendererState->shader.glID, grey, black,
                 {c.outline[0], c.outline[1], c.outline[2], c.outline[3]}});
        Pixel pixel = readPixel(target.fbo, 0, middle, middle);
        EXPECT_NEAR(pixel.r, c.expected.r, 2e-3) << c.outline[3];
        EXPECT_NEAR(pixel.g, c.expected.g, 2e-3) << c.outline[3];
        EXPECT_NEAR(pixel.b, c.expected.b, 2e-3) << c.outline[3];
        EXPECT_FLOAT_EQ(pixel.a, c.expected.a) << c.outline[3];
    }
}

TEST_F(ShaderArithmetic, AnOutlineShellIsDrawnLargerThanTheMesh) {
    // With a width of 0.5 the shell is scaled by 1.5: it reaches pixels the plain quad misses.
    FloatTarget target = createFloatTarget(2, targetSize);
    clearTarget(0.0f);
    drawLit({ve::rendererState->shader.glID, white, black, {1.0f, 0.0f, 0.0f, 0.5f}});
    EXPECT_FLOAT_EQ(readPixel(target.fbo, 0, 1, middle).r, 1.0f);
    clearTarget(0.0f);
    drawLit({ve::rendererState->shader.glID, white, black, {1.0f, 0.0f, 0.0f, 0.0f}});
    EXPECT_FLOAT_EQ(readPixel(target.fbo, 0, 1, middle).r, 0.0f);
}

TEST_F(ShaderArithmetic, FragmentsWithAlphaBelowOnePercentAreDiscarded) {
    // 2/255 is below 0.01, 3/255 above it; either texture's alpha counts.
    struct Case {
        u8 textureAlpha;
        u8 emissionAlpha;
        bool drawn;
    };
    const Case cases[] = {{2, 255, false}, {3, 255, true}, {255, 2, false}, {255, 3, true},
                          {0, 255, false}, {255, 255, true}};
    for (const Case& c : cases) {
        u32 texture = uploadSolidTexture("test_alpha_img", packRGBA(200, 200, 200, c.textureAlpha));
        u32 emission = uploadSolidTexture("test_alpha_emission_img", packRGBA(0, 0, 0, c.emissionAlpha));
        FloatTarget target = createFloatTarget(2, targetSize);
        clearTarget(0.25f);
        drawLit({ve::rendererState->shader.glID, texture, emission, {0, 0, 0, 0}});
        Pixel pixel = readPixel(target.fbo, 0, middle, middle);
        f32 expectedAlpha = c.drawn ? (c.textureAlpha / 255.0f) * (c.emissionAlpha / 255.0f) : 0.25f;
        EXPECT_NEAR(pixel.a, expectedAlpha, 1e-4)
            << (int)c.textureAlpha << " " << (int)c.emissionAlpha;
    }
}

TEST_F(ShaderArithmetic, OnlyColoursAsLongAsOnePointZeroFiveFeedTheBloom) {
    // The outline sets the colour exactly to (x, 0, 0, 1): its length is sqrt(x^2 + 1).
    u32 halfAlpha = uploadSolidTexture("test_half_alpha_img", packRGBA(255, 255, 255, 128));
    struct Case {
        f32 red;
        u32 texture;
        f32 alpha;
    };
    const Case cases[] = {{0.3f, white, 1.0f}, {0.31f, white, 1.0f}, {0.33f, white, 1.0f},
                          {0.4f, white, 1.0f}, {1.0f, halfAlpha, 128.0f / 255.0f}};
    for (const Case& c : cases) {
        FloatTarget target = createFloatTarget(2, targetSize);
        clearTarget(0.0f);
        drawLit({ve::rendererState->shader.glID, c.texture, black, {c.red, 0.0f, 0.0f, 0.01f}});
        Pixel bloom = readPixel(target.fbo, 1, middle, middle);
        f32 length = sqrtf(c.red * c.red + 1.0f);
        f32 factor = length >= 1.05f ? length - 1.0f : 0.0f;
        EXPECT_NEAR(bloom.r, factor * c.red, 1e-5) << c.red;
        EXPECT_NEAR(bloom.g, 0.0f, 1e-6) << c.red;
        EXPECT_NEAR(bloom.a, c.alpha, 1e-5) << "bloom alpha is the texel alpha: " << c.red;
    }
}

TEST_F(ShaderArithmetic, BillboardsFaceTheCameraWhereThePlainQuadIsEdgeOn) {
    f32 camPos[3] = {0.0f, 0.0f, -2.0f};
    writeMatrices(identity(), identity(), quarterTurnAboutY(), camPos);
    struct Case {
        u32 program;
        bool covered;
    };
    const Case cases[] = {{ve::rendererState->shader.glID, false},
                          {ve::rendererState->billBoardShader.glID, true}};
    for (const Case& c : cases) {
        FloatTarget target = createFloatTarget(2, targetSize);
        clearTarget(0.0f);
        drawLit({c.program, white, black, {0.0f, 1.0f, 0.0f, 0.01f}});
        EXPECT_FLOAT_EQ(readPixel(target.fbo, 0, 2, middle).g, c.covered ? 1.0f : 0.0f);
    }
}

// ---------------------------------------------------------------------------------------------
// Sky box and HUD
// ---------------------------------------------------------------------------------------------

TEST_F(ShaderArithmetic, SkyColourIsRaisedToTheGammaOnAllFourChannels) {
    createSolidSky(128);
    FloatTarget target = createFloatTarget(1, targetSize);
    clearTarget(0.0f);
    // The sky lies on the far plane, where only a less-or-equal test lets it through.
    ve::glDepthFunc(GL_LEQUAL);
    u32 program = ve::rendererState->skyBoxShader.glID;
    ve::glUseProgram(program);
    Mat4 unit = identity();
    ve::glUniformMatrix4fv(ve::glGetUniformLocation(program, "projection"), 1, GL_FALSE, unit.e);
    ve::glUniformMatrix4fv(ve::glGetUniformLocation(program, "view"), 1, GL_FALSE, unit.e);
    ve::glActiveTexture(GL_TEXTURE0);
    ve::glBindTexture(GL_TEXTURE_CUBE_MAP, ve::rendererState->skyBox.id);
    drawBuiltInQuad();
    ve::glDepthFunc(GL_LESS);
    Pixel pixel = readPixel(target.fbo, 0, 5, 5);
    f32 expected = powf(128.0f / 255.0f, 2.2f);
    EXPECT_NEAR(pixel.r, expected, 2e-3);
    EXPECT_NEAR(pixel.g, expected, 2e-3);
    EXPECT_NEAR(pixel.b, expected, 2e-3);
    EXPECT_FLOAT_EQ(pixel.a, 1.0f);
}

TEST_F(ShaderArithmetic, HudQuadsArePlacedInDeviceCoordinatesWhateverTheCamera) {
    // A camera that would collapse everything to a point if the HUD used it.
    Mat4 collapse = {};
    f32 camPos[3] = {0.0f, 0.0f, 0.0f};
    writeMatrices(collapse, collapse, translation(0.5f, 0.5f, 0.0f), camPos);
    u32 red = uploadSolidTexture("test_red_img", packRGBA(255, 0, 0, 255));
    FloatTarget target = createFloatTarget(1, targetSize);
    clearTarget(0.0f);
    u32 program = ve::rendererState->hudShader.glID;
    ve::glUseProgram(program);
    ve::glActiveTexture(GL_TEXTURE0);
    ve::glBindTexture(GL_TEXTURE_2D, red);
    ve::glUniform2f(ve::glGetUniformLocation(program, "uvScale"), 1.0f, 1.0f);
    ve::glUniform2f(ve::glGetUniformLocation(program, "uvOffset"), 0.0f, 0.0f);
    drawBuiltInQuad();
    // The quad moved by half the screen: it covers the upper right quarter and is unlit.
    EXPECT_FLOAT_EQ(readPixel(target.fbo, 0, 6, 6).r, 1.0f);
    EXPECT_FLOAT_EQ(readPixel(target.fbo, 0, 6, 6).g, 0.0f);
    EXPECT_FLOAT_EQ(readPixel(target.fbo, 0, 2, 2).r, 0.0f);
}

// ---------------------------------------------------------------------------------------------
// Full-screen passes
// ---------------------------------------------------------------------------------------------

TEST_F(ShaderArithmetic, CompositeAddsScenePlusBloomClampedAndRaisesToOneMinusGamma) {
    f32 scene[4] = {0.25f, 0.5f, 0.75f, 0.5f};
    f32 bloom[4] = {0.125f, 0.75f, 0.0f, 0.25f};
    u32 sceneTexture = createFloatTexture(1, [&](s32, s32, s32 c) { return scene[c]; });
    u32 bloomTexture = createFloatTexture(1, [&](s32, s32, s32 c) { return bloom[c]; });
    // The program of gamma 0 and the one of any gamma.
    const u32 plain = ve::rendererState->additiveTextureShader.glID;
    const u32 corrected = ve::rendererState->gammaCompositeShader.glID;
    const std::pair<u32, f32> cases[] = {{plain, 0.0f}, {corrected, 0.0f}, {corrected, 0.5f}, {corrected, -1.0f}};
    for (auto [program, gamma] : cases) {
        FloatTarget target = createFloatTarget(1, targetSize);
        clearTarget(0.0f);
        ve::glUseProgram(program);
        ve::glUniform1i(ve::glGetUniformLocation(program, "image"), 0);
        ve::glUniform1i(ve::glGetUniformLocation(program, "image2"), 1);
        ve::glUniform1fv(ve::glGetUniformLocation(program, "gammaCorrection"), 1, &gamma);
        ve::glActiveTexture(GL_TEXTURE0);
        ve::glBindTexture(GL_TEXTURE_2D, sceneTexture);
        ve::glActiveTexture(GL_TEXTURE1);
        ve::glBindTexture(GL_TEXTURE_2D, bloomTexture);
        ve::glActiveTexture(GL_TEXTURE0);
        drawBuiltInQuad();
        // The full-screen pass covers every pixel, corners included.
        const s32 probes[2][2] = {{middle, middle}, {0, targetSize - 1}};
        for (const auto& probe : probes) {
            Pixel pixel = readPixel(target.fbo, 0, probe[0], probe[1]);
            const f32 channels[4] = {pixel.r, pixel.g, pixel.b, pixel.a};
            for (int c = 0; c < 4; ++c) {
                f32 expected = powf(fminf(scene[c] + bloom[c], 1.0f), 1.0f - gamma);
                EXPECT_NEAR(channels[c], expected, 1e-4) << "gamma " << gamma << " channel " << c;
            }
        }
    }
}

namespace {

// A blur program built as the renderer builds its own, with the taps of `kernel` and the axis
// given, in use and reading unit 0. The caller deletes it.
u32 useBlur(s32 horizontal, const ve::BlurKernel& kernel) {
    u32 program = ve::createBlurProg(ve::linearTaps(kernel), horizontal);
    ve::glUseProgram(program);
    ve::glActiveTexture(GL_TEXTURE0);
    return program;
}

void filterLinearly(u32 texture) {
    ve::glBindTexture(GL_TEXTURE_2D, texture);
    ve::glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    ve::glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

} // namespace

TEST_F(ShaderArithmetic, BlurSpreadsAlongItsAxisWithTheFiveWeights) {
    // One bright column at x = 4. Texel centres line up with pixel centres (same size); the taps
    // read two texels each through the linear filter.
    const s32 size = 9;
    u32 column = createFloatTexture(size, [](s32 x, s32, s32) { return x == 4 ? 1.0f : 0.0f; });
    filterLinearly(column);
    for (int horizontal = 0; horizontal < 2; ++horizontal) {
        FloatTarget target = createFloatTarget(1, size);
        clearTarget(0.0f);
        u32 blur = useBlur(horizontal, ve::repeatedBlurKernel(1));
        ve::glBindTexture(GL_TEXTURE_2D, column);
        drawBuiltInQuad();
        ve::glDeleteProgram(blur);
        for (s32 x = 1; x < 8; ++x) {
            s32 distance = x - 4;
            f32 expected = horizontal ? (abs(distance) <= 2 ? ve::BLUR_BASE_WEIGHTS[distance + 2] : 0.0f)
                                      : (x == 4 ? 0.989f : 0.0f);
            EXPECT_NEAR(readPixel(target.fbo, 0, x, 4).r, expected, 1e-5)
                << "horizontal " << horizontal << " x " << x;
        }
    }
}

TEST_F(ShaderArithmetic, OneBlurPassOverAConstantImageDarkensItToNinetyEightPointNinePercent) {
    u32 constant = createFloatTexture(4, [](s32, s32, s32) { return 0.5f; });
    filterLinearly(constant);
    FloatTarget target = createFloatTarget(1, targetSize);
    clearTarget(0.0f);
    u32 blur = useBlur(1, ve::repeatedBlurKernel(1));
    ve::glBindTexture(GL_TEXTURE_2D, constant);
    drawBuiltInQuad();
    ve::glDeleteProgram(blur);
    Pixel pixel = readPixel(target.fbo, 0, middle, middle);
    EXPECT_NEAR(pixel.r, 0.5f * 0.989f, 1e-5);
    EXPECT_NEAR(pixel.a, 0.5f * 0.989f, 1e-5);
}
