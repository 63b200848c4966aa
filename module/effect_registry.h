// The fixed registry of the thirteen transitions. The index is what hosts pass
// to CreateEffect and what preset file extensions encode; entries are in the
// byte order of their display names.
#pragma once

#include <cstdint>

#include "library/abi.h"

namespace svt {

inline constexpr uint32_t kEffectCount = 13;

// Builds a transition holding one reference; null on allocation failure.
using EffectFactory = IVideoEffect*();

extern EffectFactory* const kEffectRegistry[kEffectCount];

// Null for an index past 12 (unsigned) or when allocation fails.
IVideoEffect* CreateRegisteredEffect(uint32_t index);

} // namespace svt
