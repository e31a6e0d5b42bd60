#include "Renderer/OpenGL/opengl_shaders.h"

#include "Core/engine_globals.h"
#include "Platform/ve_platform.h"
#include "Renderer/OpenGL/opengl_globals.h"
#include "Renderer/bloomKernel.h"

#include <stdio.h>

#include <string>

namespace ve {

// =============================================================================================
// Shared declarations
// =============================================================================================
// Pieces that several texts declare identically. Adjacent string literals are joined by the
// compiler, so each text below is still one constant string. Each text starts with a blank line.

#define VE_GLSL_VERSION "\n#version 420 core\n"

// Byte layout (std140): view 0, proj 64, model 128, mvp 192, normalTrans 256 (three 16-byte
// columns), camPos 304; 320 bytes. No text reads normalTrans; it keeps camPos at byte 304.
#define VE_GLSL_MATRICES_BLOCK                                                                     \
    "layout (std140, binding = 1) uniform Matrices {\n"                                            \
    "    mat4 view;\n"                                                                             \
    "    mat4 proj;\n"                                                                             \
    "    mat4 model;\n"                                                                            \
    "    mat4 mvp;\n"                                                                              \
    "    mat3 normalTrans;\n"                                                                      \
    "    vec3 camPos;\n"                                                                           \
    "};\n"

// The vertex layout that uploadMesh creates.
#define VE_GLSL_MESH_INPUTS                                                                        \
    "layout (location = 0) in vec4 pos;\n"                                                         \
    "layout (location = 1) in vec4 normal;\n"                                                      \
    "layout (location = 2) in vec2 texcoord;\n"                                                    \
    "layout (location = 3) in vec4 col;\n"

#define VE_GLSL_LIT_INTERFACE                                                                      \
    "VS_OUT {\n"                                                                                   \
    "    vec3 fragPos;\n"                                                                          \
    "    vec3 normal;\n"                                                                           \
    "    vec2 texcoord;\n"                                                                         \
    "    vec4 col;\n"                                                                              \
    "}"

// The outline shell: the model is scaled by 1 + width and every vertex pushed out along its
// normal by the width. With a width of 0 both are the identity. Everything but gl_Position is
// the same for lit meshes and billboards.
#define VE_GLSL_LIT_VERTEX_COMMON                                                                  \
    VE_GLSL_VERSION VE_GLSL_MESH_INPUTS VE_GLSL_MATRICES_BLOCK                                     \
    "uniform vec4 outline = vec4(0.0);\n"                                                          \
    "out " VE_GLSL_LIT_INTERFACE " vs_out;\n"                                                      \
    "mat4 scaledModel;\n"                                                                          \
    "vec4 p;\n"                                                                                    \
    "void shellVertex() {\n"                                                                       \
    "    float s = 1.0 + outline.w;\n"                                                             \
    "    scaledModel = model * mat4(vec4(s, 0.0, 0.0, 0.0), vec4(0.0, s, 0.0, 0.0),\n"             \
    "                               vec4(0.0, 0.0, s, 0.0), vec4(0.0, 0.0, 0.0, 1.0));\n"          \
    "    p = pos + normal * outline.w;\n"                                                          \
    "    vs_out.normal = mat3(transpose(inverse(scaledModel))) * normal.xyz;\n"                    \
    "    vs_out.texcoord = texcoord;\n"                                                            \
    "    vs_out.col = col;\n"                                                                      \
    "    vs_out.fragPos = (scaledModel * p).xyz;\n"                                                \
    "}\n"

// Full-screen texts read only the position of the built-in quad.
#define VE_GLSL_POSITION_INPUT "layout (location = 0) in vec4 position;\n"

// =============================================================================================
// Lit meshes, quads and billboards
// =============================================================================================

const c8* const vertex_shader = VE_GLSL_LIT_VERTEX_COMMON R"GLSL(
void main() {
    shellVertex();
    gl_Position = proj * view * scaledModel * p;
}
)GLSL";

// The rotation part of model-view is replaced by its column lengths, so the quad keeps its scale
// and its view-space position but always faces the camera.
const c8* const billboard_vert = VE_GLSL_LIT_VERTEX_COMMON R"GLSL(
void main() {
    shellVertex();
    mat4 modelView = view * model;
    modelView[0].xyz = vec3(length(modelView[0].xyz), 0.0, 0.0);
    modelView[1].xyz = vec3(0.0, length(modelView[1].xyz), 0.0);
    modelView[2].xyz = vec3(0.0, 0.0, length(modelView[2].xyz));
    gl_Position = proj * modelView * p;
}
)GLSL";

