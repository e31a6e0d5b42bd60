#pragma once
// The renderer's GLSL programs: the thirteen source texts and the program builder.
//
// Every text is GLSL "#version 420 core". Uniform blocks use the std140 layout and fixed binding
// points that the host side writes by byte offset (see opengl_globals.h):
//   Matrices at binding 1, Material at binding 2, Lights at binding 3.
// Samplers and plain uniforms are set by name from the host at every draw, except those of the
// blur programs, which never change and are set once when the program is built.

#include "Platform/machineDef.h"

namespace ve {

struct BlurTaps;

// Lit meshes and quads: plain model transform, or an inflated shell when `outline.w` > 0.
extern const c8* const vertex_shader;
// Camera-facing quads: like vertex_shader, but the model-view rotation is replaced by its scale.
extern const c8* const billboard_vert;
// Forward lighting (inverse-square point lights, emission, blurred sky reflection, outline colour)
// writing the colour to location 0 and the bloom highlights to location 1.
extern const c8* const physical_frag;

extern const c8* const skybox_vert;
extern const c8* const skybox_frag;

// Screen-space quads: the model matrix places the quad in normalised device coordinates.
extern const c8* const hud_vert;
extern const c8* const hud_frag;

// Full-screen pass over the built-in unit quad; the blur and the composite share it.
extern const c8* const additive_vert;
extern const c8* const gaussian_blur_vert;
extern const c8* const gaussian_blur_frag;
extern const c8* const additive_frag;

// Normal visualisation (built at start-up, not drawn with).
extern const c8* const drawNormVertShader;
extern const c8* const drawNormGeomShader;
extern const c8* const drawNormFragShader;

// Where a lit draw's emission comes from. The values are the shader's EMISSION_SOURCE.
enum class EmissionSource : u32 {
    SAMPLED = 0, // its own texture, one more sample per fragment
    FLAT = 1,    // one colour everywhere, the uniform "emissionColor"
    ALBEDO = 2,  // the albedo texture itself, sampled once for both
    MASKED = 3,  // "emissionColor" times the albedo's alpha, a glow's mask the pack builder put there
};
constexpr u32 EMISSION_SOURCE_COUNT = 4;

// Which alphas a lit draw's alpha test reads as coverage, as bits (the shader's ALPHA_TEST). With
// none the program discards nothing, which lets the rasteriser test depth before shading. An
// alpha that is opaque everywhere, or that holds a glow's mask, is not coverage.
constexpr u32 ALPHA_TEST_ALBEDO = 1;
constexpr u32 ALPHA_TEST_EMISSION = 2;
constexpr u32 ALPHA_TEST_VARIANTS = 4;

// One build of physical_frag.
struct LitVariant {
    u32 alphaTest; // ALPHA_TEST_* bits
    EmissionSource emission;
};

// physical_frag built as `variant` with the given vertex text.
u32 createLitProg(const c8* vertex, LitVariant variant);

// Compiles and links one program. `geometry` may be null. Compile and link failures are printed
// through the platform ("VERTEX SHADER ERROR:", "FRAGMENT SHADER ERROR:", "GEOMETRY SHADER ERROR:",
// "SHADER LINKING ERROR:", each followed by the driver's log) and do not stop the caller: the
// program name is returned either way.
u32 createShaderProg(const c8* vertex, const c8* fragment, const c8* geometry);

// The composite (additive_vert, additive_frag) of gamma 0 when `gammaCorrection` is 0, of any
// gamma when it is 1.
u32 createCompositeProg(b8 gammaCorrection);

// The blur program (gaussian_blur_vert, gaussian_blur_frag) of one pass: `taps` along the x axis
// when `horizontal` is 1, the y axis when 0, reading texture unit 0. All are set once, here.
u32 createBlurProg(const BlurTaps& taps, s32 horizontal);

} // namespace ve
