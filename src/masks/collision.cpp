// Pixel-exact overlap tests of two masks, 32 columns per AND, with or without the contact point.
#include "masks/pmask.h"

#include <algorithm>
#include <utility>

namespace {

// One strip pair over every overlapping row, the bottom row first; pa and pb point at the
// words of the first overlapping row. Returns the first non-zero AND of (A word >> a_shift)
// and (B word >> b_shift), and its row in *row; 0 if there is none. The shifts are logical
// shifts of unsigned words, by 0 to 31.
inline uint32_t scan_rows(const uint32_t* pa, unsigned a_shift, const uint32_t* pb, unsigned b_shift, int n,
                          int* row) {
    for (int r = n - 1; r >= 0; r--) {
        const uint32_t v = (pa[r] >> a_shift) & (pb[r] >> b_shift);
        if (v) {
            *row = r;
            return v;
        }
    }
    return 0;
}

// The yes/no form of scan_rows: whether any overlapping row of the strip pair has a common bit.
// Rows are taken bottom-up in blocks of eight whose ANDs are ORed together before one test, so
// the compiler can do a block with a few vector instructions; the scan still stops within a
// block of the first hit.
inline bool any_rows(const uint32_t* pa, unsigned a_shift, const uint32_t* pb, unsigned b_shift, int n) {
    constexpr int block = 8;
    uint32_t acc = 0;
    int r = n;
    while (r >= block) {
        r -= block;
        for (int i = 0; i < block; i++) acc |= (pa[r + i] >> a_shift) & (pb[r + i] >> b_shift);
        if (acc) return true;
    }
    while (r > 0) {
        r--;
        acc |= (pa[r] >> a_shift) & (pb[r] >> b_shift);
    }
    return acc != 0;
}

// One strip pair: the hit's word and row when the point is wanted, else just whether there is one.
template <bool with_point>
inline uint32_t scan_pair(const uint32_t* pa, unsigned a_shift, const uint32_t* pb, unsigned b_shift, int n,
                          int* row) {
    if (with_point) return scan_rows(pa, a_shift, pb, b_shift, n, row);
    return any_rows(pa, a_shift, pb, b_shift, n) ? 1u : 0u;
}

// Steps shared by both variants. With_point also works out the common pixel, in the frame of
// the mask passed first, and stores it when point is non-null; the yes/no tests are compiled
// without that bookkeeping, since the game runs them on every logic tick.
template <bool with_point>
int collide(const PMASK* a, const PMASK* b, int dx, int dy, int* point) {
    // Boxes apart: no word is read. Touching boxes pass and find nothing below.
    if (dx >= a->w || dy > a->h || dx < -b->w || dy < -b->h) return 0;

    const int dx_in = dx, dy_in = dy;
    const PMASK* A = a;
    const PMASK* B = b;
    const bool swapped = dx < 0;
    if (swapped) {
        std::swap(A, B);
        dx = -dx;
        dy = -dy;
    }

    // Rows: the overlap starts at A's row dy and B's row 0, or at A's row 0 and B's row -dy.
    const int a_h = A->h, b_h = B->h;
    const int b_row = dy >= 0 ? 0 : -dy;
    const uint32_t* pa = A->bits + (dy >= 0 ? dy : 0);
    const uint32_t* pb = B->bits + b_row;
    const int n = dy >= 0 ? std::min(a_h - dy, b_h) : std::min(a_h, b_h + dy);
    // No overlapping rows; this also covers an empty record, whose height is 0.
    if (n <= 0) return 0;

    // Columns: B's column 0 lies in A's strip S = dx >> 5, at bit s = dx & 31 of it.
    const int S = dx >> 5;
    const unsigned s = static_cast<unsigned>(dx & 31);
    pa += S * a_h;
    int a_left = pmask_strips(A->w) - S;  // A's strips from S on
    int b_left = pmask_strips(B->w);

    int r = 0;
    uint32_t v = 0;
    int cB = 0;  // B's column of the hit
    if (s == 0) {
        for (int j = 0; a_left > 0 && b_left > 0; j++, a_left--, b_left--, pa += a_h, pb += b_h) {
            if ((v = scan_pair<with_point>(pa, 0, pb, 0, n, &r))) {
                if (with_point) cB = 32 * j + bsf(static_cast<int>(v));
                break;
            }
        }
    } else {
        if (a_left <= 0) return 0;
        for (int j = 0;; j++) {
            // B's columns 32j .. 32j + 31 - s lie in A's strip S + j, from bit s up.
            if ((v = scan_pair<with_point>(pa, s, pb, 0, n, &r))) {
                if (with_point) cB = 32 * j + bsf(static_cast<int>(v));
                break;
            }
            if (--a_left == 0) return 0;
            pa += a_h;
            // B's columns 32j + 32 - s .. 32j + 31 lie in A's strip S + j + 1, from bit 0 up.
            if ((v = scan_pair<with_point>(pa, 0, pb, 32u - s, n, &r))) {
                if (with_point) cB = 32 * j + bsf(static_cast<int>(v)) + (32 - static_cast<int>(s));
                break;
            }
            if (--b_left == 0) return 0;
            pb += b_h;
        }
    }
    if (!v) return 0;

    if (with_point && point) {
        const int rB = b_row + r;
        if (swapped) {
            // B is the mask passed first: its own frame is the answer's frame.
            point[0] = cB;
            point[1] = rB;
        } else {
            point[0] = cB + dx_in;
            point[1] = rB + dy_in;
        }
    }
    return 1;
}

}  // namespace

int _check_pmask_collision(const PMASK* a, const PMASK* b, int dx, int dy) {
    return collide<false>(a, b, dx, dy, nullptr);
}

int check_pmask_collision(const PMASK* a, const PMASK* b, int x1, int y1, int x2, int y2) {
    return collide<false>(a, b, x2 - x1, y2 - y1, nullptr);
}

int _check_pmask_collision_position(const PMASK* a, const PMASK* b, int dx, int dy, int* result) {
    return collide<true>(a, b, dx, dy, result);
}

int check_pmask_collision_position(const PMASK* a, const PMASK* b, int x1, int y1, int x2, int y2, int* result) {
    int point[2];
    if (!collide<true>(a, b, x2 - x1, y2 - y1, point)) return 0;
    result[0] = point[0] + x1;
    result[1] = point[1] + y1;
    return 1;
}

int bsf(int value) {
    auto v = static_cast<uint32_t>(value);
    if (v == 0) return -1;
    int n = 0;
    if ((v & 0xFFFFu) == 0) { v >>= 16; n += 16; }
    if ((v & 0xFFu) == 0) { v >>= 8; n += 8; }
    if ((v & 0xFu) == 0) { v >>= 4; n += 4; }
    if ((v & 0x3u) == 0) { v >>= 2; n += 2; }
    if ((v & 0x1u) == 0) n += 1;
    return n;
}
