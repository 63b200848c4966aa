#include "host/builtin_pictures.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "host/words.h"
#include "platform/text.h"

namespace svt::host {

namespace {

// ---------------------------------------------------------------------------
// Font: each group lists its characters, then seven rows holding that row of
// every glyph, glyphs five columns wide and one column apart.

struct GlyphGroup {
    const char* chars;
    const char* rows[kGlyphHeight];
};

constexpr GlyphGroup kGlyphs[] = {
    {"ABCDEFGHIJKLM",
     {".###. ####. .###. ####. ##### ##### .###. #...# .###. ..### #...# #.... #...#",
      "#...# #...# #...# #...# #.... #.... #...# #...# ..#.. ...#. #..#. #.... ##.##",
      "#...# #...# #.... #...# #.... #.... #.... #...# ..#.. ...#. #.#.. #.... #.#.#",
      "##### ####. #.... #...# ####. ####. #.### ##### ..#.. ...#. ##... #.... #.#.#",
      "#...# #...# #.... #...# #.... #.... #...# #...# ..#.. #..#. #.#.. #.... #...#",
      "#...# #...# #...# #...# #.... #.... #...# #...# ..#.. #..#. #..#. #.... #...#",
      "#...# ####. .###. ####. ##### #.... .#### #...# .###. .##.. #...# ##### #...#"}},
    {"NOPQRSTUVWXYZ",
     {"#...# .###. ####. .###. ####. .#### ##### #...# #...# #...# #...# #...# #####",
      "##..# #...# #...# #...# #...# #.... ..#.. #...# #...# #...# #...# #...# ....#",
      "#.#.# #...# #...# #...# #...# #.... ..#.. #...# #...# #...# .#.#. .#.#. ...#.",
      "#.#.# #...# ####. #...# ####. .###. ..#.. #...# #...# #.#.# ..#.. ..#.. ..#..",
      "#..## #...# #.... #.#.# #.#.. ....# ..#.. #...# #...# #.#.# .#.#. ..#.. .#...",
      "#...# #...# #.... #..#. #..#. ....# ..#.. #...# .#.#. ##.## #...# ..#.. #....",
      "#...# .###. #.... .##.# #...# ####. ..#.. .###. ..#.. #...# #...# ..#.. #####"}},
    {"0123456789",
     {".###. ..#.. .###. .###. ...#. ##### ..##. ##### .###. .###.",
      "#...# .##.. #...# #...# ..##. #.... .#... ....# #...# #...#",
      "#..## ..#.. ....# ....# .#.#. ####. #.... ...#. #...# #...#",
      "#.#.# ..#.. ...#. ..##. #..#. ....# ####. ..#.. .###. .####",
      "##..# ..#.. ..#.. ....# ##### ....# #...# .#... #...# ....#",
      "#...# ..#.. .#... #...# ...#. #...# #...# .#... #...# ...#.",
      ".###. .###. ##### .###. ...#. .###. .###. .#... .###. .##.."}},
    {" .,:-=/()%!?'+_",
     {"..... ..... ..... ..... ..... ..... ....# ...#. .#... ##..# ..#.. .###. ..#.. ..... .....",
      "..... ..... ..... ..#.. ..... ..... ...#. ..#.. ..#.. ##..# ..#.. #...# ..#.. ..#.. .....",
      "..... ..... ..... ..... ..... ##### ...#. .#... ...#. ...#. ..#.. ....# ..... ..#.. .....",
      "..... ..... ..... ..... ##### ..... ..#.. .#... ...#. ..#.. ..#.. ...#. ..... ##### .....",
      "..... ..... ..##. ..... ..... ##### .#... .#... ...#. .#... ..#.. ..#.. ..... ..#.. .....",
      "..... .##.. ..#.. ..#.. ..... ..... .#... ..#.. ..#.. #..## ..... ..... ..... ..#.. .....",
      "..... .##.. .#... ..... ..... ..... #.... ...#. .#... #..## ..#.. ..#.. ..... ..... #####"}},
};

struct GlyphRef {
    const GlyphGroup* group = nullptr;
    int index = 0;
};

GlyphRef FindGlyph(char c) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    for (const GlyphGroup& g : kGlyphs)
        if (const char* at = std::strchr(g.chars, c); at && c != '\0') return {&g, int(at - g.chars)};
    return {};
}

// ---------------------------------------------------------------------------
// Drawing helpers

Rgba Mix(Rgba a, Rgba b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    auto m = [t](uint8_t x, uint8_t y) { return static_cast<uint8_t>(std::lround(x + (y - x) * t)); };
    return {m(a.r, b.r), m(a.g, b.g), m(a.b, b.b), m(a.a, b.a)};
}

// Hue 0..1 at full saturation and the given value.
Rgba Hue(double h, double value = 1.0) {
    h = (h - std::floor(h)) * 6;
    const double f = h - std::floor(h);
    const double v = 255 * value, p = 0, q = v * (1 - f), t = v * f;
    double r, g, b;
    switch (int(h) % 6) {
    case 0: r = v, g = t, b = p; break;
    case 1: r = q, g = v, b = p; break;
    case 2: r = p, g = v, b = t; break;
    case 3: r = p, g = q, b = v; break;
    case 4: r = t, g = p, b = v; break;
    default: r = v, g = p, b = q; break;
    }
    return {uint8_t(std::lround(r)), uint8_t(std::lround(g)), uint8_t(std::lround(b)), 255};
}

// Evaluates `shade` on a 3 x 3 grid inside every pixel and averages, so the
// analytic shapes have smooth edges at any size.
template <class F>
Picture Supersampled(int width, int height, F shade) {
    Picture p(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            int acc[3] = {};
            for (int j = 0; j < 3; ++j)
                for (int i = 0; i < 3; ++i) {
                    const Rgba c = shade(x + (i + 0.5) / 3, y + (j + 0.5) / 3);
                    acc[0] += c.r, acc[1] += c.g, acc[2] += c.b;
                }
            p.at(x, y) = {uint8_t((acc[0] + 4) / 9), uint8_t((acc[1] + 4) / 9), uint8_t((acc[2] + 4) / 9), 255};
        }
    return p;
}

void FillRect(Picture& p, int x, int y, int w, int h, Rgba c) {
    for (int j = std::max(y, 0); j < std::min(y + h, p.height()); ++j)
        for (int i = std::max(x, 0); i < std::min(x + w, p.width()); ++i) p.Blend(i, j, c);
}

void Frame(Picture& p, int x, int y, int w, int h, int t, Rgba c) {
    FillRect(p, x, y, w, t, c);
    FillRect(p, x, y + h - t, w, t, c);
    FillRect(p, x, y, t, h, c);
    FillRect(p, x + w - t, y, t, h, c);
}

// A big letter in a plate: the plate, then the glyph scaled to fit it.
void Badge(Picture& p, char letter, int x, int y, int size, Rgba plate, Rgba ink) {
    FillRect(p, x, y, size, size, plate);
    Frame(p, x, y, size, size, std::max(1, size / 24), ink);
    const int scale = std::max(1, size * 3 / 4 / kGlyphHeight);
    const int gw = kGlyphWidth * scale, gh = kGlyphHeight * scale;
    DrawText(p, x + (size - gw) / 2, y + (size - gh) / 2, std::string(1, letter), scale, ink);
}

// Title, a pangram and a digit line at the bottom left over a dark band, and
// one line of one-pixel print near the top that blurs visibly when sampled
// badly.
void Caption(Picture& p, const std::string& title, Rgba ink, int printY) {
    const Rgba white{255, 255, 255, 255};
    DrawText(p, 4, printY, "FINE PRINT 1:1 ABCDEFGHIJKLMNOPQRSTUVWXYZ 0123456789", 1, white);
    const int s = std::max(1, p.height() / 180);
    const std::string line1 = "THE QUICK BROWN FOX JUMPS OVER", line2 = "THE LAZY DOG 0123456789";
    const bool full = p.height() >= 100;
    const int y2 = p.height() - 11 * s, y1 = y2 - 10 * s;
    const int yTitle = full ? y1 - 17 * s : p.height() - 11 * s;
    const int bandW = std::max(TextWidth(title, 2 * s), full ? TextWidth(line1, s) : 0) + 6 * s;
    FillRect(p, 0, yTitle - 3 * s, bandW, p.height() - yTitle + 3 * s, {0, 0, 0, 150});
    DrawText(p, 3 * s, yTitle, title, 2 * s, ink);
    if (!full) return;
    DrawText(p, 3 * s, y1, line1, s, white);
    DrawText(p, 3 * s, y2, line2, s, white);
}

} // namespace

