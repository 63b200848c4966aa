// The frei0r entry points of one transition. CMake compiles this file once per
// transition, naming it with SVT_FREI0R_INDEX, SVT_FREI0R_STEM and
// SVT_FREI0R_TITLE; each result is its own .so with its own globals (links
// to one file would share one loaded copy in the host).
// The header declares its functions without C linkage of its own.
extern "C" {
#include <frei0r.h>
}

#include "adapters/frei0r/adapter.h"

#define SVT_FREI0R_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
constexpr svt::frei0r::PluginIdentity kSelf{SVT_FREI0R_INDEX, SVT_FREI0R_STEM, SVT_FREI0R_TITLE};
}

// Nothing to do at load and unload: hosts differ in whether they call these
// (MLT skips f0r_init for mixers and calls f0r_deinit while other instances
// live), so the module is loaded on first use and let go at unload.
SVT_FREI0R_EXPORT int f0r_init() { return 1; }
SVT_FREI0R_EXPORT void f0r_deinit() {}

SVT_FREI0R_EXPORT void f0r_get_plugin_info(f0r_plugin_info_t* info) { svt::frei0r::DescribePlugin(kSelf, info); }

SVT_FREI0R_EXPORT void f0r_get_param_info(f0r_param_info_t* info, int index) {
    svt::frei0r::DescribeParam(kSelf, info, index);
}

SVT_FREI0R_EXPORT f0r_instance_t f0r_construct(unsigned int width, unsigned int height) {
    return svt::frei0r::Construct(kSelf, width, height);
}

SVT_FREI0R_EXPORT void f0r_destruct(f0r_instance_t instance) { svt::frei0r::Destruct(instance); }

SVT_FREI0R_EXPORT void f0r_set_param_value(f0r_instance_t instance, f0r_param_t param, int index) {
    svt::frei0r::SetParam(instance, param, index);
}

SVT_FREI0R_EXPORT void f0r_get_param_value(f0r_instance_t instance, f0r_param_t param, int index) {
    svt::frei0r::GetParam(instance, param, index);
}

// A mixer has two inputs; the one-input form is exported because the API
// asks every plug-in for it, and leaves the output alone.
SVT_FREI0R_EXPORT void f0r_update(f0r_instance_t, double, const uint32_t*, uint32_t*) {}

SVT_FREI0R_EXPORT void f0r_update2(f0r_instance_t instance, double time, const uint32_t* inframe1,
                                   const uint32_t* inframe2, const uint32_t*, uint32_t* outframe) {
    svt::frei0r::Update(instance, time, inframe1, inframe2, outframe);
}
