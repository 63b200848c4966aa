// Whether a host's frame descriptor describes a picture the library may
// touch. Checked once where frames come in (the CPU render entry, the frame
// processor), before anything is read or written, so that the code behind
// never meets a descriptor it would have to distrust.
#pragma once

#include "library/abi.h"

namespace svt {

// The rows of a frame: data present, width and height positive, pixel size
// positive, |stride| at least width * pixel size (so rows never overlap; a
// stride of INT32_MIN has no magnitude and fails), a row of at most 2^31 - 1
// bytes, and every row inside the address space (data + (height - 1) *
// stride neither wraps below zero nor past the top). Format-blind: for
// operations that move whole rows and for packed 4:2:2 frames, which carry
// no format code of their own.
bool DescribesRows(const FrameDesc* frame);

// DescribesRows plus a format code the CPU operations know (0, 1, 3, 4, 6, 7)
// with the pixel size it implies (4, 4, 16, 16, 1, 4).
bool DescribesPicture(const FrameDesc* frame);

// The three frames of a CPU render: each describes its picture in a
// four-channel format (0, 1, 3 or 4), and "from" and "to" share the format of
// "out" (the renderer samples them straight into it). Sizes may differ.
bool RenderableFrames(const FrameDesc* from, const FrameDesc* to, const FrameDesc* out);

} // namespace svt
