// The CPU pipeline: one render call from the host's frames to the output
// pixels, drawing the scene a transition builds (geometry/scene.h).
#pragma once

#include <cstdint>

#include "frames/memory_allocator.h"
#include "geometry/scene.h"
#include "library/abi.h"
#include "softrender/canvas.h"
#include "softrender/post_effect.h"

namespace svt {

// Where the pipeline gets its scene: a transition with the host's settings.
// Called once per render, twice for a frame that takes the small route
// (again with the small frames' geometry).
class SceneSource {
public:
    virtual Scene BuildScene(double t, const FrameGeometry& frames, MemoryAllocator* allocator) const = 0;

protected:
    ~SceneSource() = default;
};

// One CPU render. In order: wrap frames A, B and the output (false without
// all three); build the scene; take the small route when the scene asks for
// it; bind the canvas to the output (no canvas: true, nothing drawn; an
// output without pixels: false); set the light, the camera and the two-sided
// flag; copy a source for the stages outside the motion; otherwise fill the
// background, apply the look, draw the faces in painter's order under the
// model matrix and blend the fade. The canvas keeps no lights or post
// effects afterwards.
bool RenderScene(SceneCanvas* canvas, const SceneSource& source, FrameDesc* from, FrameDesc* to, FrameDesc* out,
                 double t, MemoryAllocator* allocator);

// The CPU render of slot 6: RenderScene on pictures that went through the
// overscan cropper first. The transition's check box (parameter
// `cropCheckParam`) says whether it may zoom picture B; picture A is zoomed
// when it is off.
bool RenderSceneCropped(SceneCanvas* canvas, const SceneSource& source, IEffectContext* context,
                        uint32_t cropCheckParam, FrameDesc* from, FrameDesc* to, FrameDesc* out, double t,
                        MemoryAllocator* allocator);

// Draws the scene's faces on a canvas already set up (camera, light, screen),
// the first and second sources resolved to the given pictures.
void DrawSceneFaces(SceneCanvas& canvas, const Scene& scene, const FacePictures& pictures);

// A new glow effect with the look (white), working through `allocator`; null
// when there is no memory. The caller owns it.
PREffect* NewGlowEffect(const GlowLook& look, MemoryAllocator* allocator);

} // namespace svt
