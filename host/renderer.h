// EffectRenderer: drives one transition the way a host does. It keeps the
// transition, its description, the context with the current parameter
// values and the three frames, renders at a progress t through slot 6, and
// checks after every render that the module gave back all it took.
#pragma once

#include <string>

#include "host/com_ptr.h"
#include "host/effect_info.h"
#include "host/host_context.h"
#include "host/picture.h"

namespace svt::host {

struct RenderCheck {
    bool rendered = false;   // what slot 6 returned
    size_t liveBlocks = 0;   // host memory still held after the render
    size_t livePictures = 0;
    size_t badFrees = 0;     // frees of memory the allocator never gave
    uint32_t heldReferences = 0; // context or allocator references kept
    size_t typeMismatches = 0;   // parameters asked for with the wrong type

    bool clean() const { return !liveBlocks && !livePictures && !badFrees && !heldReferences && !typeMismatches; }
    // One sentence naming what was left behind, "" when clean.
    std::string Problems() const;
};

class EffectRenderer {
public:
    EffectRenderer(ComPtr<IVideoEffect> effect, uint32_t index);

    const EffectInfo& info() const { return info_; }
    IVideoEffect* effect() const { return effect_.get(); }
    HostContext& context() { return context_; }

    // Sets the parameter values from preset `preset` (all of them).
    bool ApplyPreset(int preset);
    // Sets a parameter as the panel shows it ("Offset", "-100"); false, with
    // *error saying why, for an unknown label or a value it does not take.
    bool Set(const std::string& label, const std::string& displayValue, std::string* error = nullptr);

    // Builds frames A and B (converted to `format`, laid out as `layout`)
    // and the output frame of the same size. The pictures must have the
    // same size.
    bool SetPictures(const Picture& a, const Picture& b, uint32_t format, const FrameLayout& layout = {});
    HostFrame& frameA() { return a_; }
    HostFrame& frameB() { return b_; }
    HostFrame& output() { return out_; }

    // Clears the output to transparent black, renders at t through slot 6
    // and reports what the module did.
    RenderCheck Render(double t);

private:
    ComPtr<IVideoEffect> effect_;
    EffectInfo info_;
    HostContext context_;
    HostFrame a_, b_, out_;
};

} // namespace svt::host
