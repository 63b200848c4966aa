// D3DTumblers, the library object GetEffectsLibrary builds.
#pragma once

#include <cstdint>

#include "library/abi.h"
#include "library/multilingual.h"
#include "library/settings.h"
#include "platform/ref_count.h"

namespace svt {

// Counts the living library objects for CanUnloadDLLNow.
class DLLDependentObject {
public:
    DLLDependentObject();
    DLLDependentObject(const DLLDependentObject&) = delete;
    DLLDependentObject& operator=(const DLLDependentObject&) = delete;
    ~DLLDependentObject();

    static uint32_t LiveCount();
};

class BaseEffectsLibrary : public IEffectLibrary, public CMultiLingualBase {
public:
    // IUnknown, shared by IEffectLibrary and IMultiLingual.
    Result QueryInterface(const GUID* iid, void** out) override;
    uint32_t AddRef() override;
    uint32_t Release() override;

    uint32_t Reserved() override { return 0; }
    ILibrarySettings* GetSettings() override;
    IFrameProcessor* CreateFrameProcessor() override;
    IPresetSaver* CreatePresetSaver() override;

    IEffectLibrary* AsLibrary() { return static_cast<IEffectLibrary*>(this); }

    // Whether QueryInterface answers IMultiLingual.
    uint8_t multilingualSwitch() const { return multilingual_; }
    void setMultilingualSwitch(uint8_t on) { multilingual_ = on; }

protected:
    BaseEffectsLibrary() = default;
    ~BaseEffectsLibrary() = default;

    platform::RefCount refs_;
    uint8_t multilingual_ = 1;
};

class D3DTumblers final : public DLLDependentObject, public BaseEffectsLibrary {
public:
    D3DTumblers();
    ~D3DTumblers();

    const char* GetLibraryName() override;
    IVideoEffect* CreateEffect(uint32_t index) override;
    void DeleteSelf(uint32_t flags) override;
};


} // namespace svt
