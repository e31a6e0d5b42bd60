#pragma once
// The frame pipeline of the OpenGL back end: slot 6 of the renderer table.
//
// A frame is drawn in passes, in this order:
//   off-screen     render-to-texture quads into their own buffers
//   scene target   lights, opaque quads, meshes with outlines   (colour + bloom highlights),
//                  the sky wherever none of them drew, transparent quads, back to front when
//                  sorting is on
//   half size      the blur of the highlights: five horizontal and vertical pairs of the five-tap
//                  kernel, drawn as three passes (bloomKernel.h)
//   window         scene plus bloom with the gamma exponent, then the HUD on top
// The off-screen buffers are not part of the scene, and the sky on the far plane shows exactly
// where it showed when it was drawn first under everything: drawn in this order, the software
// rasteriser shades the sky only where it is seen and never waits for the off-screen draws in the
// middle of the scene.
// The passes are declared below so that a benchmark can time them one by one; the frame is
// drawn only through rendererOpenGLSubmitFrame (or drawRenderFrame, with explicit settings).

#include "Renderer/renderer.h"

namespace ve {

// The colour buffer that holds the blurred highlights when bloom is done.
constexpr u32 BLOOM_RESULT = 2;
constexpr f32 AMBIENT_LIGHT = 0.01f;
constexpr u32 SKY_INDEX_COUNT = 36;
// The uploaded mesh the sky pass draws.
constexpr const c8* SKY_MESH_NAME = "skybox_mesh";
// An outline shell is drawn only for widths above this (compared in double precision).
constexpr f64 OUTLINE_MIN_WIDTH = 0.01;

// Slot 6: draws the frame with the engine state's sorting flag and gamma. The window's frame
// buffer is bound on return, with blending off.
void rendererOpenGLSubmitFrame(RenderFrame* frame);

// The same with the settings given: `sorting` orders transparent quads back to front (push order
// otherwise); the composite raises colours to 1 - `gamma`.
void drawRenderFrame(RenderFrame* frame, b8 sorting, f32 gamma);

// True when a mesh's outline width asks for the stencilled shell.
b8 drawsOutline(v4 outline);

// ---------------------------------------------------------------------------------------------
// Passes, in drawing order
// ---------------------------------------------------------------------------------------------

// Camera matrices into the Matrices block; the scene target bound and cleared to the clear colour.
void beginScenePass(RenderFrame* frame);
// The sky cube around the camera on the far plane, where nothing opaque was drawn, into the
// colour attachment only (the sky never feeds bloom).
void drawSky(Camera* camera);
// At most five point lights, the ambient term and the eye position into the uniform blocks.
void writeLights(RenderFrame* frame);
void drawOpaqueQuads(RenderFrame* frame);
// Each mesh, then its outline shell wherever the mesh itself did not mark the stencil.
void drawMeshes(RenderFrame* frame);
// Into each quad's own frame buffer, blended, then the scene target again.
void drawRenderToTextureQuads(RenderFrame* frame);
void drawTransparentQuads(RenderFrame* frame, b8 sorting);
// Blurs the bloom highlights at half the window size, into colorBuffers[BLOOM_RESULT].
void blurHighlights();
// Scene plus bloom into the window's frame buffer; turns the depth and stencil tests off.
void compositeToWindow(f32 gamma);
// HUD elements over the composite, blended, in order; turns the tests back on.
void drawHUD(RenderFrame* frame);

} // namespace ve
