// The frei0r side of one transition: what a frei0r "mixer2" plug-in exports,
// in terms of the module's own C contract (library/abi.h) only.
//
// Each plug-in file (svtumblers_3d_flip.so, ...) is built from plugin.cpp with
// its own transition index and links its own copy of this code, so every
// plug-in has its own globals: the module loaded once per plug-in (Binding)
// and the instances it constructed.
//
// frei0r parameters of a plug-in, in this order:
//   0 "progress"  double 0..1, the transition's progress (MLT keyframes it);
//                 the time argument of f0r_update2 is seconds, not progress
//   1 "preset"    string, a built-in preset by name, loaded before the
//                 parameters that follow it are applied
//   2...          the transition's parameters by their labels in lower case:
//                 sliders as doubles (the knob position 0..1), check boxes
//                 as booleans, choices as strings holding the entry name,
//                 points as two doubles "<label>_x" and "<label>_y"
//
// Threads: the frei0r rules allow different instances on different threads
// at once; each instance also serialises its own calls with a lock, so a
// host that breaks that rule still gets whole frames.
#pragma once

#include <cstdint>

// The header declares its functions without C linkage of its own.
extern "C" {
#include <frei0r.h>
}

namespace svt::frei0r {

// The plug-in a copy of the entry points belongs to.
struct PluginIdentity {
    uint32_t index;    // the module's transition index, 0..12
    const char* stem;  // file name without ".so", used in messages
    const char* title; // the transition's name, e.g. "3D Flip"
};

// The entry points, given the plug-in they serve. All of them accept null
// and out-of-range arguments and then do nothing.
void DescribePlugin(const PluginIdentity& self, f0r_plugin_info_t* info);
void DescribeParam(const PluginIdentity& self, f0r_param_info_t* info, int index);
// Null, after a message on standard error, when the module beside the plug-in
// cannot be loaded or the size is not usable.
f0r_instance_t Construct(const PluginIdentity& self, unsigned width, unsigned height);
void Destruct(f0r_instance_t instance);
void SetParam(f0r_instance_t instance, f0r_param_t param, int index);
void GetParam(f0r_instance_t instance, f0r_param_t param, int index);
// Renders the transition at the instance's progress from the top-down
// BGRA frames `from` and `to` into `out` (which may be one of them).
void Update(f0r_instance_t instance, double time, const uint32_t* from, const uint32_t* to, uint32_t* out);

} // namespace svt::frei0r
