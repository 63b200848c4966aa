// The reference count every COM-style object of ours keeps: one reference,
// the creator's, to start with. AddRef may be relaxed since whoever adds holds
// a reference already; the last Release must see every write made through
// the other references before the object goes.
#pragma once

#include <atomic>
#include <cstdint>

namespace svt::platform {

class RefCount {
public:
    uint32_t AddRef() { return count_.fetch_add(1, std::memory_order_relaxed) + 1; }
    // The references left; zero: that was the last one, destroy the object.
    uint32_t Release() { return count_.fetch_sub(1, std::memory_order_acq_rel) - 1; }

private:
    std::atomic<uint32_t> count_{1};
};

} // namespace svt::platform
