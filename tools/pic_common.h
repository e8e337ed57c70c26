// Shared helpers of the picture generator: colours, a fixed-seed random source, small drawing
// tools over Allegro memory bitmaps (32-bit, pixels 0xRRGGBB) and the automatic shading that
// gives every picture the same light from the upper left.
#ifndef OSA_TOOLS_PIC_COMMON_H
#define OSA_TOOLS_PIC_COMMON_H

#include <allegro.h>

#include <cstdint>
#include <string>
#include <vector>

namespace pic {

constexpr int magenta = 0xFF00FF;  // the library's mask colour: transparent everywhere
constexpr int outline_dark = 0x2A1A2E;  // the one outline colour of characters and shops

// A material: the colour drawn, with the lit and the shaded variant that shade() puts on its
// upper-left and lower-right edges.
struct ramp {
    int hi, base, lo;
};

// Deterministic random numbers (xorshift32); the same seed gives the same pictures everywhere.
struct rng {
    uint32_t s;
    explicit rng(uint32_t seed) : s(seed ? seed : 0x9E3779B9u) {}
    uint32_t next() {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return s;
    }
    int range(int lo, int hi) { return lo + static_cast<int>(next() % static_cast<uint32_t>(hi - lo + 1)); }
};

// Mixes two colours: t = 0 gives a, t = 256 gives b.
int mix(int a, int b, int t);
// Scales a colour's channels by f/256 (darker below 256).
int scale(int c, int f);

// A new 32-bit bitmap of w x h filled with colour c. The caller destroys it.
BITMAP* new_bitmap(int w, int h, int c = magenta);

// Pixel access that ignores coordinates outside the bitmap.
inline int get(BITMAP* b, int x, int y) {
    if (x < 0 || y < 0 || x >= b->w || y >= b->h) return magenta;
    return static_cast<int>(reinterpret_cast<uint32_t*>(b->line[y])[x] & 0xFFFFFF);
}
inline void put(BITMAP* b, int x, int y, int c) {
    if (x < 0 || y < 0 || x >= b->w || y >= b->h) return;
    reinterpret_cast<uint32_t*>(b->line[y])[x] = static_cast<uint32_t>(c);
}

// A filled rectangle given by its corner and size (not both corners, as rectfill takes).
void box(BITMAP* b, int x, int y, int w, int h, int c);
// A thick line ("capsule") from (x0, y0) to (x1, y1): every pixel whose centre lies within r of
// the segment. Coordinates in pixels, fractional allowed.
void limb(BITMAP* b, float x0, float y0, float x1, float y1, float r, int c);
// A filled ellipse with centre (cx, cy) and radii rx, ry, fractional allowed.
void blob(BITMAP* b, float cx, float cy, float rx, float ry, int c);

// Light from the upper left: every pixel of colour r.base whose right or lower neighbour is not
// of the same material becomes r.lo, whose left or upper neighbour is not becomes r.hi (shade
// wins over light where both hold). Works on the rectangle (x, y, w, h).
void shade(BITMAP* b, const ramp& r, int x, int y, int w, int h);
// Draws a one-pixel outline of colour c around every non-magenta region of the rectangle
// (x, y, w, h), on magenta pixels that touch the region side by side.
void outline(BITMAP* b, int c, int x, int y, int w, int h);

// Fills every magenta pixel of the rectangle (x, y, w, h) that cannot be reached from the
// rectangle's border through magenta (a hole inside a figure) with colour c.
void fill_holes(BITMAP* b, int c, int x, int y, int w, int h);

// Mirrors the rectangle (x, y, w, h) left to right in place.
void mirror(BITMAP* b, int x, int y, int w, int h);
// Copies src over dst at (x, y), leaving out magenta pixels.
void over(BITMAP* dst, BITMAP* src, int x, int y);

// Pixel text for pictures (the title, shop signs): the UTF-8 text s in the game's font glyphs,
// each glyph pixel drawn as a px x px square, (x, y) the top left of the line (accents of
// capitals above y); returns the width drawn. pixel_text_width measures without drawing.
int pixel_text(BITMAP* b, int x, int y, const char* s, int c, int px = 1);
int pixel_text_width(const char* s, int px = 1);

// Saves a bitmap as PCX (24-bit, as save_bitmap writes it); false on failure.
bool save_pcx(const std::string& path, BITMAP* b);

}  // namespace pic

#endif
