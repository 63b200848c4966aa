// The frei0r adapter's own cost at 1080p: f0r_update2 of a plug-in against the
// module's render entry called directly on frames already stored bottom row
// first, for the same transition, settings and progress. The difference is
// the adapter's work per frame (row-flipped copies of both pictures and of
// the output, the lock). Both use the plug-ins and module beside this
// program.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

extern "C" {
#include <frei0r.h>
}

#include "library/abi.h"

namespace {

constexpr unsigned kW = 1920, kH = 1080;
constexpr double kProgress = 0.4;

std::string BinDir() {
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    std::string exe(buf, n > 0 ? size_t(n) : 0);
    return exe.substr(0, exe.rfind('/') + 1);
}

std::vector<uint32_t> Picture(uint32_t seed) {
    std::vector<uint32_t> f(size_t(kW) * kH);
    for (size_t i = 0; i < f.size(); ++i) f[i] = 0xFF000000u | uint32_t(i * 2654435761u + seed) >> 8;
    return f;
}

// The module's context with every parameter at its default.
struct Defaults final : svt::IEffectContext {
    std::vector<svt::ParamInfo> params;
    svt::Result QueryInterface(const svt::GUID*, void** out) override {
        if (out) *out = nullptr;
        return svt::kNoInterface;
    }
    uint32_t AddRef() override { return 2; }
    uint32_t Release() override { return 1; }
    svt::Bool8 GetParamValue(uint32_t i, svt::ParamValue* out, uint32_t type) override {
        if (!out || i >= params.size() || params[i].type != type) return 0;
        *out = params[i].defaultValue;
        return 1;
    }
};

struct Case {
    uint32_t index;
    const char* stem;
};
const Case kCases[] = {{3, "3d_flip"}, {5, "3d_louver_grid"}, {11, "3d_spiral_bounce"}};

void BM_ModuleRender(benchmark::State& state) {
    const Case& c = kCases[state.range(0)];
    void* module = dlopen((BinDir() + "SVTumblers.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    auto get = module ? reinterpret_cast<GetEffectsLibraryFn>(dlsym(module, "GetEffectsLibrary")) : nullptr;
    svt::IEffectLibrary* library = get ? get() : nullptr;
    svt::IVideoEffect* effect = library ? library->CreateEffect(c.index) : nullptr;
    if (!effect) {
        state.SkipWithError("no module beside the benchmark");
        return;
    }
    Defaults context;
    svt::ParamInfo info;
    for (uint32_t i = 0; effect->GetParamInfo(i, &info); ++i) context.params.push_back(info);
    std::vector<uint32_t> a = Picture(1), b = Picture(2), out(a.size());
    auto desc = [](std::vector<uint32_t>& f) {
        svt::FrameDesc d{};
        d.data = f.data();
        d.width = kW;
        d.height = kH;
        d.stride = kW * 4;
        d.pixelSize = 4;
        d.format = svt::kFormatBGRA8;
        return d;
    };
    svt::FrameDesc da = desc(a), db = desc(b), dout = desc(out);
    const svt::TimingRecord timing{0.0, kProgress};
    for (auto _ : state) benchmark::DoNotOptimize(effect->Render(&context, &da, &db, &dout, &timing));
    state.SetLabel(c.stem);
    effect->Release();
    library->Release();
}

void BM_PluginUpdate(benchmark::State& state) {
    const Case& c = kCases[state.range(0)];
    void* plugin = dlopen((BinDir() + "svtumblers_" + c.stem + ".so").c_str(), RTLD_NOW | RTLD_LOCAL);
    auto construct = plugin ? reinterpret_cast<f0r_instance_t (*)(unsigned, unsigned)>(dlsym(plugin, "f0r_construct"))
                            : nullptr;
    f0r_instance_t in = construct ? construct(kW, kH) : nullptr;
    if (!in) {
        state.SkipWithError("no plug-in beside the benchmark");
        return;
    }
    auto set = reinterpret_cast<void (*)(f0r_instance_t, f0r_param_t, int)>(dlsym(plugin, "f0r_set_param_value"));
    auto update2 = reinterpret_cast<void (*)(f0r_instance_t, double, const uint32_t*, const uint32_t*,
                                             const uint32_t*, uint32_t*)>(dlsym(plugin, "f0r_update2"));
    auto destruct = reinterpret_cast<void (*)(f0r_instance_t)>(dlsym(plugin, "f0r_destruct"));
    double progress = kProgress;
    set(in, &progress, 0);
    std::vector<uint32_t> a = Picture(1), b = Picture(2), out(a.size());
    for (auto _ : state) {
        update2(in, 0.0, a.data(), b.data(), nullptr, out.data());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetLabel(c.stem);
    destruct(in);
}

BENCHMARK(BM_ModuleRender)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PluginUpdate)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
