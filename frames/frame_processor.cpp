// FrameProcessor: IFrameProcessor over the image operations. Each slot binds
// views to the host's frames, runs the operation and lets the views go; the
// frame written to is bound through the processor's scratch view.
#include <new>

#include "frames/frame_check.h"
#include "frames/image_ops.h"
#include "frames/image_view.h"
#include "library/abi.h"
#include "platform/ref_count.h"

namespace svt {

namespace {

class FrameProcessor final : public IFrameProcessor {
public:
    Result QueryInterface(const GUID* iid, void** out) override {
        if (!out) return kNullOutPointer;
        *out = nullptr;
        if (!iid || !(*iid == IID_IUnknown || *iid == IID_IFrameProcessor)) return kNoInterface;
        *out = static_cast<IFrameProcessor*>(this);
        AddRef();
        return kOk;
    }
    uint32_t AddRef() override { return refs_.AddRef(); }
    uint32_t Release() override {
        const uint32_t left = refs_.Release();
        if (left == 0) DeleteSelf(1);
        return left;
    }

    Bool8 CopyImage(FrameDesc* src, FrameDesc* dst) override {
        return Run(src, dst, [](const ImageView* s, ImageView* d) { return svt::CopyImage(s, d); });
    }
    Bool8 Resize(FrameDesc* src, FrameDesc* dst, int32_t interpolation) override {
        return Run(src, dst, [=](const ImageView* s, ImageView* d) { return svt::Resize(s, d, interpolation); });
    }
    Bool8 SwapChannelOrder(FrameDesc* src, FrameDesc* dst) override {
        return Run(src, dst, [](const ImageView* s, ImageView* d) { return svt::SwapChannelOrder(s, d); });
    }
    Bool8 UnpackYUV422(FrameDesc* src, FrameDesc* dst, uint8_t alpha) override {
        return Run(src, dst, [=](const ImageView* s, ImageView* d) { return svt::UnpackYUV422(s, d, alpha); },
                   kPackedSource);
    }
    Bool8 PackYUV422(FrameDesc* src, FrameDesc* dst) override {
        return Run(src, dst, [](const ImageView* s, ImageView* d) { return svt::PackYUV422(s, d); }, kPackedDestination);
    }
    Bool8 SetChannel(FrameDesc* frame, uint32_t channel, uint32_t value) override {
        return Run(frame, [=](ImageView* v) { return svt::SetChannel(v, channel, value); });
    }
    Bool8 Composite(FrameDesc* fg, FrameDesc* bg, FrameDesc* dst, uint64_t premultiplied) override {
        ImageView f, b;
        const bool ok = DescribesPicture(fg) && DescribesPicture(bg) && DescribesPicture(dst) && f.BindFrame(fg) &&
                        b.BindFrame(bg) && scratch_.BindFrame(dst) &&
                        svt::Composite(&f, &b, &scratch_, premultiplied != 0);
        scratch_.Release();
        return ok;
    }
    Bool8 SwapChannels(FrameDesc* frame, const uint32_t* order) override {
        return Run(frame, [=](ImageView* v) { return svt::SwapChannels(v, order); });
    }
    Bool8 Premultiply(FrameDesc* frame) override {
        return Run(frame, [](ImageView* v) { return svt::Premultiply(v); });
    }
    Bool8 YCbCrToRGB(FrameDesc* src, FrameDesc* dst) override {
        return Run(src, dst, [](const ImageView* s, ImageView* d) { return svt::YCbCrToRGB(s, d); });
    }
    Bool8 RGBToYCbCr(FrameDesc* src, FrameDesc* dst) override {
        return Run(src, dst, [](const ImageView* s, ImageView* d) { return svt::RGBToYCbCr(s, d); });
    }
    Bool8 FlipRows(FrameDesc* frame) override {
        return Run(frame, [](ImageView* v) { return svt::FlipRows(v); });
    }
    Bool8 CopyFlipped(FrameDesc* src, FrameDesc* dst) override {
        return Run(src, dst, [](const ImageView* s, ImageView* d) { return svt::CopyFlipped(s, d); });
    }
    Bool8 CopyChannel(FrameDesc* src, FrameDesc* dst, uint32_t srcChannel, uint32_t dstChannel) override {
        return Run(src, dst,
                   [=](const ImageView* s, ImageView* d) { return svt::CopyChannel(s, d, srcChannel, dstChannel); });
    }
    Bool8 InvertChannel(FrameDesc* frame, uint32_t channel) override {
        return Run(frame, [=](ImageView* v) { return svt::InvertChannel(v, channel); });
    }
    Bool8 SquareValues(FrameDesc* frame) override {
        return Run(frame, [](ImageView* v) { return svt::SquareValues(v); });
    }
    Bool8 SqrtValues(FrameDesc* frame) override {
        return Run(frame, [](ImageView* v) { return svt::SqrtValues(v); });
    }
    Bool8 ClampBelow(FrameDesc* frame, const float* thresholds) override {
        return Run(frame, [=](ImageView* v) { return svt::ClampBelow(v, thresholds); });
    }
    void DeleteSelf(uint32_t flags) override {
        if (flags & 1)
            delete this;
        else
            this->~FrameProcessor();
    }
    Bool8 ResizeRect(FrameDesc* src, const uint32_t* rect, FrameDesc* dst, uint32_t interpolation) override {
        const int32_t mode = interpolation > uint32_t(kCubic) ? kLinear : int32_t(interpolation);
        return Run(src, dst, [=](const ImageView* s, ImageView* d) { return svt::ResizeRect(s, rect, d, mode); });
    }

private:
    ~FrameProcessor() { scratch_.Release(); }

    // Packed 4:2:2 frames carry no format code of their own: only their rows
    // are checked.
    enum Packed { kNoPacked, kPackedSource, kPackedDestination };

    template <typename Op>
    Bool8 Run(FrameDesc* frame, Op op) {
        const bool ok = DescribesPicture(frame) && scratch_.BindFrame(frame) && op(&scratch_);
        scratch_.Release();
        return ok;
    }
    template <typename Op>
    Bool8 Run(FrameDesc* src, FrameDesc* dst, Op op, Packed packed = kNoPacked) {
        const bool framesOk = (packed == kPackedSource ? DescribesRows(src) : DescribesPicture(src)) &&
                              (packed == kPackedDestination ? DescribesRows(dst) : DescribesPicture(dst));
        ImageView s;
        const bool ok = framesOk && s.BindFrame(src) && scratch_.BindFrame(dst) && op(&s, &scratch_);
        scratch_.Release();
        return ok;
    }

    platform::RefCount refs_;
    ImageView scratch_;
};

} // namespace

IFrameProcessor* NewFrameProcessor() { return new (std::nothrow) FrameProcessor(); }

} // namespace svt
