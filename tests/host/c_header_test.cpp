// The C header and library/abi.h describe one binary contract: records by
// size and offset (checked when this file compiles), identifiers and
// constants by value, and every named slot at the same place in its table.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

#include "include/svtumblers.h"
#include "library/abi.h"

namespace {

#define SAME_RECORD(C, Cpp) static_assert(sizeof(C) == sizeof(svt::Cpp), #C " and " #Cpp " differ in size")
#define SAME_FIELD(C, cf, Cpp, f) \
    static_assert(offsetof(C, cf) == offsetof(svt::Cpp, f), #C "." #cf " is not where " #Cpp "." #f " is")

SAME_RECORD(SVTGuid, GUID);
SAME_RECORD(SVTParamValue, ParamValue);
SAME_RECORD(SVTParamInfo, ParamInfo);
SAME_FIELD(SVTParamInfo, type, ParamInfo, type);
SAME_FIELD(SVTParamInfo, u.slider.minimum, ParamInfo, slider.minimum);
SAME_FIELD(SVTParamInfo, u.slider.maximum, ParamInfo, slider.maximum);
SAME_FIELD(SVTParamInfo, u.slider.continuous, ParamInfo, slider.continuous);
SAME_FIELD(SVTParamInfo, u.choice.count, ParamInfo, choice.count);
SAME_FIELD(SVTParamInfo, u.choice.entries, ParamInfo, choice.entries);
SAME_FIELD(SVTParamInfo, name, ParamInfo, name);
SAME_FIELD(SVTParamInfo, x, ParamInfo, x);
SAME_FIELD(SVTParamInfo, height, ParamInfo, height);
SAME_FIELD(SVTParamInfo, present, ParamInfo, present);
SAME_RECORD(SVTFrame, FrameDesc);
SAME_FIELD(SVTFrame, width, FrameDesc, width);
SAME_FIELD(SVTFrame, stride, FrameDesc, stride);
SAME_FIELD(SVTFrame, pixelSize, FrameDesc, pixelSize);
SAME_FIELD(SVTFrame, reserved, FrameDesc, reserved);
SAME_FIELD(SVTFrame, format, FrameDesc, format);
SAME_FIELD(SVTFrame, topDown, FrameDesc, topDown);
SAME_RECORD(SVTTiming, TimingRecord);
SAME_FIELD(SVTTiming, progress, TimingRecord, progress);
SAME_RECORD(SVTGPUFrame, GPUFrame);
SAME_FIELD(SVTGPUFrame, format, GPUFrame, format);
SAME_FIELD(SVTGPUFrame, textureWidth, GPUFrame, textureWidth);
SAME_FIELD(SVTGPUFrame, width, GPUFrame, width);
SAME_FIELD(SVTGPUFrame, y, GPUFrame, y);
SAME_FIELD(SVTGPUFrame, flipped, GPUFrame, flipped);
SAME_RECORD(SVTPresetEntry, PresetEntry);
SAME_FIELD(SVTPresetEntry, type, PresetEntry, type);
SAME_RECORD(SVTPresetData, PresetData);
SAME_FIELD(SVTPresetData, libraryName, PresetData, libraryName);
SAME_FIELD(SVTPresetData, effectName, PresetData, effectName);
SAME_FIELD(SVTPresetData, entries, PresetData, entries);
SAME_FIELD(SVTPresetData, count, PresetData, count);

// The C header's constants equal the contract's (compared as numbers: C
// enumerators and C++ enums are different types).
#define SAME_VALUE(c, cpp) static_assert(int(c) == int(cpp), #c)
SAME_VALUE(SVT_PARAM_POINT, svt::kParamPoint);
SAME_VALUE(SVT_PARAM_CHOICE, svt::kParamChoice);
SAME_VALUE(SVT_PARAM_SLIDER, svt::kParamSlider);
SAME_VALUE(SVT_PARAM_CHECK, svt::kParamCheck);
SAME_VALUE(SVT_FORMAT_BGRA8, svt::kFormatBGRA8);
SAME_VALUE(SVT_FORMAT_ARGB8, svt::kFormatARGB8);
SAME_VALUE(SVT_FORMAT_BGRAF, svt::kFormatBGRAF);
SAME_VALUE(SVT_FORMAT_ARGBF, svt::kFormatARGBF);
SAME_VALUE(SVT_FORMAT_GRAY8, svt::kFormatGray8);
SAME_VALUE(SVT_FORMAT_GRAYF, svt::kFormatGrayF);
SAME_VALUE(SVT_FORMAT_GPU8, svt::kFormatGPU8);
SAME_VALUE(SVT_FORMAT_GPU9, svt::kFormatGPU9);
SAME_VALUE(SVT_PRESET_OK, svt::kPresetOk);
SAME_VALUE(SVT_PRESET_ERROR, svt::kPresetError);
SAME_VALUE(SVT_PRESET_OTHER_EFFECT, svt::kPresetOtherEffect);
SAME_VALUE(SVT_MAX_CHOICE_ENTRIES, svt::kMaxChoiceEntries);
SAME_VALUE(SVT_PARAM_NAME_BYTES, svt::kParamNameBytes);
SAME_VALUE(SVT_PRESET_TEXT_BYTES, svt::kPresetTextBytes);
SAME_VALUE(SVT_PRESET_MAX_ENTRIES, svt::kPresetMaxEntries);

// The slot of a C table's member.
#define C_SLOT(Table, member) (offsetof(Table, member) / sizeof(void*))

// The slot of a virtual function: under the Itanium C++ ABI a pointer to a
// virtual member holds 1 + its byte offset in the table.
template <class F>
size_t CppSlot(F f) {
    static_assert(sizeof(F) == 2 * sizeof(ptrdiff_t));
    ptrdiff_t words[2];
    std::memcpy(words, &f, sizeof words);
    return size_t(words[0] - 1) / sizeof(void*);
}

#define SAME_SLOT(Table, member, Cpp) EXPECT_EQ(C_SLOT(Table, member), CppSlot(&svt::Cpp::member)) << #member

TEST(CHeader, EverySlotTheHeaderNamesIsWhereTheLibraryAndTheHostHaveIt) {
    SAME_SLOT(SVTEffectLibraryTable, QueryInterface, IEffectLibrary);
    SAME_SLOT(SVTEffectLibraryTable, Release, IEffectLibrary);
    SAME_SLOT(SVTEffectLibraryTable, GetLibraryName, IEffectLibrary);
    SAME_SLOT(SVTEffectLibraryTable, CreateEffect, IEffectLibrary);
    SAME_SLOT(SVTEffectLibraryTable, GetSettings, IEffectLibrary);
    SAME_SLOT(SVTEffectLibraryTable, CreateFrameProcessor, IEffectLibrary);
    SAME_SLOT(SVTEffectLibraryTable, CreatePresetSaver, IEffectLibrary);
    SAME_SLOT(SVTEffectLibraryTable, DeleteSelf, IEffectLibrary);

    SAME_SLOT(SVTSettingsTable, GetKnobsDragVertical, ILibrarySettings);
    SAME_SLOT(SVTSettingsTable, SetForcedCPU, ILibrarySettings);
    SAME_SLOT(SVTSettingsTable, Refresh, ILibrarySettings);

    SAME_SLOT(SVTVideoEffectTable, GetEffectName, IVideoEffect);
    SAME_SLOT(SVTVideoEffectTable, GetEffectFlags, IVideoEffect);
    SAME_SLOT(SVTVideoEffectTable, GetParamInfo, IVideoEffect);
    SAME_SLOT(SVTVideoEffectTable, Render, IVideoEffect);
    SAME_SLOT(SVTVideoEffectTable, GetPresetName, IVideoEffect);
    SAME_SLOT(SVTVideoEffectTable, GetPresetValue, IVideoEffect);
    SAME_SLOT(SVTVideoEffectTable, PrepareGPU, IVideoGPUEffect);
    SAME_SLOT(SVTVideoEffectTable, RenderGPU, IVideoGPUEffect);
    SAME_SLOT(SVTVideoEffectTable, DeleteSelf, IVideoGPUEffect);

    SAME_SLOT(SVTParamToolTipTable, GetToolTip, IParamToolTip);

    SAME_SLOT(SVTFrameProcessorTable, CopyImage, IFrameProcessor);
    SAME_SLOT(SVTFrameProcessorTable, Composite, IFrameProcessor);
    SAME_SLOT(SVTFrameProcessorTable, FlipRows, IFrameProcessor);
    SAME_SLOT(SVTFrameProcessorTable, ClampBelow, IFrameProcessor);
    SAME_SLOT(SVTFrameProcessorTable, DeleteSelf, IFrameProcessor);
    SAME_SLOT(SVTFrameProcessorTable, ResizeRect, IFrameProcessor);

    SAME_SLOT(SVTPresetSaverTable, LoadPreset, IPresetSaver);
    SAME_SLOT(SVTPresetSaverTable, SavePreset, IPresetSaver);
    SAME_SLOT(SVTPresetSaverTable, DeleteSelf, IPresetSaver);

    SAME_SLOT(SVTEffectContextTable, GetParamValue, IEffectContext);
    SAME_SLOT(SVTHostAllocatorTable, AllocateBlock, IHostAllocator);
    SAME_SLOT(SVTHostAllocatorTable, FreePicture, IHostAllocator);

    // The GPU host objects' slots as the host and the module agreed them.
    EXPECT_EQ(C_SLOT(SVTGPUHostTable, CreateRenderTarget), 9u);
    EXPECT_EQ(C_SLOT(SVTGPUHostTable, CreateProgram), 12u);
    EXPECT_EQ(C_SLOT(SVTGPUHostTable, ReleaseRenderTarget), 14u);
    EXPECT_EQ(C_SLOT(SVTGPUHostTable, ReleaseProgram), 16u);
    EXPECT_EQ(C_SLOT(SVTGPUHostTable, SetRenderTarget), 17u);
    EXPECT_EQ(C_SLOT(SVTGPUHostTable, ResolveRenderTarget), 18u);
    EXPECT_EQ(C_SLOT(SVTGPUHostTable, TestEffect), 20u);
    EXPECT_EQ(C_SLOT(SVTGPUHostTable, GetInfoText), 24u);
    EXPECT_EQ(C_SLOT(SVTGLDeviceTable, GetExtensionTable), 5u);
    EXPECT_EQ(C_SLOT(SVTGLDeviceTable, SetOutputState), 13u);
    EXPECT_EQ(C_SLOT(SVTGLDeviceTable, BlendFuncSeparate), 12u);
    EXPECT_EQ(C_SLOT(SVTGPUProgramTable, SetInt), 4u);
    EXPECT_EQ(C_SLOT(SVTGPUProgramTable, SetFloat), 8u);
    EXPECT_EQ(C_SLOT(SVTGPUProgramTable, SetFloat4), 11u);
    EXPECT_EQ(C_SLOT(SVTGPUProgramTable, SetTexture), 15u);
    EXPECT_EQ(C_SLOT(SVTGPUProgramTable, GetUniformNames), 16u);
    EXPECT_EQ(C_SLOT(SVTGPUProgramTable, IsValid), 19u);
    EXPECT_EQ(C_SLOT(SVTGPUTextureTable, SetFilter), 4u);
}

TEST(CHeader, IdentifiersAndResultsAreTheLibrarys) {
    const struct {
        SVTGuid c;
        svt::GUID cpp;
    } ids[] = {{SVT_IID_IUNKNOWN, svt::IID_IUnknown},
               {SVT_IID_EFFECT_LIBRARY, svt::IID_IEffectLibrary},
               {SVT_IID_MULTILINGUAL, svt::IID_IMultiLingual},
               {SVT_IID_VIDEO_EFFECT, svt::IID_IVideoEffect},
               {SVT_IID_VIDEO_GPU_EFFECT, svt::IID_IVideoGPUEffect},
               {SVT_IID_PARAM_TOOLTIP, svt::IID_IParamToolTip},
               {SVT_IID_FRAME_PROCESSOR, svt::IID_IFrameProcessor},
               {SVT_IID_PRESET_SAVER, svt::IID_IPresetSaver},
               {SVT_IID_HOST_ALLOCATOR, svt::IID_IHostAllocator},
               {SVT_IID_GPU_HOST, svt::IID_IGPUHost}};
    for (const auto& id : ids) EXPECT_EQ(std::memcmp(&id.c, &id.cpp, sizeof id.c), 0) << std::hex << id.c.data1;
    EXPECT_EQ(SVT_E_NOINTERFACE, svt::kNoInterface);
    EXPECT_EQ(SVT_E_POINTER, svt::kNullOutPointer);
}

} // namespace
