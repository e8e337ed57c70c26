// Mask drawing: every solid pixel of a mask set to one colour on a bitmap, at the mask's own
// size or stretched, written straight into the bitmap's line memory where the depth allows.
#include "masks/pmask.h"

#include <allegro.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

inline bool mask_pixel(const PMASK* mask, int c, int r) {
    return (mask->bits[(c >> 5) * mask->h + r] >> (c & 31)) & 1u;
}

// Pixel stores into line memory. memcpy keeps them free of alignment and aliasing assumptions;
// the compiler makes each one a single store.
inline void put8(unsigned char* line, int x, int colour) { line[x] = static_cast<unsigned char>(colour & 0xFF); }

inline void put16(unsigned char* line, int x, int colour) {
    const auto v = static_cast<uint16_t>(colour & 0xFFFF);
    std::memcpy(line + 2 * x, &v, sizeof v);
}

// Low byte first, whatever the machine's byte order: that is how 24-bit pixels lie in memory.
inline void put24(unsigned char* line, int x, int colour) {
    unsigned char* p = line + 3 * x;
    p[0] = static_cast<unsigned char>(colour & 0xFF);
    p[1] = static_cast<unsigned char>((colour >> 8) & 0xFF);
    p[2] = static_cast<unsigned char>((colour >> 16) & 0xFF);
}

inline void put32(unsigned char* line, int x, int colour) {
    const auto v = static_cast<uint32_t>(colour);
    std::memcpy(line + 4 * x, &v, sizeof v);
}

using pixel_store = void (*)(unsigned char* line, int x, int colour);

pixel_store store_for_depth(int depth) {
    switch (depth) {
        case 8: return put8;
        case 15:
        case 16: return put16;
        case 24: return put24;
        case 32: return put32;
        default: return nullptr;
    }
}

// One row of the unstretched mask: columns c0 .. c0 + cw - 1 of mask row r, onto line from x.
template <void (*store)(unsigned char*, int, int)>
void draw_row(const PMASK* mask, int c0, int r, int cw, unsigned char* line, int x, int colour) {
    for (int i = 0; i < cw; i++)
        if (mask_pixel(mask, c0 + i, r)) store(line, x + i, colour);
}

template <void (*store)(unsigned char*, int, int)>
void draw_rows(const PMASK* mask, BITMAP* bmp, int c0, int r0, int cw, int ch, int x, int y, int colour) {
    if (is_memory_bitmap(bmp)) {
        for (int j = 0; j < ch; j++) draw_row<store>(mask, c0, r0 + j, cw, bmp->line[y + j], x, colour);
        return;
    }
    // Video and system bitmaps may need their line selected before it can be written.
    for (int j = 0; j < ch; j++) {
        auto* line = reinterpret_cast<unsigned char*>(bmp_write_line(bmp, y + j));
        draw_row<store>(mask, c0, r0 + j, cw, line, x, colour);
    }
    bmp_unwrite_line(bmp);
}

}  // namespace

void draw_allegro_pmask(const PMASK* mask, BITMAP* destination, int x, int y, int colour) {
    if (x >= destination->w || y >= destination->h) return;
    // Entirely left of or above the bitmap (compared before negating, so that no int overflows).
    if (x < -mask->w || y < -mask->h) return;

    int c0 = 0, r0 = 0;
    int cw = mask->w, ch = mask->h;
    if (x < 0) {
        c0 = -x;
        cw = mask->w + x;
        x = 0;
    }
    if (y < 0) {
        r0 = -y;
        ch = mask->h + y;
        y = 0;
    }
    cw = std::min(cw, destination->w - x);
    ch = std::min(ch, destination->h - y);

    switch (bitmap_color_depth(destination)) {
        case 8: draw_rows<put8>(mask, destination, c0, r0, cw, ch, x, y, colour); break;
        case 15:
        case 16: draw_rows<put16>(mask, destination, c0, r0, cw, ch, x, y, colour); break;
        case 32: draw_rows<put32>(mask, destination, c0, r0, cw, ch, x, y, colour); break;
        default:
            // 24 bits per pixel: rare enough that Allegro's own pixel writer is good enough.
            for (int j = 0; j < ch; j++)
                for (int i = 0; i < cw; i++)
                    if (mask_pixel(mask, c0 + i, r0 + j)) putpixel(destination, x + i, y + j, colour);
            break;
    }
}

void draw_allegro_pmask_stretch(const PMASK* mask, BITMAP* destination, int x, int y, int width, int height,
                                int colour) {
    const pixel_store store = store_for_depth(bitmap_color_depth(destination));
    // Target columns i0 .. i1 - 1 and rows j0 .. j1 - 1 fall on the bitmap. A width or height of
    // 0 or less leaves the range empty, which also keeps the step below from dividing by 0.
    // 64-bit bounds: x and y may lie anywhere in the int range.
    const int64_t i0 = std::max<int64_t>(0, -int64_t{x});
    const int64_t i1 = std::min<int64_t>(width, int64_t{destination->w} - x);
    const int64_t j0 = std::max<int64_t>(0, -int64_t{y});
    const int64_t j1 = std::min<int64_t>(height, int64_t{destination->h} - y);
    if (store && mask->w > 0 && mask->h > 0 && i0 < i1 && j0 < j1) {
        // Mask column of target column i: (i * step) >> 16, with 16 fractional bits in step.
        // Since i < width, i * step < w * 65536 and the column stays inside the mask.
        const int64_t step = (int64_t{mask->w} * 65536) / width;
        for (int64_t j = j0; j < j1; j++) {
            const int r = static_cast<int>((int64_t{mask->h} * j) / height);
            auto* line = reinterpret_cast<unsigned char*>(bmp_write_line(destination, static_cast<int>(y + j)));
            int64_t fx = i0 * step;
            for (int64_t i = i0; i < i1; i++, fx += step)
                if (mask_pixel(mask, static_cast<int>(fx >> 16), r)) store(line, static_cast<int>(x + i), colour);
        }
    }
    bmp_unwrite_line(destination);
}