bool GlyphPixel(char c, int x, int y) {
    if (x < 0 || y < 0 || x >= kGlyphWidth || y >= kGlyphHeight) return false;
    const GlyphRef g = FindGlyph(c);
    if (!g.group) return x == 0 || y == 0 || x == kGlyphWidth - 1 || y == kGlyphHeight - 1;
    return g.group->rows[y][g.index * kGlyphAdvance + x] == '#';
}

namespace {
// The font's own letters for a UTF-8 text: the accented Latin-1 letters
// drawn as their base letter ("Boîte" as "BOITE", "ß" as "SS"), anything
// else outside ASCII as one unknown character.
std::string FontText(const std::string& utf8) {
    std::string out;
    for (char16_t c : platform::Utf8ToUtf16Lossy(utf8)) {
        if (c == 0xDF) out += "SS";
        else out += BaseLetter(c);
    }
    return out;
}
} // namespace

void DrawText(Picture& picture, int x, int y, const std::string& utf8, int scale, Rgba colour) {
    scale = std::max(scale, 1);
    const std::string text = FontText(utf8);
    for (size_t k = 0; k < text.size(); ++k) {
        const int cx = x + int(k) * kGlyphAdvance * scale;
        if (cx >= picture.width()) break;
        for (int gy = 0; gy < kGlyphHeight; ++gy)
            for (int gx = 0; gx < kGlyphWidth; ++gx)
                if (GlyphPixel(text[k], gx, gy))
                    for (int j = 0; j < scale; ++j)
                        for (int i = 0; i < scale; ++i) picture.Blend(cx + gx * scale + i, y + gy * scale + j, colour);
    }
}