// Byte layout (std140) of Material: diffuse 0, specular 16, emitCol 32, roughness 44,
// metalness 48 (52 bytes; drivers may pad the block). Lights: pLights[5] at 0 with a stride of 32
// (pos at 0, col at 16 of each), numPLights 160, ambient 164 (168 bytes).
const c8* const physical_frag = VE_GLSL_VERSION "in " VE_GLSL_LIT_INTERFACE " fs_in;\n"
    VE_GLSL_MATRICES_BLOCK R"GLSL(
layout (std140, binding = 2) uniform Material {
    vec4 diffuse;
    vec3 specular;
    vec3 emitCol;
    float roughness;
    float metalness;
};

struct PLight {
    vec3 pos;
    vec3 col;
};

layout (std140, binding = 3) uniform Lights {
    PLight pLights[5];
    uint numPLights;
    float ambient;
};

// Which variant this is: createLitProg defines both after the version line. The plain text is
// the two-sample program: both alphas tested, and the emission sampled from its own texture.
// ALPHA_TEST holds bits: 1 the albedo's alpha is coverage, 2 the emission's.
#ifndef ALPHA_TEST
#define ALPHA_TEST 3
#endif
#define EMISSION_SAMPLED 0
#define EMISSION_FLAT 1
#define EMISSION_ALBEDO 2
#define EMISSION_MASKED 3
#ifndef EMISSION_SOURCE
#define EMISSION_SOURCE EMISSION_SAMPLED
#endif

uniform sampler2D tex;
uniform sampler2D emission;
uniform samplerCube skybox;
// The emission of EMISSION_FLAT, one colour (display values, alpha included) everywhere, and the
// colour that EMISSION_MASKED multiplies by the albedo's alpha; emissionLinear is its colour
// raised to 2.2 once per draw, instead of once per fragment.
uniform vec4 emissionColor = vec4(0.0, 0.0, 0.0, 1.0);
uniform vec3 emissionLinear = vec3(0.0);
uniform vec2 uvScale = vec2(1.0, 1.0);
uniform vec2 uvOffset = vec2(0.0, 0.0);
uniform vec4 outline = vec4(0.0);

layout (location = 0) out vec4 fragCol;
layout (location = 1) out vec4 bloomHighlights;

const float PI = 3.1415926535897932384626433832795;

// Schlick-GGX visibility of one direction; x is clamped away from 0 so grazing angles stay finite.
float geometryTerm(vec3 X, vec3 N, float k) {
    float x = max(dot(X, N), 0.001);
    return x / (x * (1.0 - k) + k);
}

