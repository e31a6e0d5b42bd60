// The frame pipeline's decisions that need no GL context: the outline gate, the build of the lit
// program for a draw, model matrices and the upload look-ups with their one-time reports.

#include "Renderer/OpenGL/opengl_draw.h"
#include "Renderer/OpenGL/opengl_pipeline.h"
#include "Core/engine_globals.h"
#include "Math/utilMath.h"
#include "Memory/memory.h"
#include "Util/string.h"

#include <gtest/gtest.h>

#include <stdio.h>

#include <string>
#include <vector>

namespace {

ve::v3 vec3(f32 x, f32 y, f32 z) { return ve::v3{{x, y, z}}; }
ve::v4 vec4(f32 x, f32 y, f32 z, f32 w) { return ve::v4{{x, y, z, w}}; }

TEST(OutlineGate, AShellIsDrawnOnlyForWidthsAboveOneHundredth) {
    struct Case {
        f32 width;
        b8 drawn;
    };
    const Case cases[] = {
        {0.0f, 0}, {-1.0f, 0}, {0.005f, 0}, {0.01f, 0}, {0.0100001f, 1}, {0.011f, 1}, {0.05f, 1}, {1.0f, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ve::drawsOutline(vec4(0.1f, 0.3f, 0.3f, c.width)), c.drawn) << "width " << c.width;
    }
}

// Which build of the lit program draws a texture with an emission: no alpha test for an alpha
// that is opaque everywhere or holds a glow's mask, and one texture sample when the emission is
// one colour, the albedo itself, or the very glow whose mask the pack builder put into the
// albedo's alpha. Every other pairing with a folded albedo or its emission draws as the
// two-sample program does.
ve::GLTexture glTexture(u32 id, b8 opaque, u32 singleTexel = 0, b8 singleColour = 0) {
    ve::GLTexture texture = {};
    texture.id = id;
    texture.texel = singleTexel;
    texture.singleColour = singleColour;
    texture.opaque = opaque;
    texture.asset = ve::hashBuffer(buffer{sizeof(id), (u8*)&id});
    return texture;
}

ve::GLTexture foldedAlbedo(u32 id, const ve::GLTexture& emission) {
    ve::GLTexture albedo = glTexture(id, 1);
    albedo.glowEmission = emission.asset;
    albedo.glowColour = 0xFFFF8040u;
    return albedo;
}

TEST(LitVariant, OpaqueDrawsSkipTheAlphaTestAndOnlyAFoldedGlowsOwnAlbedoDrawsItsMask) {
    using Source = ve::EmissionSource;
    const u32 ALBEDO = ve::ALPHA_TEST_ALBEDO, EMISSION = ve::ALPHA_TEST_EMISSION;
    ve::GLTexture opaqueImage = glTexture(1, 1);
    ve::GLTexture seeThroughImage = glTexture(2, 0);
    ve::GLTexture black = glTexture(3, 1, 0xFF000000u, 1);
    ve::GLTexture clearColour = glTexture(4, 0, 0x00FFFFFFu, 1);
    ve::GLTexture glow = glTexture(6, 1);
    ve::GLTexture maskedAlbedo = foldedAlbedo(5, glow);
    ve::GLTexture otherGlow = glTexture(8, 1);
    ve::GLTexture otherMaskedAlbedo = foldedAlbedo(9, otherGlow);
    ve::GLTexture colourBuffer = {};
    colourBuffer.id = 7;
    struct Case {
        const char* pairing;
        const ve::GLTexture *texture, *emission;
        u32 alphaTest;
        Source source;
    };
    const Case cases[] = {
        {"opaque albedo as its own emission", &opaqueImage, &opaqueImage, 0, Source::ALBEDO},
        {"see-through albedo as its own emission", &seeThroughImage, &seeThroughImage, ALBEDO | EMISSION, Source::ALBEDO},
        {"opaque albedo, black", &opaqueImage, &black, 0, Source::FLAT},
        {"see-through albedo, black", &seeThroughImage, &black, ALBEDO, Source::FLAT},
        {"opaque albedo, clear colour", &opaqueImage, &clearColour, EMISSION, Source::FLAT},
        {"opaque albedo, colour buffer", &opaqueImage, &colourBuffer, EMISSION, Source::SAMPLED},
        {"folded pair", &maskedAlbedo, &glow, 0, Source::MASKED},
        {"folded albedo, black", &maskedAlbedo, &black, 0, Source::FLAT},
        {"folded albedo, another emission", &maskedAlbedo, &opaqueImage, 0, Source::SAMPLED},
        {"folded albedo, another folded glow", &maskedAlbedo, &otherGlow, 0, Source::SAMPLED},
        {"folded albedo, see-through emission", &maskedAlbedo, &seeThroughImage, EMISSION, Source::SAMPLED},
        {"folded albedo as its own emission", &maskedAlbedo, &maskedAlbedo, 0, Source::ALBEDO},
        {"folded glow, another albedo", &opaqueImage, &glow, 0, Source::SAMPLED},
        {"folded glow, another folded albedo", &otherMaskedAlbedo, &glow, 0, Source::SAMPLED},
        {"folded glow, see-through albedo", &seeThroughImage, &glow, ALBEDO, Source::SAMPLED},
        {"folded albedo as a see-through albedo's emission", &seeThroughImage, &maskedAlbedo, ALBEDO, Source::SAMPLED},
    };
    // Set-up builds what a draw can choose: every pairing's build, eleven in all (the albedo as its
    // own emission with both alphas tested or none, a flat and a sampled emission under each of the
    // four alpha tests, and the folded glow).
    b8 choosable[ve::ALPHA_TEST_VARIANTS][ve::EMISSION_SOURCE_COUNT] = {};
    ve::markChoosableLitVariants(choosable);
    for (const Case& c : cases) {
        ve::LitVariant variant = ve::litVariantFor(c.texture, c.emission);
        EXPECT_EQ(variant.alphaTest, c.alphaTest) << c.pairing;
        EXPECT_EQ(variant.emission, c.source) << c.pairing;
        EXPECT_TRUE(choosable[variant.alphaTest][(u32)variant.emission]) << c.pairing;
    }
    u32 builds = 0;
    for (const auto& row : choosable)
        for (b8 built : row) builds += built;
    EXPECT_EQ(builds, 11u);
}

TEST(ModelMatrix, ScalesThenRotatesThenTranslates) {
    ve::mat3 quarterTurn = ve::toMat3(ve::rotMat(vec3(0, 0, 1), ve::toRad(90)));
    ve::mat4 model = ve::modelMatrix(vec3(10, 20, 30), quarterTurn, vec3(2, 3, 4));
    // (1, 0, 0) scaled to (2, 0, 0), turned to (0, 2, 0), moved to (10, 22, 30).
    ve::v4 x = model * vec4(1, 0, 0, 1);
    EXPECT_NEAR(x.x, 10.0f, 1e-5f);
    EXPECT_NEAR(x.y, 22.0f, 1e-5f);
    EXPECT_NEAR(x.z, 30.0f, 1e-5f);
    ve::v4 y = model * vec4(0, 1, 0, 1);
    EXPECT_NEAR(y.x, 7.0f, 1e-5f);
    EXPECT_NEAR(y.y, 20.0f, 1e-5f);
    ve::v4 z = model * vec4(0, 0, 1, 1);
    EXPECT_NEAR(z.z, 34.0f, 1e-5f);
    EXPECT_EQ(model.E44, 1.0f);
}

// ---------------------------------------------------------------------------------------------
// The mesh pass refuses instances without their assets
// ---------------------------------------------------------------------------------------------

// The mesh pass clears the stencil before its first check; without a context that call must go
// nowhere.
void APIENTRY ignoreClear(GLbitfield) {}

TEST(MeshPassDeathTest, AnInstanceWithoutTextureMeshOrMaterialStopsNamingTheMissingField) {
    std::vector<u8> memory(1 << 20);
    ve::MemoryStore store = ve::createHeapStore(buffer{memory.size(), memory.data()});
    ve::Mesh mesh = {};
    ve::Texture texture = {};
    ve::BasicMat material = {};
    struct Case {
        ve::Mesh* mesh;
        ve::Texture* texture;
        ve::BasicMat* material;
        const char* assertion;
    };
    // Checked in the order texture, mesh, material.
    const Case cases[] = {
        {&mesh, nullptr, &material, "NOT NULL: meshInstance->texture"},
        {nullptr, nullptr, nullptr, "NOT NULL: meshInstance->texture"},
        {nullptr, &texture, &material, "NOT NULL: meshInstance->mesh"},
        {nullptr, &texture, nullptr, "NOT NULL: meshInstance->mesh"},
        {&mesh, &texture, nullptr, "NOT NULL: meshInstance->material"},
    };
    PFNGLCLEARPROC savedClear = ve::glClear;
    ve::glClear = ignoreClear;
    for (const Case& c : cases) {
        ve::RenderFrame frame = {};
        frame.meshes = ve::createChunkStore(sizeof(ve::MeshInstance), 16, &store);
        ve::MeshInstance instance = {};
        instance.mesh = c.mesh;
        instance.texture = c.texture;
        instance.material = c.material;
        frame.mesh(instance); // the record overload pushes without checking
        EXPECT_DEATH(ve::drawMeshes(&frame), std::string("ASSERTION FAILED:.*") + c.assertion) << c.assertion;
    }
    ve::glClear = savedClear;
}

// ---------------------------------------------------------------------------------------------
// Upload look-ups over a hand-filled table
// ---------------------------------------------------------------------------------------------

std::vector<std::string> printedLines;
void capturePrint(string text) { printedLines.push_back(std::string((const char*)text.data, text.length)); }

TEST(UploadLookup, FindsEntriesOfTheRightKindAndReportsEachMissingAssetOnce) {
    std::vector<u8> memory(1 << 20);
    ve::MemoryStore store = ve::createHeapStore(buffer{memory.size(), memory.data()});
    ve::RendererStateOpenGL state = {};
    state.uplTable = ve::createTbl(sizeof(ve::GLMemoryEntry), 31, &store);
    state.blackTexture.id = 77;
    ve::RendererStateOpenGL* savedState = ve::rendererState;
    ve::PlatformAPI* savedPlatform = ve::platform;
    ve::PlatformAPI api = {};
    api.print = capturePrint;
    ve::platform = &api;
    ve::rendererState = &state;

    ve::Texture texture = {};
    texture.id = ve::hashASCIIZ("stone");
    ve::Mesh mesh = {};
    mesh.id = ve::hashASCIIZ("crate");
    ve::GLMemoryEntry* textureEntry = (ve::GLMemoryEntry*)ve::createNewTblEntry(texture.id, &state.uplTable);
    textureEntry->type = ve::GLMemoryEntry::TEXTURE;
    textureEntry->texture.id = 5;
    ve::GLMemoryEntry* meshEntry = (ve::GLMemoryEntry*)ve::createNewTblEntry(mesh.id, &state.uplTable);
    meshEntry->type = ve::GLMemoryEntry::MESH;
    meshEntry->mesh.vao = 9;

    ASSERT_NE(ve::findUploadedTexture(&texture), nullptr);
    EXPECT_EQ(ve::findUploadedTexture(&texture)->id, 5u);
    ASSERT_NE(ve::findUploadedMesh(&mesh), nullptr);
    EXPECT_EQ(ve::findUploadedMesh(&mesh)->vao, 9u);
    EXPECT_EQ(ve::findEmissionTexture(&texture)->id, 5u);
    EXPECT_EQ(ve::findEmissionTexture(nullptr)->id, 77u) << "no emission: the built-in black texture";
    EXPECT_TRUE(printedLines.empty());

    // The wrong kind under a known id is a miss, like an id never uploaded. Each missing asset is
    // reported once, however often it is looked up, and a second missing texture is not silent.
    ve::Texture meshAsTexture = {};
    meshAsTexture.id = mesh.id;
    ve::Texture absent = {};
    absent.id = ve::hashASCIIZ("never uploaded");
    c8 barrelName[] = "barrel";
    ve::Mesh textureAsMesh = {};
    textureAsMesh.id = texture.id;
    textureAsMesh.name = barrelName;
    textureAsMesh.nameLength = 6;
    for (int frame = 0; frame < 3; ++frame) {
        EXPECT_EQ(ve::findUploadedTexture(&meshAsTexture), nullptr);
        EXPECT_EQ(ve::findUploadedTexture(&absent), nullptr);
        EXPECT_EQ(ve::findEmissionTexture(&absent), nullptr);
        EXPECT_EQ(ve::findUploadedMesh(&textureAsMesh), nullptr);
        EXPECT_EQ(ve::findUpload(ve::hashASCIIZ("skybox_mesh"), ve::GLMemoryEntry::MESH, ve::wrapASCIIZ("skybox_mesh")),
                  nullptr);
    }
    char absentId[40];
    snprintf(absentId, sizeof(absentId), "%016llx%016llx", (unsigned long long)absent.id.hi,
             (unsigned long long)absent.id.lo);
    ASSERT_EQ(printedLines.size(), 4u) << "one line per missing asset";
    EXPECT_NE(printedLines[0].find("texture"), std::string::npos);
    EXPECT_NE(printedLines[1].find(std::string("texture ") + absentId), std::string::npos) << printedLines[1];
    EXPECT_NE(printedLines[2].find("mesh \"barrel\""), std::string::npos) << printedLines[2];
    EXPECT_NE(printedLines[3].find("mesh \"skybox_mesh\""), std::string::npos) << printedLines[3];

    ve::rendererState = savedState;
    ve::platform = savedPlatform;
}

} // namespace
