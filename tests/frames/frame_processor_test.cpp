// The frame processor as a host sees it: from the loaded module, through
// IEffectLibrary::CreateFrameProcessor, on FrameDescs.
#include <cmath>
#include <cstring>
#include <vector>

#include "tests/library/loaded_module.h"

namespace svt {
namespace {

class LoadedFrameProcessor : public test::LoadedModule {
protected:
    void SetUp() override {
        LoadedModule::SetUp();
        if (HasFatalFailure()) return;
        library_ = NewLibrary();
        ASSERT_NE(library_, nullptr);
        fp_ = library_->CreateFrameProcessor();
        ASSERT_NE(fp_, nullptr);
    }
    void TearDown() override {
        if (fp_) {
            EXPECT_EQ(fp_->Release(), 0u); // the last reference destroys it
        }
        if (library_) library_->Release();
        LoadedModule::TearDown();
    }

    IEffectLibrary* library_ = nullptr;
    IFrameProcessor* fp_ = nullptr;
};

FrameDesc Frame(void* data, int32_t w, int32_t h, int32_t stride, uint32_t format) {
    const int32_t pixelSize = format == kFormatBGRAF ? 16 : format == kFormatGray8 ? 1 : 4;
    return FrameDesc{data, w, h, stride, pixelSize, 0, format, 1, {}};
}

TEST_F(LoadedFrameProcessor, ReversesChannelOrderInPlaceAndComposites) {
    uint8_t px[4] = {10, 20, 30, 40};
    FrameDesc f = Frame(px, 1, 1, 4, kFormatBGRA8);
    ASSERT_TRUE(fp_->SwapChannelOrder(&f, &f));
    EXPECT_EQ(std::vector<uint8_t>(px, px + 4), (std::vector<uint8_t>{40, 30, 20, 10}));

    uint8_t fg[4] = {255, 255, 255, 128}, bg[4] = {0, 0, 0, 255}, out[4] = {};
    FrameDesc ff = Frame(fg, 1, 1, 4, kFormatBGRA8), fb = Frame(bg, 1, 1, 4, kFormatBGRA8),
              fo = Frame(out, 1, 1, 4, kFormatBGRA8);
    ASSERT_TRUE(fp_->Composite(&ff, &fb, &fo, 0));
    EXPECT_EQ(std::vector<uint8_t>(out, out + 4), (std::vector<uint8_t>{128, 128, 128, 255}));
}

} // namespace
} // namespace svt
