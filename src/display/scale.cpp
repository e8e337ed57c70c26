// The whole-number scaler: each source row is widened once, straight into the first
// destination line of its block, which is then copied to the block's other lines.
#include "display/scale.h"

#include <allegro.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

namespace {

// Four pixels in one vector register (the compilers' vector extension: SSE2 on x86-64).
typedef uint32_t four_pixels __attribute__((vector_size(16)));

// Four source pixels v widened S times make S vectors; vector K holds output pixels 4K .. 4K + 3,
// that is source pixels (4K + j) / S, and goes to out + 4K.
template <int S, int K>
void put_widened(four_pixels v, uint32_t* out) {
    const four_pixels w =
        __builtin_shufflevector(v, v, 4 * K / S, (4 * K + 1) / S, (4 * K + 2) / S, (4 * K + 3) / S);
    std::memcpy(out + 4 * K, &w, sizeof w);
}

template <int S, int... K>
void put_all_widened(four_pixels v, uint32_t* out, std::integer_sequence<int, K...>) {
    (put_widened<S, K>(v, out), ...);
}

// Writes each of the n pixels of in as S copies to out: four pixels at a time as S vector
// stores, the last few one by one (each read once, as the stores could alias it).
template <int S>
void widen_blocks(const uint32_t* in, uint32_t* out, int n) {
    int i = 0;
    for (; i + 4 <= n; i += 4, out += 4 * S) {
        four_pixels v;
        std::memcpy(&v, in + i, sizeof v);
        put_all_widened<S>(v, out, std::make_integer_sequence<int, S>());
    }
    for (; i < n; i++, out += S) {
        const uint32_t c = in[i];
        for (int k = 0; k < S; k++) out[k] = c;
    }
}

void widen_blocks_any(const uint32_t* in, uint32_t* out, int n, int scale) {
    for (int i = 0; i < n; i++, out += scale) {
        const uint32_t c = in[i];
        std::fill_n(out, scale, c);
    }
}

using widen_fn = void (*)(const uint32_t*, uint32_t*, int);
constexpr int unrolled_scales = 8;
constexpr widen_fn widen_at[unrolled_scales + 1] = {
    nullptr,          nullptr,         widen_blocks<2>, widen_blocks<3>, widen_blocks<4>,
    widen_blocks<5>, widen_blocks<6>, widen_blocks<7>, widen_blocks<8>};

// Fills out[0, count) with pixels first .. first + count - 1 of the widened row, whose pixel i
// is in[i / scale]: a block cut by the clip at either end, and the whole blocks between.
void widen_row(const uint32_t* in, uint32_t* out, int first, int count, int scale) {
    if (scale == 1) {  // the library's copy is the fastest there is
        std::memcpy(out, in + first, sizeof(uint32_t) * static_cast<size_t>(count));
        return;
    }
    in += first / scale;
    if (const int cut = first % scale) {
        const int n = std::min(count, scale - cut);
        std::fill_n(out, n, *in++);
        out += n;
        count -= n;
    }
    const int blocks = count / scale;
    if (scale <= unrolled_scales)
        widen_at[scale](in, out, blocks);
    else
        widen_blocks_any(in, out, blocks, scale);
    // Only read the pixel after the whole blocks when part of its block shows: it may lie past
    // the end of the source line.
    if (const int rest = count % scale) std::fill_n(out + blocks * scale, rest, in[blocks]);
}

} // namespace

namespace {

// The scaler's loop over the destination's lines; line(y) gives the address of line y.
template <class LineOf>
void scale_lines(BITMAP* src, BITMAP* dst, int sx, int sy, int dx, int dy, int w, int h, int scale, LineOf line) {
    // The destination rectangle that shows: the scaled picture within the clipping rectangle.
    int x0 = dx, y0 = dy, x1 = dx + w * scale, y1 = dy + h * scale;
    if (dst->clip) {
        x0 = std::max(x0, dst->cl);
        y0 = std::max(y0, dst->ct);
        x1 = std::min(x1, dst->cr);
        y1 = std::min(y1, dst->cb);
    }
    if (x0 >= x1 || y0 >= y1) return;
    const int count = x1 - x0;
    const size_t row_bytes = sizeof(uint32_t) * static_cast<size_t>(count);

    for (int y = y0; y < y1;) {
        const int source_row = (y - dy) / scale;
        const int block_end = std::min(y1, dy + (source_row + 1) * scale);
        const auto* in = reinterpret_cast<const uint32_t*>(src->line[sy + source_row]) + sx;
        // The block's first line is built in place, then copied to the others: one pass over
        // the source row, and every other line a plain copy of a line still in the cache.
        auto* first = reinterpret_cast<uint32_t*>(line(y)) + x0;
        widen_row(in, first, x0 - dx, count, scale);
        for (y++; y < block_end; y++) {
            auto* out = reinterpret_cast<uint32_t*>(line(y)) + x0;
            std::memcpy(out, first, row_bytes);
        }
    }
}

bool scalable(BITMAP* src, BITMAP* dst) {
    return bitmap_color_depth(src) == 32 && bitmap_color_depth(dst) == 32 && !is_video_bitmap(src) &&
           is_linear_bitmap(dst);
}

} // namespace

void scale_blit(BITMAP* src, BITMAP* dst, int sx, int sy, int dx, int dy, int w, int h, int scale) {
    if (w < 1 || h < 1 || scale < 1) return;
    if (!scalable(src, dst)) {
        stretch_blit(src, dst, sx, sy, w, h, dx, dy, w * scale, h * scale);
        return;
    }
    acquire_bitmap(dst);
    scale_lines(src, dst, sx, sy, dx, dy, w, h, scale, [dst](int y) { return bmp_write_line(dst, y); });
    bmp_unwrite_line(dst);
    release_bitmap(dst);
}

void scale_into_memory(BITMAP* src, BITMAP* dst, int sx, int sy, int dx, int dy, int w, int h, int scale) {
    if (w < 1 || h < 1 || scale < 1) return;
    if (!scalable(src, dst)) {
        stretch_blit(src, dst, sx, sy, w, h, dx, dy, w * scale, h * scale);
        return;
    }
    scale_lines(src, dst, sx, sy, dx, dy, w, h, scale, [dst](int y) { return dst->line[y]; });
}