int TextWidth(const std::string& utf8, int scale) {
    const std::string text = FontText(utf8);
    return text.empty() ? 0 : (int(text.size()) * kGlyphAdvance - 1) * std::max(scale, 1);
}

Picture BuiltinPictureA(int width, int height) {
    const double W = width, H = height;
    const double rx = 0.30 * W, ry = 0.42 * H, R = 0.34 * H;  // rings
    const double fx = W, fy = H;                                // fan origin: bottom right
    Picture p = Supersampled(width, height, [&](double x, double y) {
        // Sky: orange at the top to yellow at the bottom, redder to the left.
        Rgba c = Mix(Mix({214, 64, 32, 255}, {250, 208, 64, 255}, y / H), {168, 32, 96, 255}, 0.35 * (1 - x / W));
        // Rings whose spacing shrinks outward (a zone plate), alternating
        // with a soft centre: they show aliasing as soon as sampling is poor.
        const double d = std::hypot(x - rx, y - ry) / R;
        if (d < 1) {
            const double ring = 0.5 + 0.5 * std::cos(d * d * 60);
            c = Mix(Mix({255, 244, 214, 255}, {90, 20, 40, 255}, ring), c, std::pow(d, 8));
        }
        // A fan of thin dark lines from the bottom-right corner.
        const double a = std::atan2(fy - y, fx - x);
        if (a > 0.25 && a < 1.2 && std::hypot(fx - x, fy - y) > 0.18 * H) {
            const double s = std::abs(std::sin(a * 90));
            if (s < 0.08) c = Mix(c, {40, 16, 8, 255}, 1.0);
        }
        // Checker strip along the top.
        const double cell = std::max(2.0, H / 45);
        if (y < 2 * cell) c = ((int(x / cell) + int(y / cell)) & 1) ? Rgba{40, 24, 24, 255} : Rgba{255, 250, 240, 255};
        return c;
    });
    const int badge = int(0.36 * H);
    Badge(p, 'A', int(W * 0.62), int(H * 0.16), badge, {255, 255, 255, 230}, {200, 30, 30, 255});
    Frame(p, 0, 0, width, height, std::max(1, height / 180), {60, 10, 10, 255});
    Caption(p, "PICTURE A", {255, 230, 120, 255}, int(4 * std::max(2.0, H / 45)) / 2 + 3);
    return p;
}

Picture BuiltinPictureB(int width, int height) {
    const double W = width, H = height;
    const double tx = 0.74 * W, ty = 0.60 * H, TR = 0.30 * H; // target
    const double tile = H / 9;
    Picture p = Supersampled(width, height, [&](double x, double y) {
        // Diagonal gradient from deep blue to teal to violet.
        const double g = (x / W + y / H) / 2;
        Rgba c = g < 0.5 ? Mix({16, 40, 120, 255}, {20, 150, 150, 255}, g * 2)
                         : Mix({20, 150, 150, 255}, {110, 50, 170, 255}, g * 2 - 1);
        // Tiles of every hue on the left, 1-pixel white seams.
        if (x < 0.45 * W && y > 0.12 * H && y < 0.70 * H) {
            const int col = int(x / tile), row = int((y - 0.12 * H) / tile);
            c = Mix(c, Hue(col * 0.13 + row * 0.31, 0.9), 0.85);
            const double fxp = std::fmod(x, tile), fyp = std::fmod(y - 0.12 * H, tile);
            if (fxp < 1 || fyp < 1) c = {255, 255, 255, 255};
        }
        // Target: red and white bands with a thin black cross.
        const double d = std::hypot(x - tx, y - ty);
        if (d < TR) {
            c = (int(d / (TR / 6)) & 1) ? Rgba{250, 250, 250, 255} : Rgba{210, 30, 50, 255};
            if (std::abs(x - tx) < 0.6 || std::abs(y - ty) < 0.6) c = {0, 0, 0, 255};
        }
        // Stripes along the top.
        if (y < 0.08 * H) c = std::fmod(x + y, H / 20) < H / 40 ? Rgba{255, 210, 0, 255} : Rgba{20, 20, 30, 255};
        return c;
    });
    const int badge = int(0.30 * H);
    Badge(p, 'B', int(W * 0.50), int(H * 0.12), badge, {230, 250, 255, 230}, {20, 60, 200, 255});
    Frame(p, 0, 0, width, height, std::max(1, height / 180), {10, 10, 60, 255});
    Caption(p, "PICTURE B", {140, 230, 255, 255}, int(0.08 * H) + 3);
    return p;
}

} // namespace svt::host
