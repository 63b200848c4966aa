// The host's side of a render: the IEffectContext handed to every render
// entry, which keeps one ParamValue per parameter, and the IHostAllocator it
// offers, which counts what the module takes so that a leak shows.
//
// Both objects are owned by the host (members or locals, never deleted
// through Release): their counts only tell whether the module handed back
// every reference it took.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "library/abi.h"

namespace svt::host {

class HostAllocator final : public IHostAllocator {
public:
    HostAllocator() = default;
    HostAllocator(const HostAllocator&) = delete;
    HostAllocator& operator=(const HostAllocator&) = delete;
    ~HostAllocator(); // frees whatever the module left behind

    Result QueryInterface(const GUID* iid, void** out) override;
    uint32_t AddRef() override;
    uint32_t Release() override;
    Result AllocateBlock(void** out, uint64_t size) override;
    void FreeBlock(void* block) override;
    // Rows start on 64-byte boundaries; the stride is width * pixelSize
    // rounded up to 64.
    Result AllocatePicture(void** out, uint32_t width, uint32_t height, uint32_t pixelSize,
                           int32_t* stride) override;
    void FreePicture(void* picture) override;

    size_t liveBlocks() const { return liveBlocks_; }
    size_t livePictures() const { return livePictures_; }
    size_t live() const { return liveBlocks_ + livePictures_; }
    size_t allocations() const { return allocations_; }
    // Frees of an address this allocator never handed out (or already took
    // back), or of a block through the picture slot and the other way round.
    size_t badFrees() const { return badFrees_; }
    // References beyond the host's own.
    uint32_t outstandingReferences() const { return refs_.load() - 1; }

    // Refuses every allocation after the next `n` (for failure tests);
    // a negative n never refuses.
    void FailAfter(long n) { failAfter_ = n; }

private:
    bool Refuse();
    enum class Kind { kBlock, kPicture };
    std::atomic<uint32_t> refs_{1};
    std::unordered_map<void*, Kind> live_;
    size_t liveBlocks_ = 0, livePictures_ = 0, allocations_ = 0, badFrees_ = 0;
    long failAfter_ = -1;
};

class HostContext final : public IEffectContext {
public:
    // One value per record, starting at the record's default.
    explicit HostContext(std::vector<ParamInfo> params);
    HostContext(const HostContext&) = delete;
    HostContext& operator=(const HostContext&) = delete;
    ~HostContext() = default;

    Result QueryInterface(const GUID* iid, void** out) override;
    uint32_t AddRef() override;
    uint32_t Release() override;
    // Refuses an index past the last parameter and a type other than the
    // parameter's own (the module asked for the wrong thing): both counted.
    Bool8 GetParamValue(uint32_t index, ParamValue* out, uint32_t type) override;

    const std::vector<ParamInfo>& params() const { return params_; }
    const std::vector<ParamValue>& values() const { return values_; }
    bool SetValue(uint32_t index, const ParamValue& v);
    void ResetToDefaults();

    HostAllocator& allocator() { return allocator_; }
    // When off, QueryInterface refuses IHostAllocator and the module works
    // from its own heap.
    void OfferAllocator(bool on) { offerAllocator_ = on; }

    size_t reads() const { return reads_; }
    size_t refusedIndex() const { return refusedIndex_; }
    size_t typeMismatches() const { return typeMismatches_; }
    uint32_t outstandingReferences() const { return refs_.load() - 1; }

private:
    std::atomic<uint32_t> refs_{1};
    std::vector<ParamInfo> params_;
    std::vector<ParamValue> values_;
    HostAllocator allocator_;
    bool offerAllocator_ = true;
    size_t reads_ = 0, refusedIndex_ = 0, typeMismatches_ = 0;
};

} // namespace svt::host