void main() {
    vec2 uv = fs_in.texcoord * uvScale + uvOffset;
    vec4 texel = texture(tex, uv);
#if EMISSION_SOURCE == EMISSION_FLAT
    vec4 emissionTexel = emissionColor;
#elif EMISSION_SOURCE == EMISSION_ALBEDO
    vec4 emissionTexel = texel;
#elif EMISSION_SOURCE == EMISSION_MASKED
    // The albedo's alpha is the glow's mask here, not a coverage: the surface is opaque.
    float glowMask = texel.a;
    vec4 emissionTexel = vec4(emissionColor.rgb * glowMask, 1.0);
    texel.a = 1.0;
#else
    vec4 emissionTexel = texture(emission, uv);
#endif

    // The alpha test comes first, so that a discarded fragment costs no lighting. Without it
    // (both textures opaque, or their alphas glow masks) nothing is discarded, and the rasteriser
    // may test depth before shading instead of after.
#if ALPHA_TEST
    float alpha = ((ALPHA_TEST & 1) != 0 ? texel.a : 1.0) * ((ALPHA_TEST & 2) != 0 ? emissionTexel.a : 1.0);
    if (alpha < 0.01) discard;
#else
    const float alpha = 1.0;
#endif

    vec3 N = normalize(fs_in.normal);
    vec3 T = pow(texel.rgb, vec3(2.2));
    // The emission in linear values. A product's power is the product of the powers, so the
    // mask's needs one channel's power.
#if EMISSION_SOURCE == EMISSION_FLAT
    vec3 E = emissionLinear;
#elif EMISSION_SOURCE == EMISSION_ALBEDO
    vec3 E = T;
#elif EMISSION_SOURCE == EMISSION_MASKED
    vec3 E = emissionLinear * pow(glowMask, 2.2);
#else
    vec3 E = pow(emissionTexel.rgb, vec3(2.2));
#endif
    vec3 F0 = mix(vec3(0.04), T, metalness);

    vec3 V = normalize(camPos - fs_in.fragPos);
    // The reflection uses the normal as interpolated, before back faces flip it.
    vec3 R = reflect(V, N);
    if (!gl_FrontFacing) N = -N;

    float r2 = roughness * roughness;
    float k = r2 / 2.0;
    // The parts of the light sum that do not depend on the light, once per fragment:
    // diffuse = (1 - F) (1 - metalness) T diffuse / PI and the view's share of the specular term.
    vec3 diffuseColor = (1.0 - metalness) * T * diffuse.xyz / PI;
    float viewTerm = geometryTerm(V, N, k) / (4.0 * max(dot(V, N), 0.0001));
    vec3 lightSum = vec3(0.0);
    for (uint i = 0u; i < numPLights; ++i) {
        vec3 toLight = pLights[i].pos - fs_in.fragPos;
        // A light on the surface itself: the floor keeps the falloff finite and the direction
        // (then shorter than 1) free of NaN. One NaN pixel would be spread by bloom into a blob.
        float inverseDistance = 1.0 / max(length(toLight), 1e-4);
        vec3 L = toLight * inverseDistance;
        vec3 H = (L + V) / 2.0;
        float NdotL = dot(L, N);

        // Schlick's fifth power, multiplied out.
        float fresnelBase = max(0.0, 1.0 - dot(V, H));
        float fresnelSquare = fresnelBase * fresnelBase;
        vec3 F = F0 + (1.0 - F0) * (fresnelSquare * fresnelSquare * fresnelBase);

        float nh = max(dot(N, H), 0.0);
        float q = nh * nh * (r2 - 1.0) + 1.0;
        // Roughness 0 facing the half vector is 0 / 0: the floor makes it 0.
        float D = r2 / max(PI * q * q, 1e-7);
        float specularScale = D * geometryTerm(L, N, k) * viewTerm / max(NdotL, 0.0001);

        vec3 radiance = pLights[i].col * (inverseDistance * inverseDistance);
        lightSum += ((1.0 - F) * diffuseColor + F * specularScale) * radiance * max(NdotL, 0.0);
    }

    vec3 c = max(lightSum + ambient * T, E);
    c = c / (c + 1.0);
    c = sqrt(c);

    fragCol = min(vec4(c, alpha), vec4(1.0));

    // A strongly blurred sky (three and three quarter levels above the automatic one).
    vec3 sky = texture(skybox, R, 3.75).rgb;
    fragCol.rgb += pow(sky * 0.5, vec3(2.2));

    // Any width of 0.001 or more paints the outline colour over everything.
    fragCol = mix(fragCol, vec4(outline.xyz, 1.0), min(outline.w * 1000.0, 1.0));

    float brightness = length(fragCol);
    bloomHighlights = step(1.05, brightness) * (brightness - 1.0) * fragCol;
    bloomHighlights.a = alpha;
}
)GLSL";

// =============================================================================================
// Sky box
// =============================================================================================

const c8* const skybox_vert = VE_GLSL_VERSION VE_GLSL_POSITION_INPUT R"GLSL(
uniform mat4 projection;
uniform mat4 view;
out vec3 coords;

// z = w puts the sky exactly on the far plane (depth 1), where only pixels that nothing opaque
// covered still are: the pipeline draws it after the opaque passes with a less-or-equal test.
void main() {
    coords = position.xyz;
    gl_Position = (projection * view * position).xyww;
}
)GLSL";

const c8* const skybox_frag = VE_GLSL_VERSION R"GLSL(
in vec3 coords;
layout (binding = 0) uniform samplerCube image;
layout (location = 0) out vec4 color;

void main() {
    color = pow(texture(image, coords), vec4(2.2));
}
)GLSL";

// =============================================================================================
// HUD
// =============================================================================================

const c8* const hud_vert = VE_GLSL_VERSION VE_GLSL_MESH_INPUTS VE_GLSL_MATRICES_BLOCK R"GLSL(
out vec2 coords;

void main() {
    gl_Position = vec4((model * pos).xy, 0.0, 1.0);
    coords = texcoord;
}
)GLSL";

const c8* const hud_frag = VE_GLSL_VERSION R"GLSL(
in vec2 coords;
layout (binding = 0) uniform sampler2D image;
uniform vec2 uvScale = vec2(1.0, 1.0);
uniform vec2 uvOffset = vec2(0.0, 0.0);
layout (location = 0) out vec4 fragCol;

void main() {
    fragCol = texture(image, coords * uvScale + uvOffset);
}
)GLSL";

