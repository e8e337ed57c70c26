// Pixel-exact overlap tests of two masks, 32 columns per AND, with or without the contact point;
// with SSE2, four rows of a strip pair per vector instruction.
#include "masks/pmask.h"

#include <algorithm>
#include <utility>

#include "masks/collision_scans.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// A scan looks at one strip pair over its n overlapping rows (n >= 1): row r's common bits are
// (shifted[r] >> shift) & other[r], a logical shift of unsigned words by 0 to 31. Which mask's
// words are shifted depends on the half of the strip pair (see later_bands), hence the neutral
// names.
//   any:  whether some row has a common bit;
//   last: the common bits of the lowest row (highest r) that has any, and r in *row; 0 if none.
// The plain scans, one word at a time.
struct PlainScan {
    static bool any(const uint32_t* shifted, unsigned shift, const uint32_t* other, int n) {
        for (int r = 0; r < n; r++)
            if ((shifted[r] >> shift) & other[r]) return true;
        return false;
    }

    static uint32_t last(const uint32_t* shifted, unsigned shift, const uint32_t* other, int n, int* row) {
        for (int r = n - 1; r >= 0; r--) {
            const uint32_t v = (shifted[r] >> shift) & other[r];
            if (v) {
                *row = r;
                return v;
            }
        }
        return 0;
    }
};

#ifdef __SSE2__
// The same scans four rows to a vector, two vectors ORed before one test; the contact point's
// scan tests its first vector on its own, since a hit there ends it at once. The rows' count
// need not be a multiple of four: the last vector is loaded so that it ends at the last row and
// overlaps rows already seen, which are known clear, so it neither reads beyond the strip nor
// changes an answer. Fewer rows than a vector holds go word by word.
struct VectorScan {
    static __m128i four_rows(const uint32_t* shifted, __m128i shift, const uint32_t* other, int r) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(shifted + r));
        const __m128i o = _mm_loadu_si128(reinterpret_cast<const __m128i*>(other + r));
        return _mm_and_si128(_mm_srl_epi32(s, shift), o);
    }

    // One bit per byte of v that is 0 (SSE2 has no test of a whole register).
    static int zero_bytes(__m128i v) { return _mm_movemask_epi8(_mm_cmpeq_epi32(v, _mm_setzero_si128())); }

    static bool clear(__m128i v) { return zero_bytes(v) == 0xFFFF; }

    // The highest row of a vector that starts at row base and is not clear.
    static int highest_row(__m128i v, int base) {
        const auto set = static_cast<unsigned>(~zero_bytes(v) & 0xFFFF);
        return base + ((31 - __builtin_clz(set)) >> 2);
    }

    // Top down: the order does not change the answer, and a tile's top rows are where a body
    // standing on it or walking into it meets it first.
    static bool any(const uint32_t* shifted, unsigned shift, const uint32_t* other, int n) {
        if (n < 4) return PlainScan::any(shifted, shift, other, n);
        const __m128i count = _mm_cvtsi32_si128(static_cast<int>(shift));
        int r = 0;
        for (; r + 8 <= n; r += 8)
            if (!clear(_mm_or_si128(four_rows(shifted, count, other, r), four_rows(shifted, count, other, r + 4))))
                return true;
        if (r == n) return false;
        __m128i rest = four_rows(shifted, count, other, n - 4);
        if (n - r > 4) rest = _mm_or_si128(rest, four_rows(shifted, count, other, r));
        return !clear(rest);
    }

    // Bottom up, as the contact point's rule wants: the first vector that is not clear holds the
    // row, and its highest lane that is not 0 is that row.
    static uint32_t last(const uint32_t* shifted, unsigned shift, const uint32_t* other, int n, int* row) {
        if (n < 4) return PlainScan::last(shifted, shift, other, n, row);
        const __m128i count = _mm_cvtsi32_si128(static_cast<int>(shift));
        const __m128i bottom = four_rows(shifted, count, other, n - 4);
        int r = 0;
        if (!clear(bottom))
            r = highest_row(bottom, n - 4);
        else if ((r = highest_row_above(shifted, count, other, n - 4)) < 0)
            return 0;
        *row = r;
        return (shifted[r] >> shift) & other[r];
    }

    // The highest of rows 0 .. top - 1 with a common bit, or -1, eight rows to a test; the rows
    // from top on are clear and number at least four. Out of line, so that a hit on the first
    // vector takes a short path through the caller, without the set-up of this loop.
    __attribute__((noinline)) static int highest_row_above(const uint32_t* shifted, __m128i count,
                                                           const uint32_t* other, int top) {
        for (; top >= 8; top -= 8) {
            const __m128i high = four_rows(shifted, count, other, top - 4);
            const __m128i low = four_rows(shifted, count, other, top - 8);
            if (clear(_mm_or_si128(high, low))) continue;
            return clear(high) ? highest_row(low, top - 8) : highest_row(high, top - 4);
        }
        if (top > 4) {
            const __m128i high = four_rows(shifted, count, other, top - 4);
            if (!clear(high)) return highest_row(high, top - 4);
        }
        if (top == 0) return -1;
        const __m128i low = four_rows(shifted, count, other, 0);
        return clear(low) ? -1 : highest_row(low, 0);
    }
};
#endif

