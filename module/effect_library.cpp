#include "module/effect_library.h"

#include <atomic>
#include <new>

#include "module/effect_registry.h"
#include "library/settings.h"

namespace svt {

IFrameProcessor* NewFrameProcessor(); // frames/frame_processor.cpp
IPresetSaver* NewPresetSaver();       // presets/preset_saver.cpp

namespace {
std::atomic<uint32_t> g_liveLibraries{0};
std::atomic<bool> g_settingsLoaded{false};
} // namespace

DLLDependentObject::DLLDependentObject() { g_liveLibraries.fetch_add(1, std::memory_order_acq_rel); }
DLLDependentObject::~DLLDependentObject() { g_liveLibraries.fetch_sub(1, std::memory_order_acq_rel); }
uint32_t DLLDependentObject::LiveCount() { return g_liveLibraries.load(std::memory_order_acquire); }

Result BaseEffectsLibrary::QueryInterface(const GUID* iid, void** out) {
    if (!out) return kNullOutPointer;
    *out = nullptr;
    if (!iid) return kNoInterface;
    if (*iid == IID_IUnknown || *iid == IID_IEffectLibrary) {
        *out = AsLibrary();
        AddRef();
        return kOk;
    }
    if (!multilingual_) return kNoInterface;
    if (*iid == IID_IMultiLingual) {
        *out = static_cast<IMultiLingual*>(this);
        AddRef();
        return kOk;
    }
    return kNoInterface;
}

uint32_t BaseEffectsLibrary::AddRef() { return refs_.AddRef(); }

uint32_t BaseEffectsLibrary::Release() {
    const uint32_t left = refs_.Release();
    if (left == 0) AsLibrary()->DeleteSelf(1);
    return left;
}

ILibrarySettings* BaseEffectsLibrary::GetSettings() { return &LibrarySettings::Instance(); }
IFrameProcessor* BaseEffectsLibrary::CreateFrameProcessor() { return NewFrameProcessor(); }
IPresetSaver* BaseEffectsLibrary::CreatePresetSaver() { return NewPresetSaver(); }

D3DTumblers::D3DTumblers() {
    LoadLanguageResources(kLanguageFileName);
    bool expected = false;
    if (g_settingsLoaded.compare_exchange_strong(expected, true)) LibrarySettings::Instance().Load();
}

D3DTumblers::~D3DTumblers() { UnloadLanguageResources(); }

const char* D3DTumblers::GetLibraryName() { return kLibraryName; }

IVideoEffect* D3DTumblers::CreateEffect(uint32_t index) { return CreateRegisteredEffect(index); }

void D3DTumblers::DeleteSelf(uint32_t flags) {
    if (flags & 1)
        delete this;
    else
        this->~D3DTumblers();
}

} // namespace svt