// =============================================================================================
// Full-screen passes: bloom blur and composite
// =============================================================================================

// The built-in quad spans -0.5 to 0.5: doubled it covers the target, and shifted by one half its
// corners become texture coordinates 0 to 1.
const c8* const additive_vert = VE_GLSL_VERSION VE_GLSL_POSITION_INPUT R"GLSL(
out vec2 coords;

void main() {
    gl_Position = vec4(2.0 * position.x, 2.0 * position.y, 0.0, 1.0);
    coords = position.xy + vec2(0.5, 0.5);
}
)GLSL";

const c8* const gaussian_blur_vert = additive_vert;

// Linearly filtered taps along one axis, at offsets in texels of `image` (see bloomKernel.h for
// how they reproduce the five-tap blur of 0.061, 0.242, 0.383, 0.242, 0.061). TAP_COUNT is defined
// by createBlurProg, one program per pass: with a constant count the loop is unrolled, which under
// a software rasteriser costs a third less than a loop over a uniform count.
const c8* const gaussian_blur_frag = VE_GLSL_VERSION R"GLSL(
in vec2 coords;
uniform int horizontal;
uniform sampler2D image;
uniform float tapOffsets[TAP_COUNT];
uniform float tapWeights[TAP_COUNT];
layout (location = 0) out vec4 color;

void main() {
    vec2 offset = 1.0 / vec2(textureSize(image, 0));
    vec2 texelStep = (horizontal == 1) ? vec2(offset.x, 0.0) : vec2(0.0, offset.y);
    color = vec4(0.0);
    for (int i = 0; i < TAP_COUNT; ++i) {
        color += texture(image, coords + texelStep * tapOffsets[i]) * tapWeights[i];
    }
}
)GLSL";

// The exponent is 1 - gammaCorrection: 0 leaves the colour as it is, positive values brighten.
// createCompositeProg defines GAMMA_CORRECTION: 0 builds the program for gamma 0, which needs
// no power at all.
const c8* const additive_frag = VE_GLSL_VERSION R"GLSL(
#ifndef GAMMA_CORRECTION
#define GAMMA_CORRECTION 1
#endif
in vec2 coords;
uniform sampler2D image;
uniform sampler2D image2;
uniform float gammaCorrection = 1.0;
layout (location = 0) out vec4 color;

void main() {
    vec4 sum = min(texture(image, coords) + texture(image2, coords), vec4(1.0));
#if GAMMA_CORRECTION
    color = pow(sum, vec4(1.0 - gammaCorrection));
#else
    color = sum;
#endif
}
)GLSL";

// =============================================================================================
// Normal visualisation
// =============================================================================================

const c8* const drawNormVertShader = VE_GLSL_VERSION R"GLSL(
layout (location = 0) in vec4 pos;
layout (location = 1) in vec4 normal;
)GLSL" VE_GLSL_MATRICES_BLOCK R"GLSL(
out VS_OUT {
    vec4 normal;
} vs_out;

void main() {
    gl_Position = mvp * pos;
    vs_out.normal = mvp * normal;
}
)GLSL";

const c8* const drawNormGeomShader = VE_GLSL_VERSION R"GLSL(
layout (triangles) in;
layout (line_strip, max_vertices = 6) out;

in VS_OUT {
    vec4 normal;
} gs_in[];

const float MAGNITUDE = 0.4;

void main() {
    for (int i = 0; i < 3; ++i) {
        gl_Position = gl_in[i].gl_Position;
        EmitVertex();
        gl_Position = gl_in[i].gl_Position + gs_in[i].normal * MAGNITUDE;
        EmitVertex();
        EndPrimitive();
    }
}
)GLSL";

const c8* const drawNormFragShader = VE_GLSL_VERSION R"GLSL(
out vec4 fragColor;

void main() {
    fragColor = vec4(1.0, 1.0, 0.0, 1.0);
}
)GLSL";

// The version line that opens every text, for createBlurProg to put its tap count after.
constexpr c8 glslVersionLine[] = VE_GLSL_VERSION;

#undef VE_GLSL_VERSION
#undef VE_GLSL_MATRICES_BLOCK
#undef VE_GLSL_MESH_INPUTS
#undef VE_GLSL_LIT_INTERFACE
#undef VE_GLSL_LIT_VERTEX_COMMON
#undef VE_GLSL_POSITION_INPUT

// =============================================================================================
// Program builder
// =============================================================================================

