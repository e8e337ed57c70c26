// One-bit pixel masks: construction, pixel-exact overlap tests, byte serialization and drawing.
//
// A PMASK keeps one bit per pixel, packed in vertical strips of 32 columns: strip k holds
// columns 32k..32k+31, one 32-bit word per row, the strips stored one after another. Pixel
// (x, y) is bit (x & 31) of word (x >> 5) * h + y; the least significant bit is the leftmost
// column of its strip. Bits of columns at or beyond w are always 0: the collision tests and the
// serialized form rely on it. An empty record has w = h = 0 and bits null.
//
// create_* functions allocate (release with destroy_pmask); init_* functions fill a record the
// caller owns (release with deinit_pmask). Failure is a null pointer, -1 or an emptied record.
#ifndef OSA_MASKS_PMASK_H
#define OSA_MASKS_PMASK_H

#include <cstdint>

struct BITMAP;

struct PMASK {
    int16_t w;      // width in pixels, 1..32767 (0 when empty)
    int16_t h;      // height in pixels, 1..32767 (0 when empty)
    uint32_t* bits; // strips * h words, owned by the record
};

// Number of 32-column strips of a mask w pixels wide (w >= 1).
inline int pmask_strips(int w) { return ((w - 1) >> 5) + 1; }

// Does nothing: the library needs no set-up. Kept so callers can start it like other libraries.
void install_pmask();

// Gives a caller-owned record the size w x h and storage for it. The last strip is cleared;
// the others are unspecified until a loader fills them. A size outside 1..32767 or a failed
// allocation leaves the record empty (w = 0). Storage already held by the record is not freed.
void init_pmask(PMASK* mask, int w, int h);

// Allocates a record and its storage (two heap blocks). Returns null for a size outside
// 1..32767 or when memory runs out. Release with destroy_pmask.
PMASK* create_pmask(int w, int h);

// Releases the storage of a record; the record becomes empty. Needs a real record.
void deinit_pmask(PMASK* mask);

// Releases the storage and the record made by a create_* function. Needs a real record.
void destroy_pmask(PMASK* mask);

// Reads pixel (x, y): 1 solid, 0 empty. Nothing is checked: 0 <= x < w, 0 <= y < h.
int get_pmask_pixel(const PMASK* mask, int x, int y);

// Sets pixel (x, y) when value is non-zero, clears it when value is 0. Nothing is checked.
void set_pmask_pixel(PMASK* mask, int x, int y, int value);

// Fills the whole mask from a pixel source: mask pixel (c, r) is solid when
// func(surface, x0 + c, y0 + r) differs from colour. The getter is called once per pixel,
// strip by strip, row by row, columns from the strip's right end to its left. Null mask: no-op.
void pmask_load_func(PMASK* mask, int x0, int y0, void* surface, int colour,
                     int (*func)(void* surface, int x, int y));

// Fills the whole mask from raw pixels at pixels + r * pitch + c * bytes_per_pixel: a pixel is
// solid when its bytes equal the low bytes_per_pixel bytes of key, little-endian (the opposite
// sense from pmask_load_func). bytes_per_pixel is 0..4; 0 makes every pixel solid. Null mask: no-op.
void pmask_load_pixels(PMASK* mask, const void* pixels, int pitch, int bytes_per_pixel, int key);

// init_pmask to the bitmap's size, then fill: pixels of the bitmap's mask colour are empty,
// all others solid. A bitmap too large for a mask leaves the record empty and reads nothing.
void init_allegro_pmask(PMASK* mask, BITMAP* bitmap);

// create_pmask to the bitmap's size and fill it as init_allegro_pmask does; null on failure.
PMASK* create_allegro_pmask(BITMAP* bitmap);

// 1 if a solid pixel of a at (x1, y1) and a solid pixel of b at (x2, y2) cover the same point,
// else 0. Both masks must be real, filled records. Allocates nothing.
int check_pmask_collision(const PMASK* a, const PMASK* b, int x1, int y1, int x2, int y2);

// The same test with b's top-left at (dx, dy) in a's frame.
int _check_pmask_collision(const PMASK* a, const PMASK* b, int dx, int dy);

// As check_pmask_collision; on a hit, result[0], result[1] receive one common point in the
// common frame. result must point to two ints; on a miss it is left untouched.
int check_pmask_collision_position(const PMASK* a, const PMASK* b, int x1, int y1, int x2, int y2,
                                   int* result);

// As _check_pmask_collision; on a hit and a non-null result, one common point in a's frame.
// The point is found band by band (a band lies in one strip of each mask), bands left to right,
// rows bottom-up within a band, the leftmost common pixel of the first such row.
int _check_pmask_collision_position(const PMASK* a, const PMASK* b, int dx, int dy, int* result);

// Index 0..31 of the lowest set bit of value, or -1 when value is 0.
int bsf(int value);

// Bytes that a width x height mask takes serialized: 4 + height * (((width - 1) >> 3) + 1).
int get_serialized_pmask_size(int width, int height);

// Writes the mask into dest: width and height as unsigned 16-bit little-endian, then the rows
// top first, one bit per pixel, least significant bit leftmost. Returns the bytes written, or
// -1 without writing anything when size is too small.
int serialize_pmask(void* dest, int size, const PMASK* mask);

// Reads a serialized mask into a record treated as empty. Returns the bytes consumed, or -1
// (record left empty) for a short buffer, a width or height of 0 or above 32767, or no memory.
// Bits beyond the width in the data are cleared. Release with deinit_pmask.
int init_deserialize_pmask(const void* source, int size, PMASK* mask);

// As init_deserialize_pmask into a new record; *used receives the bytes consumed or -1.
// Returns null on failure. Release with destroy_pmask.
PMASK* create_deserialize_pmask(const void* source, int size, int* used);

// Sets each destination pixel under a solid mask pixel to colour (already in the destination's
// pixel format), the mask's top-left at (x, y), clipped to the destination's full size (not to
// its clipping rectangle, except at 24 bits per pixel, where the pixels go through putpixel).
void draw_allegro_pmask(const PMASK* mask, BITMAP* destination, int x, int y, int colour);

// As draw_allegro_pmask, scaled to width x height pixels: target column i shows mask column
// (i * (w * 65536 / width)) >> 16, target row j mask row h * j / height. Clipped to the
// destination's full size at every depth. A width or height of 0 or less, or a target entirely
// outside the destination, draws nothing.
void draw_allegro_pmask_stretch(const PMASK* mask, BITMAP* destination, int x, int y, int width,
                                int height, int colour);

#endif