// What a scan of the bands found: the common bits of the hit's row (0 for none), B's column of
// the word's bit 0 and the row within the overlap.
struct Hit {
    uint32_t bits;
    int column;
    int row;
};

// One band: B's columns from column on, as the strip at shifted and the strip at other line up.
// The hit's row when the point is wanted, else only whether there is one.
template <bool with_point, class Scan>
inline Hit scan_band(const uint32_t* shifted, unsigned shift, const uint32_t* other, int n, int column) {
    Hit hit{0, column, 0};
    if (with_point)
        hit.bits = Scan::last(shifted, shift, other, n, &hit.row);
    else
        hit.bits = Scan::any(shifted, shift, other, n) ? 1u : 0u;
    return hit;
}

// The bands after the first, left to right: pa is A's strip where B's column 0 lies, at bit s,
// with a_left strips of A from there on (at least two) and b_left of B. Out of line, so that the
// callers keep a short path for masks of one strip.
template <bool with_point, class Scan>
__attribute__((noinline)) Hit later_bands(const uint32_t* pa, int a_h, int a_left, const uint32_t* pb, int b_h,
                                          int b_left, int n, unsigned s) {
    Hit hit{0, 0, 0};
    if (s == 0) {
        for (int column = 32; --a_left > 0 && --b_left > 0; column += 32) {
            pa += a_h;
            pb += b_h;
            if ((hit = scan_band<with_point, Scan>(pa, 0, pb, n, column)).bits) break;
        }
        return hit;
    }
    for (int column = 0;; column += 32) {
        // B's columns column .. column + 31 - s lie in A's strip S + j, from bit s up; that band
        // of the first strip pair is the callers' own.
        if (column > 0 && (hit = scan_band<with_point, Scan>(pa, s, pb, n, column)).bits) return hit;
        if (--a_left == 0) return hit;
        pa += a_h;
        // B's columns column + 32 - s .. column + 31 lie in A's strip S + j + 1, from bit 0
        // up: B's word shifted down by 32 - s lines them up with it.
        if ((hit = scan_band<with_point, Scan>(pb, 32u - s, pa, n, column + 32 - static_cast<int>(s))).bits)
            return hit;
        if (--b_left == 0) return hit;
        pb += b_h;
    }
}

// The yes/no test after the first band's first row, which the caller has tested: the band's
// other rows, then the later bands. B's top-left lies at (dx, ...) in A's frame, dx >= 0; pa, pb
// and n as for later_bands. Few arguments, so that the caller needs few registers kept.
template <class Scan>
__attribute__((noinline)) int later_rows(const PMASK* A, const PMASK* B, const uint32_t* pa, const uint32_t* pb,
                                         int n, int dx) {
    const unsigned s = static_cast<unsigned>(dx & 31);
    if (n > 1 && Scan::any(pa + 1, s, pb + 1, n - 1)) return 1;
    const int a_left = pmask_strips(A->w) - (dx >> 5);
    return a_left > 1 && later_bands<false, Scan>(pa, A->h, a_left, pb, B->h, pmask_strips(B->w), n, s).bits;
}