namespace detail {

// Driver logs are read into a buffer of this size; longer logs are cut.
constexpr GLsizei shaderInfoLogSize = 2048;

void printShaderLine(const c8* text) {
    msi length = 0;
    while (text[length]) ++length;
    platform->print(string{length, (u8*)text});
}

// Prints the heading, then the log when the driver reported one. The log is read through the
// fixed buffer whatever length the driver reports, so a long log cannot overrun it.
void printShaderLog(const c8* heading, GLint logLength, u32 object,
                    PFNGLGETSHADERINFOLOGPROC getInfoLog) {
    c8 log[shaderInfoLogSize] = {};
    getInfoLog(object, shaderInfoLogSize, nullptr, log);
    log[shaderInfoLogSize - 1] = 0;
    printShaderLine(heading);
    if (logLength != 0) printShaderLine(log);
}

// Compiles one stage; on failure prints `heading` and the stage's own log.
u32 compileShaderStage(GLenum stage, const c8* source, const c8* heading) {
    u32 shaderObject = glCreateShader(stage);
    glShaderSource(shaderObject, 1, &source, nullptr);
    glCompileShader(shaderObject);
    GLint status = 0;
    GLint logLength = 0;
    glGetShaderiv(shaderObject, GL_COMPILE_STATUS, &status);
    glGetShaderiv(shaderObject, GL_INFO_LOG_LENGTH, &logLength);
    if (status != GL_TRUE) printShaderLog(heading, logLength, shaderObject, glGetShaderInfoLog);
    return shaderObject;
}

} // namespace detail

namespace detail {

// `text` with `defines` put right after its version line, which must stay the first line.
std::string withDefines(const c8* text, const std::string& defines) {
    constexpr msi versionLength = sizeof(glslVersionLine) - 1;
    return glslVersionLine + defines + (text + versionLength);
}

} // namespace detail

u32 createBlurProg(const BlurTaps& taps, s32 horizontal) {
    std::string text = detail::withDefines(gaussian_blur_frag, "#define TAP_COUNT " + std::to_string(taps.count) + "\n");
    u32 program = createShaderProg(gaussian_blur_vert, text.c_str(), nullptr);
    // The taps and the axis never change: set once here, a frame only binds the program.
    glUseProgram(program);
    glUniform1i(glGetUniformLocation(program, "horizontal"), horizontal);
    glUniform1i(glGetUniformLocation(program, "image"), 0);
    glUniform1fv(glGetUniformLocation(program, "tapOffsets"), (GLsizei)taps.count, taps.offsets);
    glUniform1fv(glGetUniformLocation(program, "tapWeights"), (GLsizei)taps.count, taps.weights);
    glUseProgram(0);
    return program;
}

u32 createLitProg(const c8* vertex, LitVariant variant) {
    std::string defines = "#define ALPHA_TEST " + std::to_string(variant.alphaTest) + "\n";
    defines += "#define EMISSION_SOURCE " + std::to_string((u32)variant.emission) + "\n";
    return createShaderProg(vertex, detail::withDefines(physical_frag, defines).c_str(), nullptr);
}

u32 createCompositeProg(b8 gammaCorrection) {
    std::string defines = gammaCorrection ? "#define GAMMA_CORRECTION 1\n" : "#define GAMMA_CORRECTION 0\n";
    return createShaderProg(additive_vert, detail::withDefines(additive_frag, defines).c_str(), nullptr);
}

u32 createShaderProg(const c8* vertex, const c8* fragment, const c8* geometry) {
    u32 program = glCreateProgram();
    u32 vertexObject = detail::compileShaderStage(GL_VERTEX_SHADER, vertex, "VERTEX SHADER ERROR:");
    u32 fragmentObject =
        detail::compileShaderStage(GL_FRAGMENT_SHADER, fragment, "FRAGMENT SHADER ERROR:");
    u32 geometryObject = 0;
    if (geometry) {
        geometryObject =
            detail::compileShaderStage(GL_GEOMETRY_SHADER, geometry, "GEOMETRY SHADER ERROR:");
        glAttachShader(program, geometryObject);
    }
    glAttachShader(program, vertexObject);
    glAttachShader(program, fragmentObject);
    glLinkProgram(program);

    GLint status = 0;
    GLint logLength = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &status);
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &logLength);
    if (status != GL_TRUE) {
        detail::printShaderLog("SHADER LINKING ERROR:", logLength, program, glGetProgramInfoLog);
    }

    // Deleting a name of 0 is ignored, so a program without a geometry stage needs no test.
    glDeleteShader(vertexObject);
    glDeleteShader(fragmentObject);
    glDeleteShader(geometryObject);
    return program;
}

} // namespace ve
