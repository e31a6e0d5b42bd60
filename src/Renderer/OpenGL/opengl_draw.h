#pragma once
// The draw helpers of the frame pipeline: one lit draw, one camera-facing lit draw, one
// screen-space draw and one full-screen pass, plus the look-ups they need.
//
// Every helper binds its own program, textures, uniforms and vertex array, so the order in which
// the pipeline calls them never leaks state from one draw into the next. Uniform locations are
// looked up by name at every draw.

#include "Renderer/OpenGL/opengl_globals.h"
#include "Renderer/renderInstances.h"
#include "Math/mat4.h"

namespace ve {

// M = T(position) R(rotation) S(scale).
mat4 modelMatrix(v3 position, mat3 rotation, v3 scale);

// The GPU copy of an asset, or null when it was never uploaded or was uploaded as the other kind
// (a mesh and a texture sharing a name share an id). A miss is reported once per asset for the
// life of the program, by `name` when it is not empty and by the id otherwise, and the caller
// skips the draw.
GLMemoryEntry* findUpload(Hash id, GLMemoryEntry::TYPE type, string name);
GLMesh* findUploadedMesh(Mesh* mesh);
GLTexture* findUploadedTexture(Texture* texture);
// The built-in unit quad ("Quad").
GLMesh* findQuadMesh();

// The emission texture of a record: its upload, or the built-in opaque black texture when the
// record has none. Null only when the record names a texture that was not uploaded.
GLTexture* findEmissionTexture(Texture* emission);

// Fills the bound 2D texture with one texel (bytes r, g, b, a), read without filtering. A texture
// of one colour samples as that colour under any filter, mipmap level and coordinate, so this is
// how it is stored: its draws then read one texel instead of the eight of a trilinear sample,
// which a software rasteriser fetches and blends one by one ("black_img" is the emission of every
// unpowered prop and the face of every barrier).
void storeSingleTexel(u32 texel);

// The built-in opaque black 1 by 1 texture that stands in for a missing emission texture.
// Created once at set-up.
void createBlackTexture(RendererStateOpenGL* state);

// The build of the lit program that draws `texture` with `emission`: the glow's colour times the
// albedo's alpha when the pack builder folded this very emission into that alpha, from the
// albedo when both are the same texture, as a uniform colour when it is one colour, sampled
// otherwise; the alpha test reads the alphas that are coverage (not those opaque everywhere,
// nor a glow's mask). Every pairing but the folded one draws what the two-sample program draws.
LitVariant litVariantFor(const GLTexture* texture, const GLTexture* emission);

// Sets `choosable[alphaTest][emission]` for every build that litVariantFor can pick, found by
// asking it about one texture of each kind it tells apart paired with each: set-up builds those
// alone (each costs the driver a compile), and a new rule there cannot leave a draw without its
// program.
void markChoosableLitVariants(b8 choosable[ALPHA_TEST_VARIANTS][EMISSION_SOURCE_COUNT]);

// One lit draw with the build of physical_frag that litVariantFor picks (`shader` when both
// textures may be transparent and the emission is an image of its own): `texture` on unit 0
// (sampler "tex"), `emission` on unit 1 ("emission"), the sky on unit 2 ("skybox"); model and
// mvp into the Matrices block; the material into the Material block. A positive `outline.w`
// draws the inflated shell in the outline colour.
void drawMesh(mat4 model, Camera camera, Mesh* mesh, GLMesh* glMesh, BasicMat* material,
              GLTexture* texture, GLTexture* emission, v2 uvScale, v2 uvOffset, v4 outline);

// drawMesh with the program `billBoardShader`: the quad keeps its position and scale but always
// faces the camera.
void drawBillboard(mat4 model, Camera camera, Mesh* mesh, GLMesh* glMesh, BasicMat* material,
                   GLTexture* texture, GLTexture* emission, v2 uvScale, v2 uvOffset, v4 outline);

// One unlit draw with `hudShader`; `model` places the mesh in normalised device coordinates of
// whatever target is bound (the camera is only used for the mvp that the block carries).
void drawHUDElement(mat4 model, Camera camera, Mesh* mesh, GLMesh* glMesh, GLTexture* texture,
                    v2 uvScale, v2 uvOffset);

// Draws the built-in quad with `texture` on unit 0, using the program and target already bound.
// The full-screen vertex text doubles the quad, so it covers the whole viewport.
void drawFullScreenImage(u32 texture);

} // namespace ve
