#include "host/host_context.h"

#include <cstdlib>
#include <new>

namespace svt::host {

namespace {
// E_INVALIDARG and E_OUTOFMEMORY of the component model.
constexpr Result kInvalidArgument = static_cast<Result>(0x80070057u);
constexpr Result kOutOfMemory = static_cast<Result>(0x8007000Eu);
constexpr size_t kRowAlignment = 64;
} // namespace

// ---------------------------------------------------------------------------
// HostAllocator

HostAllocator::~HostAllocator() {
    for (auto& [p, kind] : live_) {
        if (kind == Kind::kPicture)
            ::operator delete(p, std::align_val_t(kRowAlignment));
        else
            std::free(p);
    }
}

Result HostAllocator::QueryInterface(const GUID* iid, void** out) {
    if (!out) return kNullOutPointer;
    *out = nullptr;
    if (!iid || !(*iid == IID_IUnknown || *iid == IID_IHostAllocator)) return kNoInterface;
    AddRef();
    *out = static_cast<IHostAllocator*>(this);
    return kOk;
}

uint32_t HostAllocator::AddRef() { return refs_.fetch_add(1) + 1; }
uint32_t HostAllocator::Release() { return refs_.fetch_sub(1) - 1; }

bool HostAllocator::Refuse() {
    if (failAfter_ < 0) return false;
    if (failAfter_ == 0) return true;
    --failAfter_;
    return false;
}

Result HostAllocator::AllocateBlock(void** out, uint64_t size) {
    if (!out) return kNullOutPointer;
    *out = nullptr;
    if (size == 0 || size > (uint64_t(1) << 40)) return kInvalidArgument;
    if (Refuse()) return kOutOfMemory;
    void* p = std::malloc(size);
    if (!p) return kOutOfMemory;
    live_[p] = Kind::kBlock;
    ++liveBlocks_;
    ++allocations_;
    *out = p;
    return kOk;
}

void HostAllocator::FreeBlock(void* block) {
    if (!block) return;
    auto it = live_.find(block);
    if (it == live_.end() || it->second != Kind::kBlock) {
        ++badFrees_;
        return;
    }
    live_.erase(it);
    --liveBlocks_;
    std::free(block);
}

Result HostAllocator::AllocatePicture(void** out, uint32_t width, uint32_t height, uint32_t pixelSize,
                                      int32_t* stride) {
    if (!out) return kNullOutPointer;
    *out = nullptr;
    if (!stride || width == 0 || height == 0 || pixelSize == 0) return kInvalidArgument;
    const uint64_t row = (uint64_t(width) * pixelSize + kRowAlignment - 1) / kRowAlignment * kRowAlignment;
    if (row > 0x7FFFFFFF || row * height > (uint64_t(1) << 40)) return kInvalidArgument;
    if (Refuse()) return kOutOfMemory;
    void* p = ::operator new(row * height, std::align_val_t(kRowAlignment), std::nothrow);
    if (!p) return kOutOfMemory;
    live_[p] = Kind::kPicture;
    ++livePictures_;
    ++allocations_;
    *stride = static_cast<int32_t>(row);
    *out = p;
    return kOk;
}

void HostAllocator::FreePicture(void* picture) {
    if (!picture) return;
    auto it = live_.find(picture);
    if (it == live_.end() || it->second != Kind::kPicture) {
        ++badFrees_;
        return;
    }
    live_.erase(it);
    --livePictures_;
    ::operator delete(picture, std::align_val_t(kRowAlignment));
}

// ---------------------------------------------------------------------------
// HostContext

HostContext::HostContext(std::vector<ParamInfo> params) : params_(std::move(params)) { ResetToDefaults(); }

void HostContext::ResetToDefaults() {
    values_.clear();
    for (const ParamInfo& p : params_) values_.push_back(p.defaultValue);
}

bool HostContext::SetValue(uint32_t index, const ParamValue& v) {
    if (index >= values_.size()) return false;
    values_[index] = v;
    return true;
}

Result HostContext::QueryInterface(const GUID* iid, void** out) {
    if (!out) return kNullOutPointer;
    *out = nullptr;
    if (!iid) return kNoInterface;
    if (*iid == IID_IUnknown) {
        AddRef();
        *out = static_cast<IEffectContext*>(this);
        return kOk;
    }
    if (*iid == IID_IHostAllocator && offerAllocator_) return allocator_.QueryInterface(iid, out);
    return kNoInterface;
}

uint32_t HostContext::AddRef() { return refs_.fetch_add(1) + 1; }
uint32_t HostContext::Release() { return refs_.fetch_sub(1) - 1; }

Bool8 HostContext::GetParamValue(uint32_t index, ParamValue* out, uint32_t type) {
    if (!out) return 0;
    ++reads_;
    if (index >= values_.size()) {
        ++refusedIndex_;
        return 0;
    }
    if (type != params_[index].type) {
        ++typeMismatches_;
        return 0;
    }
    *out = values_[index];
    return 1;
}

} // namespace svt::host
