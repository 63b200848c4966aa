#include "adapters/frei0r/adapter.h"

#include <dlfcn.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <set>
#include <string>
#include <vector>

#include "library/abi.h"

namespace svt::frei0r {

namespace {

constexpr const char* kModuleFile = "SVTumblers.so";
constexpr unsigned kMaxSide = 16384;
// Bounds on what a module may describe; a module past them is cut short
// rather than trusted to stop.
constexpr uint32_t kMaxParams = 64;
constexpr uint32_t kMaxPresets = 256;

enum class Role { kProgress, kPreset, kSlider, kCheck, kChoice, kPointX, kPointY };

struct Param {
    std::string name;
    std::string explanation;
    int type;        // F0R_PARAM_*
    Role role;
    uint32_t source; // the module's parameter index (module-backed roles)
};

bool SameName(const std::string& a, const char* b) {
    const size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string Lower(const std::string& s) {
    std::string r = s;
    for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return r;
}

std::string Join(const std::vector<std::string>& names) {
    std::string s;
    for (const std::string& n : names) s += (s.empty() ? "" : ", ") + n;
    return s;
}

// A fixed-size, possibly unterminated field of a record as a string.
std::string Field(const char* p, size_t capacity) { return std::string(p, strnlen(p, capacity)); }

// ---------------------------------------------------------------------------
// Binding: the module, loaded once per plug-in, and the description of its
// transition in frei0r terms.

class Binding {
public:
    static Binding& Get(const PluginIdentity& self) {
        static Binding binding(self); // thread-safe first use, torn down at unload
        return binding;
    }

    Binding(const Binding&) = delete;
    Binding& operator=(const Binding&) = delete;
    ~Binding() {
        // A host that unloads a plug-in with instances alive leaves their
        // tables pointing into the module: keep it mapped then.
        if (live_.load() != 0) return;
        if (library_) library_->Release();
        if (handle_ && (!canUnload_ || canUnload_())) dlclose(handle_);
    }

    const PluginIdentity& self() const { return self_; }
    bool ok() const { return library_ != nullptr; }
    const std::string& error() const { return error_; }
    const std::string& name() const { return name_; }
    const std::string& explanation() const { return explanation_; }
    const std::vector<Param>& params() const { return params_; }
    const std::vector<ParamInfo>& sources() const { return sources_; }
    const std::vector<std::string>& presetNames() const { return presetNames_; }
    // The values of preset p, one per module parameter, as the module stores them.
    const ParamValue* presetRow(size_t p) const { return presetValues_.data() + p * sources_.size(); }
    const std::string& choiceEntry(uint32_t param, uint32_t entry) const { return choices_[param][entry]; }
    size_t choiceCount(uint32_t param) const { return choices_[param].size(); }

    IVideoEffect* CreateEffect() {
        IVideoEffect* e = library_ ? library_->CreateEffect(self_.index) : nullptr;
        if (e) live_.fetch_add(1);
        return e;
    }
    void ReleaseEffect(IVideoEffect* e) {
        e->Release();
        live_.fetch_sub(1);
    }

    // Prints `message` on standard error the first time it comes up in this
    // process: hosts set parameters on every frame.
    void ReportOnce(const std::string& message) {
        std::lock_guard<std::mutex> hold(reportedLock_);
        if (reported_.insert(message).second) std::fprintf(stderr, "%s: %s\n", self_.stem, message.c_str());
    }

private:
    explicit Binding(const PluginIdentity& self) : self_(self) {
        name_ = std::string("SVTumblers ") + self.title;
        explanation_ = std::string("The \"") + self.title + "\" transition";
        params_.push_back({"progress", "Progress of the transition: 0 shows the first clip, 1 the second",
                           F0R_PARAM_DOUBLE, Role::kProgress, 0});
        params_.push_back({"preset", "A built-in preset by name, applied before the other parameters",
                           F0R_PARAM_STRING, Role::kPreset, 0});
        Load();
    }

    // The module is found beside this plug-in, whatever directory the host
    // loaded the plug-in from.
    static std::string ModulePath() {
        Dl_info info{};
        if (!dladdr(reinterpret_cast<void*>(&Binding::Get), &info) || !info.dli_fname) return kModuleFile;
        const std::string self = info.dli_fname;
        const size_t slash = self.rfind('/');
        return (slash == std::string::npos ? std::string(".") : self.substr(0, slash)) + "/" + kModuleFile;
    }

    void Load() {
        const std::string path = ModulePath();
        handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle_) {
            const char* why = dlerror();
            error_ = "cannot load the transition module " + path + ": " + (why ? why : "unknown reason");
            return;
        }
        auto get = reinterpret_cast<GetEffectsLibraryFn>(dlsym(handle_, "GetEffectsLibrary"));
        canUnload_ = reinterpret_cast<CanUnloadDLLNowFn>(dlsym(handle_, "CanUnloadDLLNow"));
        IEffectLibrary* library = get ? get() : nullptr;
        if (!library) {
            error_ = path + " gave no transition library";
            return;
        }
        IVideoEffect* probe = library->CreateEffect(self_.index);
        if (!probe) {
            library->Release();
            error_ = path + " has no transition number " + std::to_string(self_.index);
            return;
        }
        Describe(probe);
        probe->Release();
        library_ = library;
    }

    void Describe(IVideoEffect* effect) {
        if (const char* n = effect->GetEffectName()) explanation_ = std::string("The \"") + n + "\" transition";
        IParamToolTip* tips = nullptr;
        void* out = nullptr;
        if (effect->QueryInterface(&IID_IParamToolTip, &out) == kOk) tips = static_cast<IParamToolTip*>(out);

        ParamInfo info;
        for (uint32_t i = 0; i < kMaxParams && effect->GetParamInfo(i, &info); ++i) {
            sources_.push_back(info);
            const std::string label = Lower(Field(info.name, sizeof(info.name)));
            const char* tip = tips ? tips->GetToolTip(i) : nullptr;
            const std::string explanation = tip ? tip : "";
            std::vector<std::string> entries;
            switch (info.type) {
            case kParamSlider: params_.push_back({label, explanation, F0R_PARAM_DOUBLE, Role::kSlider, i}); break;
            case kParamCheck: params_.push_back({label, explanation, F0R_PARAM_BOOL, Role::kCheck, i}); break;
            case kParamChoice:
                for (uint32_t k = 0; k < std::min<uint32_t>(info.choice.count, kMaxChoiceEntries); ++k)
                    entries.push_back(Field(info.choice.entries[k], kChoiceEntryBytes));
                params_.push_back({label, explanation + " (" + Join(entries) + ")", F0R_PARAM_STRING,
                                   Role::kChoice, i});
                break;
            case kParamPoint:
                params_.push_back({label + "_x", explanation + " (across, 0 left to 1 right)", F0R_PARAM_DOUBLE,
                                   Role::kPointX, i});
                params_.push_back({label + "_y", explanation + " (up and down, 0 to 1)", F0R_PARAM_DOUBLE,
                                   Role::kPointY, i});
                break;
            default: break; // a type this adapter does not know stays at its default
            }
            choices_.push_back(std::move(entries));
        }
        if (tips) tips->Release();

        for (uint32_t p = 0; p < kMaxPresets; ++p) {
            const char* name = effect->GetPresetName(p);
            if (!name) break;
            presetNames_.push_back(name);
            for (uint32_t i = 0; i < sources_.size(); ++i) {
                ParamValue v = sources_[i].defaultValue;
                effect->GetPresetValue(p, i, &v);
                presetValues_.push_back(v);
            }
        }
        if (!presetNames_.empty()) params_[1].explanation += " (" + Join(presetNames_) + ")";
    }

    PluginIdentity self_;
    std::string name_, explanation_, error_;
    std::vector<Param> params_;
    std::vector<ParamInfo> sources_;
    std::vector<std::vector<std::string>> choices_;
    std::vector<std::string> presetNames_;
    std::vector<ParamValue> presetValues_;
    void* handle_ = nullptr;
    CanUnloadDLLNowFn canUnload_ = nullptr;
    IEffectLibrary* library_ = nullptr;
    std::atomic<int> live_{0};
    std::mutex reportedLock_;
    std::set<std::string> reported_;
};

// ---------------------------------------------------------------------------
// Instance: one transition object, its parameter values, and the context the
// module reads them through.

class Instance final : public IEffectContext {
public:
    Instance(Binding& binding, IVideoEffect* effect, unsigned width, unsigned height)
        : binding_(binding), effect_(effect), width_(width), height_(height) {
        for (const ParamInfo& p : binding.sources()) values_.push_back(p.defaultValue);
    }
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;
    ~Instance() { binding_.ReleaseEffect(effect_); }

