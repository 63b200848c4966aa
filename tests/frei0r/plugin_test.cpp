// The frei0r plug-ins driven through their exports, as an engine does: what
// they describe, how settings by name behave, shared and missing frames,
// unusable sizes. (tests/frei0r/*.sh run them in the engines: the ends of
// progress, two render threads, unknown names, no module beside them.)
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

extern "C" {
#include <frei0r.h>
}

#include "host/module.h"

namespace {

const char* const kStems[] = {"3d_box_fold",     "3d_checker_board", "3d_comb",          "3d_flip",
                              "3d_fly_away",     "3d_louver_grid",   "3d_louvers",       "3d_magic_carpet",
                              "3d_page_turn",    "3d_pizza_boxes",   "3d_rotating_frames", "3d_spiral_bounce",
                              "3d_twist"};

// One plug-in file, loaded with dlopen and unloaded at the end.
struct Plugin {
    explicit Plugin(const std::string& path) {
        handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) return;
        info = Sym<decltype(info)>("f0r_get_plugin_info");
        param_info = Sym<decltype(param_info)>("f0r_get_param_info");
        construct = Sym<decltype(construct)>("f0r_construct");
        destruct = Sym<decltype(destruct)>("f0r_destruct");
        set = Sym<decltype(set)>("f0r_set_param_value");
        get = Sym<decltype(get)>("f0r_get_param_value");
        update2 = Sym<decltype(update2)>("f0r_update2");
    }
    static Plugin Named(const char* stem) { return Plugin(std::string(SVT_BIN_DIR "/svtumblers_") + stem + ".so"); }
    Plugin(const Plugin&) = delete;
    ~Plugin() {
        if (handle) dlclose(handle);
    }
    template <class F>
    F Sym(const char* name) {
        return reinterpret_cast<F>(dlsym(handle, name));
    }
    // The index of a parameter by its frei0r name, or -1.
    int Index(const std::string& name) {
        f0r_plugin_info_t pi{};
        info(&pi);
        for (int i = 0; i < pi.num_params; ++i) {
            f0r_param_info_t p{};
            param_info(&p, i);
            if (name == p.name) return i;
        }
        return -1;
    }
    void SetDouble(f0r_instance_t in, const std::string& name, double v) { set(in, &v, Index(name)); }
    void SetString(f0r_instance_t in, const std::string& name, const char* s) { set(in, &s, Index(name)); }
    double GetDouble(f0r_instance_t in, const std::string& name) {
        double v = -1;
        get(in, &v, Index(name));
        return v;
    }
    std::string GetString(f0r_instance_t in, const std::string& name) {
        const char* s = nullptr;
        get(in, &s, Index(name));
        return s ? s : "(null)";
    }

    void* handle = nullptr;
    void (*info)(f0r_plugin_info_t*) = nullptr;
    void (*param_info)(f0r_param_info_t*, int) = nullptr;
    f0r_instance_t (*construct)(unsigned, unsigned) = nullptr;
    void (*destruct)(f0r_instance_t) = nullptr;
    void (*set)(f0r_instance_t, f0r_param_t, int) = nullptr;
    void (*get)(f0r_instance_t, f0r_param_t, int) = nullptr;
    void (*update2)(f0r_instance_t, double, const uint32_t*, const uint32_t*, const uint32_t*, uint32_t*) = nullptr;
};

constexpr unsigned kW = 40, kH = 24;
using Frame = std::vector<uint32_t>;

// Two different opaque pictures, top row first as frei0r stores them.
Frame Picture(int seed) {
    Frame f(kW * kH);
    for (unsigned y = 0; y < kH; ++y)
        for (unsigned x = 0; x < kW; ++x)
            f[y * kW + x] = 0xFF000000u | (x * 6 + seed * 90) % 256 | ((y * 10 + seed * 40) % 256) << 8 |
                            ((x * y + seed) % 256) << 16;
    return f;
}

Frame Render(Plugin& p, f0r_instance_t in, double progress) {
    const Frame a = Picture(1), b = Picture(2);
    Frame out(kW * kH, 0xDEADBEEF);
    p.SetDouble(in, "progress", progress);
    p.update2(in, 0.0, a.data(), b.data(), nullptr, out.data());
    return out;
}

} // namespace

TEST(Frei0rPlugins, EachFileDescribesItsOwnTransition) {
    svt::host::EffectModule module;
    ASSERT_TRUE(module.Load(SVT_BIN_DIR "/SVTumblers.so")) << module.error();
    for (uint32_t index = 0; index < 13; ++index) {
        SCOPED_TRACE(kStems[index]);
        Plugin p = Plugin::Named(kStems[index]);
        ASSERT_TRUE(p.handle && p.update2) << dlerror();
        auto effect = module.CreateEffect(index);
        ASSERT_TRUE(effect);

        f0r_plugin_info_t info{};
        p.info(&info);
        EXPECT_EQ(std::string("SVTumblers ") + effect->GetEffectName(), info.name);
        EXPECT_EQ(F0R_PLUGIN_TYPE_MIXER2, info.plugin_type);
        EXPECT_EQ(F0R_COLOR_MODEL_BGRA8888, info.color_model);

        // Progress and preset come first; the transition's settings follow
        // by label, as the engine tests use them (tests/frei0r/*.sh: every
        // kind of setting, their defaults rendering as tumblers' do).
        f0r_param_info_t first{}, second{};
        p.param_info(&first, 0);
        p.param_info(&second, 1);
        EXPECT_EQ(std::string("progress"), first.name);
        EXPECT_EQ(std::string("preset"), second.name);
        svt::ParamInfo pi;
        int settings = 0;
        for (uint32_t i = 0; effect->GetParamInfo(i, &pi); ++i) settings += pi.type == svt::kParamPoint ? 2 : 1;
        EXPECT_EQ(2 + settings, info.num_params);
    }
}

