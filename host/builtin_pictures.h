// The host's own material: a small bitmap font and two built-in pictures,
// so that every command runs without files. The pictures are drawn in code
// at any size and are meant to show sampling quality: fine lines, rings that
// tighten toward aliasing, gradients, small and large text, and a clear "A"
// or "B" that reads wrong when mirrored.
#pragma once

#include <string>

#include "host/picture.h"

namespace svt::host {

// 5 x 7 glyphs on a 6 x 8 cell: A-Z (lower case is drawn as upper case),
// 0-9 and " .,:-=/()%!?'+_". Other characters draw as a hollow box.
inline constexpr int kGlyphWidth = 5;
inline constexpr int kGlyphHeight = 7;
inline constexpr int kGlyphAdvance = 6;

// Whether font pixel (x, y) of `c` is set.
bool GlyphPixel(char c, int x, int y);
// Text with its top-left at (x, y), each font pixel a scale x scale block.
void DrawText(Picture& picture, int x, int y, const std::string& text, int scale, Rgba colour);
int TextWidth(const std::string& text, int scale);

// Picture A: warm colours, rings, a fan of fine lines, a big "A".
Picture BuiltinPictureA(int width, int height);
// Picture B: cool colours, a tiled grid, a target, stripes, a big "B".
Picture BuiltinPictureB(int width, int height);

} // namespace svt::host
