// Pixel-exact overlap tests of two masks, 32 columns per AND, with or without the contact point.
#include "masks/pmask.h"

#include <algorithm>
#include <utility>

namespace {

// One test of a strip pair over every overlapping row, bottom row first. Returns the first
// non-zero AND of (A word >> a_shift) and (B word >> b_shift), and its row in *row; 0 if none.
inline uint32_t scan_rows(const PMASK* A, int ka, int a_row, unsigned a_shift, const PMASK* B, int kb, int b_row,
                          unsigned b_shift, int n, int* row) {
    const uint32_t* pa = A->bits + ka * A->h + a_row;
    const uint32_t* pb = B->bits + kb * B->h + b_row;
    for (int r = n - 1; r >= 0; r--) {
        const uint32_t v = (pa[r] >> a_shift) & (pb[r] >> b_shift);
        if (v) {
            *row = r;
            return v;
        }
    }
    return 0;
}

// Steps shared by both variants. When a common pixel is found and point is non-null, it receives
// the pixel in the frame of the mask passed first.
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

    const int a_row = dy >= 0 ? dy : 0;
    const int b_row = dy >= 0 ? 0 : -dy;
    const int n = std::min(A->h - a_row, B->h - b_row);
    if (n <= 0) return 0;

    const int S = dx >> 5;  // A's strip holding B's column 0
    const int s = dx & 31;  // B's column 0 within that strip
    const int a_strips = A->w > 0 ? pmask_strips(A->w) : 0;
    const int b_strips = B->w > 0 ? pmask_strips(B->w) : 0;

    int r = 0;
    uint32_t v = 0;
    int cB = 0;  // B's column of the hit
    if (s == 0) {
        for (int j = 0; S + j < a_strips && j < b_strips; j++) {
            if ((v = scan_rows(A, S + j, a_row, 0, B, j, b_row, 0, n, &r))) {
                cB = 32 * j + bsf(static_cast<int>(v));
                break;
            }
        }
    } else {
        if (S >= a_strips) return 0;
        for (int j = 0;; j++) {
            // B's columns 32j .. 32j + 31 - s lie in A's strip S + j.
            if ((v = scan_rows(A, S + j, a_row, static_cast<unsigned>(s), B, j, b_row, 0, n, &r))) {
                cB = 32 * j + bsf(static_cast<int>(v));
                break;
            }
            if (S + j + 1 >= a_strips) return 0;
            // B's columns 32j + 32 - s .. 32j + 31 lie in A's strip S + j + 1.
            if ((v = scan_rows(A, S + j + 1, a_row, 0, B, j, b_row, static_cast<unsigned>(32 - s), n, &r))) {
                cB = 32 * j + bsf(static_cast<int>(v)) + (32 - s);
                break;
            }
            if (j + 1 >= b_strips) return 0;
        }
    }
    if (!v) return 0;

    if (point) {
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
    return collide(a, b, dx, dy, nullptr);
}

int check_pmask_collision(const PMASK* a, const PMASK* b, int x1, int y1, int x2, int y2) {
    return collide(a, b, x2 - x1, y2 - y1, nullptr);
}

int _check_pmask_collision_position(const PMASK* a, const PMASK* b, int dx, int dy, int* result) {
    return collide(a, b, dx, dy, result);
}

int check_pmask_collision_position(const PMASK* a, const PMASK* b, int x1, int y1, int x2, int y2, int* result) {
    int point[2];
    if (!collide(a, b, x2 - x1, y2 - y1, point)) return 0;
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