TEST(Frei0rPlugins, SettingsTakeFrei0rValuesAndPresetsComeBeforeThem) {
    Plugin p = Plugin::Named("3d_flip");
    f0r_instance_t in = p.construct(kW, kH);
    ASSERT_TRUE(in);

    p.SetString(in, "orientation", "vERTICAL"); // entry names in any case
    EXPECT_EQ("Vertical", p.GetString(in, "orientation"));
    p.SetString(in, "orientation", nullptr);
    EXPECT_EQ("Vertical", p.GetString(in, "orientation"));

    // "Flip Over" (Offset knob 0.49, Clockwise off) replaces what was set
    // before it. (Its values reaching the render: tests/frei0r/melt.sh.)
    p.SetDouble(in, "clockwise", 1.0);
    p.SetString(in, "preset", "flip over");
    EXPECT_EQ("Flip Over", p.GetString(in, "preset"));
    EXPECT_EQ(0.0, p.GetDouble(in, "clockwise"));
    // A setting after the preset changes only itself.
    p.SetDouble(in, "shading", 0.75);
    EXPECT_FLOAT_EQ(0.49f, float(p.GetDouble(in, "offset")));
    EXPECT_EQ(0.75, p.GetDouble(in, "shading"));
    p.SetString(in, "preset", "");
    EXPECT_EQ("", p.GetString(in, "preset"));
    EXPECT_EQ(0.75, p.GetDouble(in, "shading"));

    // Booleans: [0, 0.5) is false, [0.5, 1] true.
    p.SetDouble(in, "clockwise", 0.49);
    EXPECT_EQ(0.0, p.GetDouble(in, "clockwise"));
    p.SetDouble(in, "clockwise", 0.5);
    EXPECT_EQ(1.0, p.GetDouble(in, "clockwise"));
    // Knob positions stay in 0..1; not-a-number changes nothing.
    p.SetDouble(in, "shading", 3.0);
    EXPECT_EQ(1.0, p.GetDouble(in, "shading"));
    p.SetDouble(in, "shading", std::nan(""));
    EXPECT_EQ(1.0, p.GetDouble(in, "shading"));
    // Indexes outside the list and null values are ignored.
    double v = 0.3;
    p.set(in, &v, -1);
    p.set(in, &v, 999);
    p.set(in, nullptr, p.Index("shading"));
    p.get(in, &v, 999);
    EXPECT_EQ(0.3, v);
    EXPECT_EQ(1.0, p.GetDouble(in, "shading"));
    p.destruct(in);
}

TEST(Frei0rPlugins, OutputMayShareMemoryWithAnInput) {
    Plugin p = Plugin::Named("3d_comb");
    f0r_instance_t in = p.construct(kW, kH);
    ASSERT_TRUE(in);
    const Frame expected = Render(p, in, 0.4);
    Frame a = Picture(1);
    const Frame b = Picture(2);
    p.update2(in, 0.0, a.data(), b.data(), nullptr, a.data());
    EXPECT_EQ(expected, a);
    EXPECT_EQ(Picture(1), Render(p, in, std::nan(""))) << "progress not a number shows A";
    // Missing frames leave the output alone.
    Frame out(kW * kH, 7);
    p.update2(in, 0.0, nullptr, b.data(), nullptr, out.data());
    p.update2(in, 0.0, b.data(), nullptr, nullptr, out.data());
    p.update2(in, 0.0, b.data(), b.data(), nullptr, nullptr);
    p.update2(nullptr, 0.0, b.data(), b.data(), nullptr, out.data());
    EXPECT_EQ(Frame(kW * kH, 7), out);
    p.destruct(in);
}

TEST(Frei0rPlugins, UnusableSizesAreRefused) {
    Plugin p = Plugin::Named("3d_louvers");
    testing::internal::CaptureStderr();
    EXPECT_EQ(nullptr, p.construct(0, 8));
    EXPECT_EQ(nullptr, p.construct(8, 0));
    EXPECT_EQ(nullptr, p.construct(20000, 8));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, err.find("cannot render 0x8 frames")) << err;
    // The smallest frame still renders.
    f0r_instance_t in = p.construct(1, 1);
    ASSERT_TRUE(in);
    const uint32_t a = 0xFF0000FF, b = 0xFFFF0000;
    uint32_t out = 0;
    double t = 1.0;
    p.set(in, &t, 0);
    p.update2(in, 0.0, &a, &b, nullptr, &out);
    EXPECT_EQ(b, out);
    p.destruct(in);
}