    const Binding& binding() const { return binding_; }

    // The context is owned by the instance; the module's references are
    // counted but never free it.
    Result QueryInterface(const GUID* iid, void** out) override {
        if (!out) return kNullOutPointer;
        *out = nullptr;
        if (!iid || !(*iid == IID_IUnknown)) return kNoInterface; // no host allocator: the module uses its heap
        AddRef();
        *out = static_cast<IEffectContext*>(this);
        return kOk;
    }
    uint32_t AddRef() override { return refs_.fetch_add(1) + 1; }
    uint32_t Release() override { return refs_.fetch_sub(1) - 1; }
    Bool8 GetParamValue(uint32_t index, ParamValue* out, uint32_t type) override {
        if (!out || index >= values_.size() || type != binding_.sources()[index].type) return 0;
        *out = values_[index];
        return 1;
    }

    void Set(const Param& p, const void* param) {
        std::lock_guard<std::mutex> hold(lock_);
        switch (p.role) {
        case Role::kProgress: {
            const double d = *static_cast<const double*>(param);
            progress_ = std::isnan(d) ? 0.0 : std::clamp(d, 0.0, 1.0);
            break;
        }
        case Role::kSlider: {
            const double d = *static_cast<const double*>(param);
            if (!std::isnan(d)) values_[p.source] = ParamValue::Slider(static_cast<float>(std::clamp(d, 0.0, 1.0)));
            break;
        }
        case Role::kCheck: values_[p.source] = ParamValue::Check(*static_cast<const double*>(param) >= 0.5); break;
        case Role::kPointX:
        case Role::kPointY: {
            const double d = *static_cast<const double*>(param);
            if (std::isnan(d)) break;
            const float v = static_cast<float>(std::clamp(d, 0.0, 1.0));
            const ParamValue old = values_[p.source];
            values_[p.source] = p.role == Role::kPointX ? ParamValue::Point(v, old.Y()) : ParamValue::Point(old.X(), v);
            break;
        }
        case Role::kChoice: SetChoice(p, *static_cast<const char* const*>(param)); break;
        case Role::kPreset: SetPreset(*static_cast<const char* const*>(param)); break;
        }
    }

