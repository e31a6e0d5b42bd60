#pragma once
// The shader texts that the frame pipeline drew with before it was made faster, kept for the
// benchmark's side-by-side timing only: the lit fragment text (the Fresnel power through pow, the
// light-independent terms inside the light loop), the sky at its cube's own depth, and the
// five-tap blur.

#include "Platform/machineDef.h"

namespace todays {

// The lit fragment text's main function. The declarations before it did not change: they are
// the engine's physical_frag up to its line "void main() {".
const c8* const physical_frag_main = R"GLSL(
void main() {
    vec2 uv = fs_in.texcoord * uvScale + uvOffset;
    vec4 texel = texture(tex, uv);
    vec4 emissionTexel = texture(emission, uv);

    vec3 N = normalize(fs_in.normal);
    vec3 T = pow(texel.rgb, vec3(2.2));
    vec3 E = pow(emissionTexel.rgb, vec3(2.2));
    vec3 F0 = mix(vec3(0.04), T, metalness);

    vec3 V = normalize(camPos - fs_in.fragPos);
    // The reflection uses the normal as interpolated, before back faces flip it.
    vec3 R = reflect(V, N);
    if (!gl_FrontFacing) N = -N;

    float r2 = roughness * roughness;
    float k = r2 / 2.0;
    vec3 lightSum = vec3(0.0);
    for (uint i = 0u; i < numPLights; ++i) {
        vec3 toLight = pLights[i].pos - fs_in.fragPos;
        // A light on the surface itself: the floor keeps the falloff finite and the direction
        // (then shorter than 1) free of NaN. One NaN pixel would be spread by bloom into a blob.
        float d = max(length(toLight), 1e-4);
        vec3 L = toLight / d;
        vec3 H = (L + V) / 2.0;
        vec3 radiance = pLights[i].col / (d * d);

        vec3 F = F0 + (1.0 - F0) * pow(max(0.0, 1.0 - dot(V, H)), 5.0);
        vec3 kd = (1.0 - F) * (1.0 - metalness);

        float nh = max(dot(N, H), 0.0);
        float q = nh * nh * (r2 - 1.0) + 1.0;
        // Roughness 0 facing the half vector is 0 / 0: the floor makes it 0.
        float D = r2 / max(PI * q * q, 1e-7);
        float G = geometryTerm(V, N, k) * geometryTerm(L, N, k);

        vec3 specularTerm = D * G * F / (4.0 * max(dot(V, N), 0.0001) * max(dot(L, N), 0.0001));
        vec3 diffuseTerm = kd * T * diffuse.xyz / PI;
        lightSum += (diffuseTerm + specularTerm) * radiance * max(dot(L, N), 0.0);
    }

    vec3 c = max(lightSum + ambient * T, E);
    c = c / (c + 1.0);
    c = pow(c, vec3(0.5));

    float alpha = texel.a * emissionTexel.a;
    if (alpha < 0.01) discard;
    fragCol = min(vec4(c, alpha), vec4(1.0));

    // A strongly blurred sky (three and three quarter levels above the automatic one).
    vec3 sky = texture(skybox, R, 3.75).rgb;
    fragCol += pow(vec4(sky * 0.5, 0.0), vec4(2.2));

    // Any width of 0.001 or more paints the outline colour over everything.
    fragCol = mix(fragCol, vec4(outline.xyz, 1.0), min(outline.w * 1000.0, 1.0));

    float brightness = length(fragCol);
    bloomHighlights = step(1.05, brightness) * (brightness - 1.0) * fragCol;
    bloomHighlights.a = alpha;
}
)GLSL";

const c8* const skybox_vert = R"GLSL(
#version 420 core
layout (location = 0) in vec4 position;
uniform mat4 projection;
uniform mat4 view;
out vec3 coords;

void main() {
    coords = position.xyz;
    gl_Position = projection * view * position;
}
)GLSL";

const c8* const gaussian_blur_frag = R"GLSL(
#version 420 core
in vec2 coords;
uniform int horizontal;
uniform sampler2D image;
uniform float weights[5] = float[](0.061, 0.242, 0.383, 0.242, 0.061);
layout (location = 0) out vec4 color;

void main() {
    vec2 offset = 1.0 / vec2(textureSize(image, 0));
    vec2 texelStep = (horizontal == 1) ? vec2(offset.x, 0.0) : vec2(0.0, offset.y);
    color = vec4(0.0);
    for (int i = -2; i <= 2; ++i) {
        color += texture(image, coords + texelStep * float(i)) * weights[i + 2];
    }
}
)GLSL";

} // namespace todays
