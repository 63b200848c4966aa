// The GL enumerants the GPU path passes through the host's objects (the
// module includes no GL header: it must build and load without one).
#pragma once

#include <cstdint>

namespace svt::gl {

inline constexpr uint32_t kOne = 1;
inline constexpr uint32_t kExtensions = 0x1F03;
inline constexpr uint32_t kBlend = 0x0BE2;
inline constexpr uint32_t kBlendColor = 0x8005;
inline constexpr uint32_t kBlendEquationRGB = 0x8009;
inline constexpr uint32_t kBlendEquationAlpha = 0x883D;
inline constexpr uint32_t kBlendSrcRGB = 0x80C9;
inline constexpr uint32_t kBlendSrcAlpha = 0x80CB;
inline constexpr uint32_t kBlendDstRGB = 0x80C8;
inline constexpr uint32_t kBlendDstAlpha = 0x80CA;
inline constexpr uint32_t kFuncAdd = 0x8006;
inline constexpr uint32_t kSrcAlpha = 0x0302;
inline constexpr uint32_t kOneMinusSrcAlpha = 0x0303;
inline constexpr uint32_t kDepthTest = 0x0B71;
inline constexpr uint32_t kAlphaTest = 0x0BC0;
inline constexpr uint32_t kLighting = 0x0B50;
inline constexpr uint32_t kTexture2D = 0x0DE1;
inline constexpr uint32_t kCullFace = 0x0B44;
inline constexpr uint32_t kGreater = 0x0204;
inline constexpr uint32_t kNearest = 0x2600;
inline constexpr uint32_t kLinear = 0x2601;
inline constexpr uint32_t kMaxSamples = 0x8D57;
inline constexpr uint32_t kTexture0 = 0x84C0;
inline constexpr uint32_t kModelView = 0x1700;
inline constexpr uint32_t kProjection = 0x1701;
inline constexpr uint32_t kTriangleStrip = 0x0005;
inline constexpr uint32_t kColorBufferBit = 0x4000;
inline constexpr uint32_t kDepthBufferBit = 0x0100;

} // namespace svt::gl
