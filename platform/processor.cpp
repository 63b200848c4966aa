#include <cstdlib>

#include "platform/platform.h"

namespace svt::platform {

SimdLevel ProcessorSimdLevel() {
    static const SimdLevel level = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") ? SimdLevel::kAvx2 : SimdLevel::kSse2;
    }();
    return level;
}

SimdLevel KernelSimdLevel() {
    const char* force = std::getenv("SVT_FORCE_SCALAR");
    return force && force[0] == '1' ? SimdLevel::kScalar : ProcessorSimdLevel();
}

} // namespace svt::platform
