// Runs a check once per kernel level this CPU offers, then restores the
// selection the module would make.
#pragma once

#include <gtest/gtest.h>

#include "frames/image_kernels_p.h"
#include "frames/image_ops.h"

namespace svt::test {

inline const char* LevelName(KernelLevel level) {
    switch (level) {
    case KernelLevel::kAvx2: return "avx2";
    case KernelLevel::kSse2: return "sse2";
    default: return "scalar";
    }
}

template <typename Fn>
void ForEachKernelLevel(Fn fn) {
    for (KernelLevel level : {KernelLevel::kScalar, KernelLevel::kSse2, KernelLevel::kAvx2}) {
        if (!UseImageKernels(level)) continue;
        SCOPED_TRACE(LevelName(level));
        fn();
    }
    SelectImageKernelsForTest(false);
}

} // namespace svt::test