// Steps shared by both variants, with either kind of scan. With_point also works out the common
// pixel, in the frame of the mask passed first, and stores it moved by (x0, y0) when point is
// non-null; the yes/no tests are compiled without that bookkeeping, since the game runs them on
// every logic tick. The move is made here so that the absolute form stores its point once,
// rather than reading back a local copy and storing it again.
template <bool with_point, class Scan>
int collide(const PMASK* a, const PMASK* b, int dx, int dy, int* point, int x0 = 0, int y0 = 0) {
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
    const int a_left = pmask_strips(A->w) - S;  // A's strips from S on
    // None when B only touches A's right edge at a multiple of 32 (possible after the swap).
    if (a_left <= 0) return 0;

    // The first band, B's columns 0 .. 31 - s against A's strip S from bit s up, is the only one
    // when A has one strip from S on, as with every mask of the game (all are 32 wide).
    if (!with_point) {
        // The band's first row alone first: in the game's tests it often decides.
        if ((pa[0] >> s) & pb[0]) return 1;
        return later_rows<Scan>(A, B, pa, pb, n, dx);
    }
    Hit hit = scan_band<with_point, Scan>(pa, s, pb, n, 0);
    if (!hit.bits && a_left > 1) hit = later_bands<with_point, Scan>(pa, a_h, a_left, pb, b_h, pmask_strips(B->w), n, s);
    if (!hit.bits) return 0;

    if (with_point && point) {
        int cB = hit.column + __builtin_ctz(hit.bits);
        int rB = b_row + hit.row;
        if (!swapped) {
            cB += dx_in;
            rB += dy_in;
        }
        // After a swap B is the mask passed first: its own frame is the answer's frame.
        point[0] = cB + x0;
        point[1] = rB + y0;
    }
    return 1;
}

// The four entry points over one kind of scan.
template <class Scan>
struct Entries {
    static int check_offset(const PMASK* a, const PMASK* b, int dx, int dy) {
        return collide<false, Scan>(a, b, dx, dy, nullptr);
    }

    static int check(const PMASK* a, const PMASK* b, int x1, int y1, int x2, int y2) {
        return collide<false, Scan>(a, b, x2 - x1, y2 - y1, nullptr);
    }

    static int position_offset(const PMASK* a, const PMASK* b, int dx, int dy, int* result) {
        return collide<true, Scan>(a, b, dx, dy, result);
    }

    static int position(const PMASK* a, const PMASK* b, int x1, int y1, int x2, int y2, int* result) {
        return collide<true, Scan>(a, b, x2 - x1, y2 - y1, result, x1, y1);
    }
};

#ifdef __SSE2__
using TargetScan = VectorScan;
#else
using TargetScan = PlainScan;
#endif

}  // namespace

int _check_pmask_collision(const PMASK* a, const PMASK* b, int dx, int dy) {
    return Entries<TargetScan>::check_offset(a, b, dx, dy);
}

int check_pmask_collision(const PMASK* a, const PMASK* b, int x1, int y1, int x2, int y2) {
    return Entries<TargetScan>::check(a, b, x1, y1, x2, y2);
}

int _check_pmask_collision_position(const PMASK* a, const PMASK* b, int dx, int dy, int* result) {
    return Entries<TargetScan>::position_offset(a, b, dx, dy, result);
}

int check_pmask_collision_position(const PMASK* a, const PMASK* b, int x1, int y1, int x2, int y2, int* result) {
    return Entries<TargetScan>::position(a, b, x1, y1, x2, y2, result);
}

const pmask_collision_set pmask_collisions = {"library", check_pmask_collision, _check_pmask_collision,
                                              check_pmask_collision_position, _check_pmask_collision_position};

const pmask_collision_set pmask_plain_collisions = {"plain", Entries<PlainScan>::check,
                                                    Entries<PlainScan>::check_offset, Entries<PlainScan>::position,
                                                    Entries<PlainScan>::position_offset};

int bsf(int value) { return value ? __builtin_ctz(static_cast<unsigned>(value)) : -1; }