    void Get(const Param& p, void* param) {
        std::lock_guard<std::mutex> hold(lock_);
        const ParamValue v = p.role == Role::kProgress || p.role == Role::kPreset ? ParamValue{} : values_[p.source];
        auto asDouble = [&](double d) { *static_cast<double*>(param) = d; };
        switch (p.role) {
        case Role::kProgress: asDouble(progress_); break;
        case Role::kSlider: asDouble(v.AsSlider()); break;
        case Role::kCheck: asDouble(v.AsCheck() ? 1.0 : 0.0); break;
        case Role::kPointX: asDouble(v.X()); break;
        case Role::kPointY: asDouble(v.Y()); break;
        case Role::kChoice: {
            // A preset may hold an index past the entries; it shows as empty.
            const uint32_t k = v.AsChoice();
            *static_cast<const char**>(param) =
                k < binding_.choiceCount(p.source) ? binding_.choiceEntry(p.source, k).c_str() : "";
            break;
        }
        case Role::kPreset: *static_cast<const char**>(param) = preset_.c_str(); break;
        }
    }

    // False when the frames do not fit in memory.
    bool Allocate() {
        frames_.reset(new (std::nothrow) uint8_t[3 * FrameBytes()]);
        return frames_ != nullptr;
    }

    void Render(double time, const uint32_t* from, const uint32_t* to, uint32_t* out) {
        std::lock_guard<std::mutex> hold(lock_);
        const size_t bytes = FrameBytes();
        uint8_t* a = frames_.get();
        uint8_t* b = a + bytes;
        uint8_t* o = b + bytes;
        FlipRows(from, a);
        FlipRows(to, b);
        FrameDesc da = BottomUp(a), db = BottomUp(b), dout = BottomUp(o);
        const TimingRecord timing{time, progress_};
        if (effect_->Render(this, &da, &db, &dout, &timing)) {
            FlipRows(o, out);
            return;
        }
        // The host shows what we write: the first clip rather than garbage.
        if (from != out) std::memmove(out, from, bytes);
        binding_.ReportOnce("the transition did not render a frame; showing the first clip");
    }

private:
    size_t FrameBytes() const { return size_t(width_) * height_ * 4; }

    // frei0r frames are stored top row first. The module is handed copies
    // stored bottom row first and described that way, the order its choice
    // and preset names are written for ("Bottom To Top", "Revolve In Top"
    // mean what the viewer sees). A negative stride over the host's memory
    // would not do: the module reads it as the same rows in the other
    // orientation, where those names are mirrored.
    void FlipRows(const void* src, void* dst) const {
        const size_t row = size_t(width_) * 4;
        const auto* s = static_cast<const uint8_t*>(src);
        auto* d = static_cast<uint8_t*>(dst);
        for (unsigned y = 0; y < height_; ++y) std::memcpy(d + (height_ - 1 - y) * row, s + y * row, row);
    }

    FrameDesc BottomUp(uint8_t* data) const {
        FrameDesc d{};
        d.data = data;
        d.width = static_cast<int32_t>(width_);
        d.height = static_cast<int32_t>(height_);
        d.stride = static_cast<int32_t>(width_ * 4);
        d.pixelSize = 4;
        d.format = kFormatBGRA8;
        d.topDown = 0;
        return d;
    }

