// Mask records: allocation, pixel access and the three ways of filling a mask.
#include "masks/pmask.h"

#include <allegro.h>

#include <cstdlib>
#include <cstring>

namespace {

bool fits_mask_size(int n) { return n >= 1 && n <= 32767; }

}  // namespace

void install_pmask() {}

void init_pmask(PMASK* mask, int w, int h) {
    mask->w = 0;
    mask->h = 0;
    mask->bits = nullptr;
    // Sizes below 1 have no strips; above 32767 they do not fit the 16-bit fields.
    if (!fits_mask_size(w) || !fits_mask_size(h)) return;
    const size_t strips = static_cast<size_t>(pmask_strips(w));
    const size_t words = strips * static_cast<size_t>(h);
    auto* bits = static_cast<uint32_t*>(std::malloc(words * sizeof(uint32_t)));
    if (!bits) return;
    mask->w = static_cast<int16_t>(w);
    mask->h = static_cast<int16_t>(h);
    mask->bits = bits;
    // Every loader writes every word, but only the last strip carries columns beyond the
    // width; clearing it here is what makes those bits 0 from the start.
    std::memset(bits + (strips - 1) * static_cast<size_t>(h), 0, static_cast<size_t>(h) * sizeof(uint32_t));
}

PMASK* create_pmask(int w, int h) {
    auto* mask = static_cast<PMASK*>(std::malloc(sizeof(PMASK)));
    if (!mask) return nullptr;
    init_pmask(mask, w, h);
    if (!mask->bits) {
        std::free(mask);
        return nullptr;
    }
    return mask;
}

void deinit_pmask(PMASK* mask) {
    mask->w = 0;
    mask->h = 0;
    std::free(mask->bits);
    mask->bits = nullptr;
}

void destroy_pmask(PMASK* mask) {
    deinit_pmask(mask);
    std::free(mask);
}

int get_pmask_pixel(const PMASK* mask, int x, int y) {
    return static_cast<int>((mask->bits[(x >> 5) * mask->h + y] >> (x & 31)) & 1u);
}

void set_pmask_pixel(PMASK* mask, int x, int y, int value) {
    uint32_t& word = mask->bits[(x >> 5) * mask->h + y];
    const uint32_t bit = 1u << (x & 31);
    if (value)
        word |= bit;
    else
        word &= ~bit;
}

void pmask_load_func(PMASK* mask, int x0, int y0, void* surface, int colour,
                     int (*func)(void* surface, int x, int y)) {
    if (!mask) return;
    const int w = mask->w, h = mask->h;
    if (w <= 0 || h <= 0) return;
    const int strips = pmask_strips(w);
    for (int k = 0; k < strips; k++) {
        for (int r = 0; r < h; r++) {
            // Built from the strip's right end so that column 32k ends up in bit 0.
            uint32_t word = 0;
            for (int n = 31; n >= 0; n--) {
                word <<= 1;
                const int c = 32 * k + n;
                if (c < w && func(surface, x0 + c, y0 + r) != colour) word |= 1u;
            }
            mask->bits[k * h + r] = word;
        }
    }
}

void pmask_load_pixels(PMASK* mask, const void* pixels, int pitch, int bytes_per_pixel, int key) {
    if (!mask) return;
    const int w = mask->w, h = mask->h;
    if (w <= 0 || h <= 0) return;
    const int strips = pmask_strips(w);
    const auto* base = static_cast<const unsigned char*>(pixels);
    const auto ukey = static_cast<uint32_t>(key);
    for (int k = 0; k < strips; k++) {
        for (int r = 0; r < h; r++) {
            uint32_t word = 0;
            for (int n = 31; n >= 0; n--) {
                word <<= 1;
                const int c = 32 * k + n;
                if (c >= w) continue;
                const unsigned char* p = base + static_cast<ptrdiff_t>(r) * pitch +
                                         static_cast<ptrdiff_t>(c) * bytes_per_pixel;
                bool same = true;
                for (int i = 0; i < bytes_per_pixel; i++)
                    if (p[i] != ((ukey >> (8 * i)) & 0xFFu)) same = false;
                if (same) word |= 1u;
            }
            mask->bits[k * h + r] = word;
        }
    }
}

namespace {

int bitmap_getter(void* surface, int x, int y) { return getpixel(static_cast<BITMAP*>(surface), x, y); }

}  // namespace

void init_allegro_pmask(PMASK* mask, BITMAP* bitmap) {
    init_pmask(mask, bitmap->w, bitmap->h);
    pmask_load_func(mask, 0, 0, bitmap, bitmap_mask_color(bitmap), bitmap_getter);
}

PMASK* create_allegro_pmask(BITMAP* bitmap) {
    PMASK* mask = create_pmask(bitmap->w, bitmap->h);
    if (!mask) return nullptr;
    pmask_load_func(mask, 0, 0, bitmap, bitmap_mask_color(bitmap), bitmap_getter);
    return mask;
}
