// The game's textures, generated. Look: a clean, bright test chamber: pale panels with fine seams,
// cyan glow for the chamber's own lights and edges, warm orange-gold for anything that carries
// power.
//
// Every texture is opaque (alpha 1 everywhere) except the energy wall and the HUD's backing, which
// are see-through, and the font, which is white ink on a transparent background (built in
// fontAtlas.cpp). Emission
// textures are black where nothing glows.

#include "kestrolanArt.h"

#include <math.h>

namespace art {

namespace {

const f32 PI = 3.14159265358979f;
const Rgba BLACK = {0, 0, 0, 1};
const Rgba CYAN_GLOW = {0.35f, 0.9f, 1.0f, 1};
const Rgba POWER_GLOW = {1.0f, 0.6f, 0.18f, 1};

// Thin lines at multiples of `spacing` in u or v (1 on a line, 0 elsewhere).
f32 gridLines(f32 u, f32 v, f32 spacing, f32 halfWidth, u32 size) {
    f32 du = fabsf(u / spacing - roundf(u / spacing)) * spacing;
    f32 dv = fabsf(v / spacing - roundf(v / spacing)) * spacing;
    return fmaxf(band(du, 0, halfWidth, size), band(dv, 0, halfWidth, size));
}

// A ring of radius `radius` and half width `halfWidth` around (0.5, 0.5).
f32 ring(f32 u, f32 v, f32 radius, f32 halfWidth, u32 size) {
    f32 d = sqrtf((u - 0.5f) * (u - 0.5f) + (v - 0.5f) * (v - 0.5f));
    return band(d, radius, halfWidth, size);
}

// Distance from p to the segment a-b.
f32 segmentDistance(f32 px, f32 py, f32 ax, f32 ay, f32 bx, f32 by) {
    f32 abx = bx - ax, aby = by - ay;
    f32 t = clamp01(((px - ax) * abx + (py - ay) * aby) / (abx * abx + aby * aby));
    f32 dx = px - (ax + abx * t), dy = py - (ay + aby * t);
    return sqrtf(dx * dx + dy * dy);
}

// One ground tile spans 2 x 2 world units (walls repeat it every 2 units): four sub-panels a side
// and a seam along the tile's border, which meets the neighbouring tile's seam.
const u32 GROUND_SIZE = 256;
f32 groundSeam(f32 u, f32 v) { return 1 - smoothstep(0.006f, 0.014f, edgeDistance(u, v)); }

Rgba shadeGround(f32 u, f32 v) {
    s32 panelX = (s32)(u * 4), panelY = (s32)(v * 4);
    f32 panelTone = (latticeNoise(panelX, panelY, 11) - 0.5f) * 0.04f;
    f32 grain = (tiledNoise(u * 64, v * 64, 64, 12) - 0.5f) * 0.035f;
    Rgba panel = rgb(0.80f + panelTone + grain, 0.82f + panelTone + grain, 0.84f + panelTone + grain);
    panel = mix(panel, rgb(0.66f, 0.68f, 0.71f), gridLines(u, v, 0.25f, 0.0025f, GROUND_SIZE) * 0.8f);
    return mix(panel, rgb(0.32f, 0.34f, 0.37f), groundSeam(u, v));
}

Rgba shadeGroundEmission(f32 u, f32 v) {
    return mix(BLACK, rgb(0.12f, 0.42f, 0.5f), groundSeam(u, v));
}

// The cube: a pale panel with a dark bevelled rim whose edges glow.
const u32 CUBE_SIZE = 256;
Rgba shadeCube(f32 u, f32 v) {
    f32 edge = edgeDistance(u, v);
    f32 grain = (tiledNoise(u * 32, v * 32, 32, 21) - 0.5f) * 0.03f;
    Rgba colour = rgb(0.86f + grain, 0.87f + grain, 0.89f + grain);
    colour = mix(colour, rgb(0.22f, 0.24f, 0.27f), 1 - smoothstep(0.085f, 0.095f, edge));
    colour = mix(colour, rgb(0.7f, 0.72f, 0.75f), ring(u, v, 0.22f, 0.02f, CUBE_SIZE));
    return mix(colour, rgb(0.3f, 0.32f, 0.35f), ring(u, v, 0.12f, 0.035f, CUBE_SIZE));
}

Rgba shadeCubeEmission(f32 u, f32 v) {
    f32 edge = edgeDistance(u, v);
    f32 glow = 1 - smoothstep(0.02f, 0.06f, edge);
    f32 emblem = ring(u, v, 0.22f, 0.008f, CUBE_SIZE);
    return mix(BLACK, CYAN_GLOW, fmaxf(glow, emblem * 0.8f));
}

// The button: the lower half of the texture dresses the pedestal, the upper half the cap.
const u32 BUTTON_SIZE = 256;
Rgba shadeButton(f32 u, f32 v) {
    if (v < 0.5f) {
        f32 grain = (tiledNoise(u * 32, v * 64, 32, 31) - 0.5f) * 0.03f;
        Rgba body = rgb(0.34f + grain, 0.36f + grain, 0.40f + grain);
        return mix(body, rgb(0.82f, 0.84f, 0.86f), band(u, 0.5f, 0.06f, BUTTON_SIZE));
    }
    f32 d = sqrtf((u - 0.5f) * (u - 0.5f) + (v - 0.75f) * (v - 0.75f) * 4);
    Rgba rim = rgb(0.75f, 0.77f, 0.8f);
    return mix(rgb(0.9f, 0.22f, 0.14f), rim, smoothstep(0.36f, 0.4f, d));
}

Rgba shadeButtonEmission(f32 u, f32 v) {
    if (v < 0.5f) return mix(BLACK, CYAN_GLOW, band(u, 0.5f, 0.02f, BUTTON_SIZE));
    f32 d = sqrtf((u - 0.5f) * (u - 0.5f) + (v - 0.75f) * (v - 0.75f) * 4);
    return mix(BLACK, rgb(1.0f, 0.32f, 0.16f), 1 - smoothstep(0.3f, 0.38f, d));
}

// Brushed gold with two square grooves; also the plate's glow when it is pressed.
const u32 GOLD_SIZE = 256;
Rgba shadeGold(f32 u, f32 v) {
    f32 brush = (tiledNoise(u * 4, v * 96, 4, 41) - 0.5f) * 0.12f;
    Rgba gold = rgb(0.96f + brush, 0.74f + brush, 0.26f + brush * 0.5f);
    f32 edge = edgeDistance(u, v);
    f32 grooves = fmaxf(band(edge, 0.06f, 0.008f, GOLD_SIZE), band(edge, 0.2f, 0.006f, GOLD_SIZE));
    return mix(gold, rgb(0.55f, 0.38f, 0.1f), grooves);
}

// The elevator: the left half dresses the frame, the right half the doors.
const u32 ELEVATOR_SIZE = 256;
Rgba shadeElevator(f32 u, f32 v) {
    f32 grain = (tiledNoise(u * 32, v * 32, 32, 51) - 0.5f) * 0.03f;
    if (u < 0.5f) {
        f32 x = u * 2;
        Rgba steel = rgb(0.76f + grain, 0.78f + grain, 0.82f + grain);
        f32 grooves = fmaxf(band(x, 0.3f, 0.02f, ELEVATOR_SIZE), band(x, 0.7f, 0.02f, ELEVATOR_SIZE));
        return mix(steel, rgb(0.45f, 0.47f, 0.5f), grooves);
    }
    f32 x = (u - 0.5f) * 2;
    Rgba door = rgb(0.58f + grain, 0.61f + grain, 0.66f + grain);
    door = mix(door, rgb(0.42f, 0.45f, 0.5f), band(v, 0.5f, 0.04f, ELEVATOR_SIZE));
    return mix(door, rgb(0.12f, 0.13f, 0.15f), band(x, 0.5f, 0.012f, ELEVATOR_SIZE));
}

Rgba shadeElevatorEmission(f32 u, f32 v) {
    if (u < 0.5f) {
        f32 x = u * 2;
        f32 strips = fmaxf(band(x, 0.08f, 0.025f, ELEVATOR_SIZE), band(x, 0.92f, 0.025f, ELEVATOR_SIZE));
        return mix(BLACK, CYAN_GLOW, strips);
    }
    f32 x = (u - 0.5f) * 2;
    f32 seam = band(x, 0.5f, 0.01f, ELEVATOR_SIZE);
    // An upward chevron above the middle band: the way out.
    f32 chevron = fminf(segmentDistance(x, v, 0.38f, 0.66f, 0.5f, 0.76f), segmentDistance(x, v, 0.5f, 0.76f, 0.62f, 0.66f));
    f32 arrow = 1 - smoothstep(0.012f, 0.02f, chevron);
    return mix(BLACK, CYAN_GLOW, fmaxf(seam, arrow));
}

// The lamp: a pale ribbed shade whose glow is warm white.
const u32 LIGHT_SIZE = 128;
Rgba shadeLight(f32 u, f32 v) {
    (void)u;
    f32 ribs = 0.5f + 0.5f * cosf(v * 2 * PI * 8);
    return rgb(0.92f - 0.06f * ribs, 0.9f - 0.06f * ribs, 0.86f - 0.06f * ribs);
}

Rgba shadeLightEmission(f32 u, f32 v) {
    (void)u;
    f32 ribs = 0.5f + 0.5f * cosf(v * 2 * PI * 8);
    return rgb(1.0f, 0.9f - 0.08f * ribs, 0.68f - 0.1f * ribs);
}

// A cable strip: u runs across it, v along it (2 units per texture). A dark sheath with a core
// channel that glows when powered.
const u32 CABLE_SIZE = 128;
Rgba shadeCable(f32 u, f32 v) {
    f32 ribs = band(fabsf(fmodf(v * 8, 1.0f) - 0.5f), 0, 0.05f, CABLE_SIZE / 8);
    Rgba sheath = mix(rgb(0.2f, 0.21f, 0.24f), rgb(0.14f, 0.15f, 0.17f), ribs);
    sheath = mix(sheath, rgb(0.55f, 0.57f, 0.6f), fmaxf(band(u, 0.06f, 0.03f, CABLE_SIZE), band(u, 0.94f, 0.03f, CABLE_SIZE)));
    return mix(sheath, rgb(0.62f, 0.5f, 0.36f), band(u, 0.5f, 0.1f, CABLE_SIZE));
}

Rgba shadeCableEmission(f32 u, f32 v) {
    (void)v;
    f32 d = (u - 0.5f) / 0.09f;
    f32 core = expf(-d * d);
    return mix(BLACK, mix(POWER_GLOW, rgb(1, 0.95f, 0.8f), core * core), core);
}

// The energy wall: a see-through blue field of vertical light bands and fine scan lines. It scrolls
// along u, so everything that varies in u has a whole number of periods across the texture.
const u32 ENERGY_SIZE = 256;
Rgba shadeEnergyWall(f32 u, f32 v) {
    f32 bands = 0.5f + 0.5f * sinf(2 * PI * 3 * u) * cosf(2 * PI * 5 * u + 1.3f);
    f32 shimmer = tiledNoise(u * 16, v * 16, 16, 61);
    f32 scan = 0.5f + 0.5f * cosf(2 * PI * 48 * v);
    f32 strength = clamp01(0.25f + 0.45f * bands + 0.15f * shimmer + 0.1f * scan);
    Rgba colour = mix(rgb(0.1f, 0.45f, 1.0f), rgb(0.6f, 0.95f, 1.0f), strength * strength);
    colour.a = 0.25f + 0.5f * strength;
    return colour;
}

// Logic gate icons on a dark panel; the same image is the gate's glow while it is powered.
const u32 ICON_SIZE = 256;
const f32 ICON_STROKE = 0.018f;

Rgba shadeIconPanel(f32 u, f32 v, f32 symbolDistance) {
    Rgba panel = rgb(0.11f, 0.12f, 0.14f);
    panel = mix(panel, rgb(0.45f, 0.48f, 0.52f), band(edgeDistance(u, v), 0.04f, 0.008f, ICON_SIZE));
    return mix(panel, CYAN_GLOW, 1 - smoothstep(ICON_STROKE - 0.004f, ICON_STROKE + 0.004f, symbolDistance));
}

f32 andSymbolDistance(f32 u, f32 v) {
    // A "D": straight back at x = 0.35, flat top and bottom to x = 0.5, a half circle to x = 0.7.
    f32 outline = fminf(segmentDistance(u, v, 0.35f, 0.3f, 0.35f, 0.7f),
                        fminf(segmentDistance(u, v, 0.35f, 0.3f, 0.5f, 0.3f), segmentDistance(u, v, 0.35f, 0.7f, 0.5f, 0.7f)));
    f32 arcDistance = fabsf(sqrtf((u - 0.5f) * (u - 0.5f) + (v - 0.5f) * (v - 0.5f)) - 0.2f);
    if (u >= 0.5f) outline = fminf(outline, arcDistance);
    f32 wires = fminf(fminf(segmentDistance(u, v, 0.15f, 0.4f, 0.35f, 0.4f), segmentDistance(u, v, 0.15f, 0.6f, 0.35f, 0.6f)),
                      segmentDistance(u, v, 0.7f, 0.5f, 0.85f, 0.5f));
    return fminf(outline, wires);
}

f32 notSymbolDistance(f32 u, f32 v) {
    // A triangle pointing right with the inverting bubble at its tip.
    f32 triangle = fminf(segmentDistance(u, v, 0.32f, 0.3f, 0.32f, 0.7f),
                         fminf(segmentDistance(u, v, 0.32f, 0.3f, 0.64f, 0.5f), segmentDistance(u, v, 0.32f, 0.7f, 0.64f, 0.5f)));
    f32 bubble = fabsf(sqrtf((u - 0.69f) * (u - 0.69f) + (v - 0.5f) * (v - 0.5f)) - 0.05f);
    f32 wires = fminf(segmentDistance(u, v, 0.15f, 0.5f, 0.32f, 0.5f), segmentDistance(u, v, 0.74f, 0.5f, 0.85f, 0.5f));
    return fminf(fminf(triangle, bubble), wires);
}

// The sky: the chamber's far walls. The same image becomes all six cube faces, so the pattern is
// symmetric under quarter turns and its borders meet at every cube edge.
const u32 SKY_SIZE = 512;
Rgba shadeSky(f32 u, f32 v) {
    f32 grain = (tiledNoise(u * 32, v * 32, 32, 71) - 0.5f) * 0.02f;
    f32 vignette = sqrtf((u - 0.5f) * (u - 0.5f) + (v - 0.5f) * (v - 0.5f));
    f32 tone = 0.66f - 0.1f * vignette + grain;
    Rgba wall = rgb(tone, tone + 0.03f, tone + 0.07f);
    f32 seams = fmaxf(gridLines(u, v, 0.25f, 0.003f, SKY_SIZE), 1 - smoothstep(0.004f, 0.008f, edgeDistance(u, v)));
    return mix(wall, rgb(0.42f, 0.45f, 0.5f), seams);
}

} // namespace

void addTextures(pakbuild::PakContents* contents) {
    std::vector<pakbuild::PakImage>& textures = contents->textures;
    textures.push_back(makeImage("ground_img", GROUND_SIZE, GROUND_SIZE, shadeGround));
    textures.push_back(makeImage("ground_emission_img", GROUND_SIZE, GROUND_SIZE, shadeGroundEmission));
    textures.push_back(makeImage("cube_img", CUBE_SIZE, CUBE_SIZE, shadeCube));
    textures.push_back(makeImage("cube_emission_img", CUBE_SIZE, CUBE_SIZE, shadeCubeEmission));
    textures.push_back(makeImage("button_img", BUTTON_SIZE, BUTTON_SIZE, shadeButton));
    textures.push_back(makeImage("button_emission_img", BUTTON_SIZE, BUTTON_SIZE, shadeButtonEmission));
    textures.push_back(makeImage("gold_img", GOLD_SIZE, GOLD_SIZE, shadeGold));
    textures.push_back(makeImage("black_img", 4, 4, [](f32, f32) { return BLACK; }));
    textures.push_back(makeImage("elevator_img", ELEVATOR_SIZE, ELEVATOR_SIZE, shadeElevator));
    textures.push_back(makeImage("elevator_emission_img", ELEVATOR_SIZE, ELEVATOR_SIZE, shadeElevatorEmission));
    textures.push_back(makeImage("light_img", LIGHT_SIZE, LIGHT_SIZE, shadeLight));
    textures.push_back(makeImage("light_emission_img", LIGHT_SIZE, LIGHT_SIZE, shadeLightEmission));
    textures.push_back(makeImage("cable_img", CABLE_SIZE, CABLE_SIZE, shadeCable));
    textures.push_back(makeImage("cable_emission_img", CABLE_SIZE, CABLE_SIZE, shadeCableEmission));
    textures.push_back(makeImage("energywall_img", ENERGY_SIZE, ENERGY_SIZE, shadeEnergyWall));
    textures.push_back(makeImage("and_img", ICON_SIZE, ICON_SIZE,
                                 [](f32 u, f32 v) { return shadeIconPanel(u, v, andSymbolDistance(u, v)); }));
    textures.push_back(makeImage("not_img", ICON_SIZE, ICON_SIZE,
                                 [](f32 u, f32 v) { return shadeIconPanel(u, v, notSymbolDistance(u, v)); }));
    textures.push_back(makeImage("skybox_img", SKY_SIZE, SKY_SIZE, shadeSky));
    // Behind the HUD's lines of text: dark, the world faint behind it.
    textures.push_back(makeImage("hud_backing_img", 1, 1, [](f32, f32) { return Rgba{0, 0, 0, 0.85f}; }));
    // Every albedo with the emission drawn over it; the builder folds those whose glow is one
    // colour times a mask (the ground, the cube, the elevator) and leaves the others.
    pakbuild::foldGlowMasks(contents, {{"ground_img", "ground_emission_img"},
                                       {"cube_img", "cube_emission_img"},
                                       {"button_img", "button_emission_img"},
                                       {"elevator_img", "elevator_emission_img"},
                                       {"light_img", "light_emission_img"},
                                       {"cable_img", "cable_emission_img"}});
}

} // namespace art