    void SetChoice(const Param& p, const char* text) {
        if (!text) return;
        const size_t n = binding_.choiceCount(p.source);
        std::vector<std::string> entries;
        for (uint32_t k = 0; k < n; ++k) {
            if (SameName(binding_.choiceEntry(p.source, k), text)) {
                values_[p.source] = ParamValue::Choice(k);
                return;
            }
            entries.push_back(binding_.choiceEntry(p.source, k));
        }
        binding_.ReportOnce("\"" + p.name + "\" has no entry \"" + text + "\"; it keeps its value (entries: " +
                            Join(entries) + ")");
    }

    void SetPreset(const char* text) {
        if (!text || !*text) {
            preset_.clear();
            return;
        }
        const std::vector<std::string>& names = binding_.presetNames();
        for (size_t p = 0; p < names.size(); ++p) {
            if (!SameName(names[p], text)) continue;
            const ParamValue* row = binding_.presetRow(p);
            values_.assign(row, row + values_.size());
            preset_ = names[p];
            return;
        }
        binding_.ReportOnce(std::string("no built-in preset \"") + text + "\"; the values stay (presets: " +
                            Join(names) + ")");
    }

    Binding& binding_;
    IVideoEffect* effect_;
    const unsigned width_, height_;
    std::mutex lock_;
    std::atomic<uint32_t> refs_{1};
    double progress_ = 0.0;
    std::string preset_;
    std::vector<ParamValue> values_;
    std::unique_ptr<uint8_t[]> frames_; // picture A, picture B, output, bottom row first
};

const Param* ParamOf(const Binding& b, int index) {
    if (index < 0 || size_t(index) >= b.params().size()) return nullptr;
    return &b.params()[size_t(index)];
}

} // namespace

// ---------------------------------------------------------------------------
// Entry points

void DescribePlugin(const PluginIdentity& self, f0r_plugin_info_t* info) {
    if (!info) return;
    Binding& b = Binding::Get(self);
    info->name = b.name().c_str();
    info->author = "Solvane";
    info->plugin_type = F0R_PLUGIN_TYPE_MIXER2;
    info->color_model = F0R_COLOR_MODEL_BGRA8888;
    info->frei0r_version = FREI0R_MAJOR_VERSION;
    info->major_version = 1;
    info->minor_version = 0;
    info->num_params = static_cast<int>(b.params().size());
    info->explanation = b.explanation().c_str();
}

void DescribeParam(const PluginIdentity& self, f0r_param_info_t* info, int index) {
    const Param* p = ParamOf(Binding::Get(self), index);
    if (!info || !p) return;
    info->name = p->name.c_str();
    info->type = p->type;
    info->explanation = p->explanation.c_str();
}

f0r_instance_t Construct(const PluginIdentity& self, unsigned width, unsigned height) {
    Binding& b = Binding::Get(self);
    if (!b.ok()) {
        std::fprintf(stderr, "%s: %s\n", self.stem, b.error().c_str());
        return nullptr;
    }
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) {
        std::fprintf(stderr, "%s: cannot render %ux%u frames (each side 1 to %u)\n", self.stem, width, height,
                     kMaxSide);
        return nullptr;
    }
    IVideoEffect* effect = b.CreateEffect();
    if (!effect) return nullptr;
    Instance* instance = new (std::nothrow) Instance(b, effect, width, height);
    if (!instance) {
        b.ReleaseEffect(effect);
        return nullptr;
    }
    if (!instance->Allocate()) {
        std::fprintf(stderr, "%s: not enough memory for %ux%u frames\n", self.stem, width, height);
        delete instance;
        return nullptr;
    }
    return instance;
}

void Destruct(f0r_instance_t instance) { delete static_cast<Instance*>(instance); }

void SetParam(f0r_instance_t instance, f0r_param_t param, int index) {
    if (!instance || !param) return;
    auto* i = static_cast<Instance*>(instance);
    if (const Param* p = ParamOf(i->binding(), index)) i->Set(*p, param);
}

void GetParam(f0r_instance_t instance, f0r_param_t param, int index) {
    if (!instance || !param) return;
    auto* i = static_cast<Instance*>(instance);
    if (const Param* p = ParamOf(i->binding(), index)) i->Get(*p, param);
}

void Update(f0r_instance_t instance, double time, const uint32_t* from, const uint32_t* to, uint32_t* out) {
    if (instance && from && to && out) static_cast<Instance*>(instance)->Render(time, from, to, out);
}

} // namespace svt::frei0r
