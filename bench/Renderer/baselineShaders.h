#pragma once
// The lit fragment text that the frame pipeline drew with before draws of opaque textures went
// without the alpha test and single-colour glows without their own texture, kept for the
// benchmarks' side-by-side timing only: both textures sampled for every fragment, and the alpha
// test after all the lighting.

#include "Platform/machineDef.h"

namespace baseline {

// The lit fragment text's main function. The declarations before it are the engine's
// physical_frag up to its line "void main() {"; what they added since is not read here.
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

    float alpha = texel.a * emissionTexel.a;
    if (alpha < 0.01) discard;
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

} // namespace baseline
