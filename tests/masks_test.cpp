// Tests of the pixel-mask library: the record and its loaders, the overlap tests against a
// pixel-by-pixel oracle, the byte form, and drawing onto bitmaps of every depth.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "masks/collision_scans.h"
#include "masks/pmask.h"
#include "test_util.h"

namespace {

using Offset = std::pair<int, int>;

// ---------------------------------------------------------------------------------------------
// A mask as a plain grid of pixels: what the library's packed words are checked against.

struct Grid {
    int w = 0, h = 0;
    std::vector<uint8_t> px;  // row-major, 1 solid
    Grid() = default;
    Grid(int w_, int h_) : w(w_), h(h_), px(static_cast<size_t>(w_) * static_cast<size_t>(h_), 0) {}
    size_t index(int x, int y) const { return static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x); }
    bool at(int x, int y) const { return px[index(x, y)] != 0; }
    void set(int x, int y, bool v) { px[index(x, y)] = v; }
    bool inside(int x, int y) const { return x >= 0 && x < w && y >= 0 && y < h; }
};

Grid random_grid(std::mt19937& rng, int w, int h, double density) {
    Grid g(w, h);
    std::bernoulli_distribution solid(density);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) g.set(x, y, solid(rng));
    return g;
}

Grid solid_grid(int w, int h) {
    Grid g(w, h);
    std::fill(g.px.begin(), g.px.end(), 1);
    return g;
}

// Owns a created mask.
struct MaskPtr {
    PMASK* m = nullptr;
    explicit MaskPtr(PMASK* p = nullptr) : m(p) {}
    MaskPtr(MaskPtr&& o) noexcept : m(o.m) { o.m = nullptr; }
    MaskPtr& operator=(MaskPtr&& o) noexcept {
        std::swap(m, o.m);
        return *this;
    }
    MaskPtr(const MaskPtr&) = delete;
    MaskPtr& operator=(const MaskPtr&) = delete;
    ~MaskPtr() {
        if (m) destroy_pmask(m);
    }
    PMASK* get() const { return m; }
};

// Builds a mask by setting every pixel, the documented way to fill a record without a loader.
MaskPtr mask_from(const Grid& g) {
    MaskPtr m(create_pmask(g.w, g.h));
    for (int y = 0; y < g.h; y++)
        for (int x = 0; x < g.w; x++) set_pmask_pixel(m.get(), x, y, g.at(x, y));
    return m;
}

// The bit of pixel (x, y) read straight from the packed words: strips of 32 columns, one word
// per row, the least significant bit the leftmost column.
bool raw_bit(const PMASK* m, int x, int y) {
    return (m->bits[static_cast<size_t>(x / 32) * static_cast<size_t>(m->h) + static_cast<size_t>(y)] >> (x % 32)) & 1u;
}

// Every bit of every word, the columns beyond the width included, against the grid (0 there).
::testing::AssertionResult same_pixels(const PMASK* m, const Grid& g) {
    if (m->w != g.w || m->h != g.h)
        return ::testing::AssertionFailure() << "size " << m->w << "x" << m->h << ", wanted " << g.w << "x" << g.h;
    const int strips = (g.w + 31) / 32;
    for (int y = 0; y < g.h; y++)
        for (int x = 0; x < strips * 32; x++) {
            const bool want = x < g.w && g.at(x, y);
            if (raw_bit(m, x, y) != want)
                return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << raw_bit(m, x, y);
        }
    return ::testing::AssertionSuccess();
}

// ---------------------------------------------------------------------------------------------
// The overlap oracle, in the frame of the mask passed first; b's top-left at (dx, dy).

bool common_pixel(const Grid& a, const Grid& b, int dx, int dy, int x, int y) {
    return a.inside(x, y) && a.at(x, y) && b.inside(x - dx, y - dy) && b.at(x - dx, y - dy);
}

int floor_mod(int v, int m) { return ((v % m) + m) % m; }

// The reported point: the overlap is cut into bands of columns at every strip boundary of a
// (columns 32k of a) and of b (columns dx + 32k of a); bands left to right, within a band the
// rows from the bottom up, and on the first row that has a common pixel, its leftmost one.
std::optional<std::pair<int, int>> oracle_point(const Grid& a, const Grid& b, int dx, int dy) {
    const int x_lo = std::max(0, dx), x_hi = std::min(a.w, dx + b.w);
    const int y_lo = std::max(0, dy), y_hi = std::min(a.h, dy + b.h);
    if (x_lo >= x_hi || y_lo >= y_hi) return std::nullopt;
    for (int start = x_lo; start < x_hi;) {
        // The band runs up to the next strip boundary of either mask, or the overlap's end.
        int end = start + 1;
        while (end < x_hi && end % 32 != 0 && floor_mod(end - dx, 32) != 0) end++;
        for (int y = y_hi - 1; y >= y_lo; y--)
            for (int x = start; x < end; x++)
                if (common_pixel(a, b, dx, dy, x, y)) return std::make_pair(x, y);
        start = end;
    }
    return std::nullopt;
}

// Whether any solid pixel is shared, by looking at every pixel of a.
bool oracle_hit(const Grid& a, const Grid& b, int dx, int dy) {
    for (int y = 0; y < a.h; y++)
        for (int x = 0; x < a.w; x++)
            if (common_pixel(a, b, dx, dy, x, y)) return true;
    return false;
}

// Compares all four test functions of a set with the oracle for one ordered pair at one offset.
// Returns an empty string when they agree.
std::string check_ordered(const pmask_collision_set& f, const Grid& ga, const PMASK* a, const Grid& gb, const PMASK* b,
                          int dx, int dy) {
    const auto want = oracle_point(ga, gb, dx, dy);
    const int hit = want ? 1 : 0;
    const auto where = [&] {
        return " a " + std::to_string(ga.w) + "x" + std::to_string(ga.h) + " b " + std::to_string(gb.w) + "x" +
               std::to_string(gb.h) + " offset (" + std::to_string(dx) + ", " + std::to_string(dy) + ")";
    };
    if (f.check_offset(a, b, dx, dy) != hit) return "_check_pmask_collision" + where();
    // Absolute positions: a placed somewhere else, b moved along.
    const int x1 = 17 - dy, y1 = -5 + dx;
    if (f.check(a, b, x1, y1, x1 + dx, y1 + dy) != hit) return "check_pmask_collision" + where();
    int point[2] = {-12345, -12345};
    if (f.position_offset(a, b, dx, dy, point) != hit) return "_check_pmask_collision_position" + where();
    if (want && (point[0] != want->first || point[1] != want->second))
        return "point (" + std::to_string(point[0]) + ", " + std::to_string(point[1]) + "), wanted (" +
               std::to_string(want->first) + ", " + std::to_string(want->second) + ")" + where();
    if (!want && (point[0] != -12345 || point[1] != -12345)) return "point written on a miss" + where();
    int abs_point[2] = {-999, -999};
    if (f.position(a, b, x1, y1, x1 + dx, y1 + dy, abs_point) != hit)
        return "check_pmask_collision_position" + where();
    if (want && (abs_point[0] != want->first + x1 || abs_point[1] != want->second + y1))
        return "absolute point" + where();
    if (!want && (abs_point[0] != -999 || abs_point[1] != -999)) return "absolute point written on a miss" + where();
    return "";
}

// Every offset at which the boxes overlap or touch, in both argument orders.
std::string check_every_offset(const pmask_collision_set& f, const Grid& ga, const Grid& gb) {
    MaskPtr a = mask_from(ga), b = mask_from(gb);
    for (int dy = -gb.h; dy <= ga.h; dy++)
        for (int dx = -gb.w; dx <= ga.w; dx++) {
            std::string err = check_ordered(f, ga, a.get(), gb, b.get(), dx, dy);
            if (err.empty()) err = check_ordered(f, gb, b.get(), ga, a.get(), -dx, -dy);
            if (!err.empty()) return err;
        }
    return "";
}

// ---------------------------------------------------------------------------------------------
// The record, pixel access and the loaders

TEST(MaskRecord, LayoutIsStripsOfThirtyTwoColumnsOneWordPerRow) {
    MaskPtr m(create_pmask(40, 3));
    ASSERT_NE(m.get(), nullptr);
    EXPECT_EQ(m.get()->w, 40);
    EXPECT_EQ(m.get()->h, 3);
    for (int i = 0; i < 6; i++) m.get()->bits[i] = 0;
    set_pmask_pixel(m.get(), 35, 1, 1);
    EXPECT_EQ(m.get()->bits[4], 8u);
    for (int i = 0; i < 6; i++)
        if (i != 4) {
            EXPECT_EQ(m.get()->bits[i], 0u) << "word " << i;
        }
    set_pmask_pixel(m.get(), 0, 2, 1);
    set_pmask_pixel(m.get(), 31, 0, 1);
    EXPECT_EQ(m.get()->bits[2], 1u);
    EXPECT_EQ(m.get()->bits[0], 0x80000000u);
    EXPECT_EQ(pmask_strips(32), 1);
    EXPECT_EQ(pmask_strips(33), 2);
    EXPECT_EQ(pmask_strips(1), 1);
    EXPECT_EQ(pmask_strips(64), 2);
    EXPECT_EQ(pmask_strips(65), 3);
}

TEST(MaskRecord, CreateClearsTheLastStrip) {
    MaskPtr m(create_pmask(33, 5));
    ASSERT_NE(m.get(), nullptr);
    for (int r = 0; r < 5; r++) EXPECT_EQ(m.get()->bits[5 + r], 0u) << "row " << r;
    PMASK own;
    init_pmask(&own, 70, 4);
    ASSERT_EQ(own.w, 70);
    for (int r = 0; r < 4; r++) EXPECT_EQ(own.bits[2 * 4 + r], 0u) << "row " << r;
    deinit_pmask(&own);
    EXPECT_EQ(own.w, 0);
    EXPECT_EQ(own.h, 0);
    EXPECT_EQ(own.bits, nullptr);
}

TEST(MaskRecord, SizesOutsideOneToMaxAreRefused) {
    const std::pair<int, int> bad[] = {{40000, 10}, {10, 40000}, {32768, 1}, {1, 32768}, {0, 10},
                                       {10, 0},     {0, 0},      {-1, 10},   {10, -1},   {-40000, -40000}};
    for (const auto& [w, h] : bad) {
        EXPECT_EQ(create_pmask(w, h), nullptr) << w << "x" << h;
        PMASK m;
        m.w = 3;
        m.h = 4;
        m.bits = reinterpret_cast<uint32_t*>(&m);  // garbage: the record is taken as empty
        init_pmask(&m, w, h);
        EXPECT_EQ(m.w, 0) << w << "x" << h;
        EXPECT_EQ(m.h, 0) << w << "x" << h;
        EXPECT_EQ(m.bits, nullptr) << w << "x" << h;
    }
    // The extremes that fit are taken.
    MaskPtr one(create_pmask(1, 1));
    ASSERT_NE(one.get(), nullptr);
    EXPECT_EQ(one.get()->bits[0], 0u);
    MaskPtr tall(create_pmask(1, 32767));
    ASSERT_NE(tall.get(), nullptr);
    EXPECT_EQ(tall.get()->h, 32767);
    MaskPtr wide(create_pmask(32767, 1));
    ASSERT_NE(wide.get(), nullptr);
    EXPECT_EQ(wide.get()->w, 32767);
}

TEST(MaskRecord, SetAndGetPixel) {
    std::mt19937 rng(11);
    const Grid g = random_grid(rng, 45, 9, 0.5);
    MaskPtr m = mask_from(g);
    EXPECT_TRUE(same_pixels(m.get(), g));
    for (int y = 0; y < g.h; y++)
        for (int x = 0; x < g.w; x++) ASSERT_EQ(get_pmask_pixel(m.get(), x, y), g.at(x, y) ? 1 : 0);
    set_pmask_pixel(m.get(), 44, 8, 7);
    EXPECT_EQ(get_pmask_pixel(m.get(), 44, 8), 1);
    set_pmask_pixel(m.get(), 44, 8, 0);
    EXPECT_EQ(get_pmask_pixel(m.get(), 44, 8), 0);
    set_pmask_pixel(m.get(), 3, 0, -1);
    EXPECT_EQ(get_pmask_pixel(m.get(), 3, 0), 1);
}

// A pixel source for pmask_load_func that records the order of the calls.
struct Surface {
    int w, h;
    std::vector<int> value;
    std::vector<std::pair<int, int>> calls;
};

int surface_pixel(void* s, int x, int y) {
    auto* surf = static_cast<Surface*>(s);
    surf->calls.emplace_back(x, y);
    return surf->value[static_cast<size_t>(y) * static_cast<size_t>(surf->w) + static_cast<size_t>(x)];
}

TEST(MaskLoad, FuncReadsTheBlockAtTheOriginOncePerPixelInStripRowOrder) {
    std::mt19937 rng(5);
    Surface s{80, 20, {}, {}};
    std::uniform_int_distribution<int> pick(0, 3);
    for (int i = 0; i < s.w * s.h; i++) s.value.push_back(pick(rng));
    const int x0 = 7, y0 = 4, w = 37, h = 6, colour = 2;
    MaskPtr m(create_pmask(w, h));
    // Stale words: the loader must write every one of them.
    for (int i = 0; i < 2 * h; i++) m.get()->bits[i] = 0xFFFFFFFFu;
    pmask_load_func(m.get(), x0, y0, &s, colour, surface_pixel);
    Grid want(w, h);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            want.set(x, y, s.value[static_cast<size_t>(y0 + y) * 80 + static_cast<size_t>(x0 + x)] != colour);
    EXPECT_TRUE(same_pixels(m.get(), want));

    std::vector<std::pair<int, int>> order;
    for (int k = 0; k < 2; k++)
        for (int r = 0; r < h; r++)
            for (int n = 31; n >= 0; n--)
                if (32 * k + n < w) order.emplace_back(x0 + 32 * k + n, y0 + r);
    EXPECT_EQ(s.calls, order);

    s.calls.clear();
    pmask_load_func(nullptr, 0, 0, &s, 0, surface_pixel);
    EXPECT_TRUE(s.calls.empty());
    PMASK empty;
    init_pmask(&empty, 0, 5);
    pmask_load_func(&empty, 0, 0, &s, 0, surface_pixel);
    EXPECT_TRUE(s.calls.empty());
}

TEST(MaskLoad, PixelsKeyMarksSolidLittleEndian) {
    const int w = 35, h = 3, pitch = 2 * w + 6;
    std::vector<unsigned char> buf(static_cast<size_t>(pitch) * h, 0);
    Grid want(w, h);
    std::mt19937 rng(3);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            unsigned char* p = &buf[static_cast<size_t>(y) * pitch + 2 * static_cast<size_t>(x)];
            switch (rng() % 4) {
                case 0: p[0] = 0x34; p[1] = 0x12; want.set(x, y, true); break;
                case 1: p[0] = 0x12; p[1] = 0x34; break;  // the bytes the wrong way round
                case 2: p[0] = 0x34; p[1] = 0x13; break;
                default: p[0] = 0x00; p[1] = 0x12; break;
            }
        }
    MaskPtr m(create_pmask(w, h));
    for (int i = 0; i < 2 * h; i++) m.get()->bits[i] = 0xFFFFFFFFu;
    pmask_load_pixels(m.get(), buf.data(), pitch, 2, 0x1234);
    EXPECT_TRUE(same_pixels(m.get(), want));
    // Bytes above the pixel size are not compared.
    pmask_load_pixels(m.get(), buf.data(), pitch, 2, 0x7F001234);
    EXPECT_TRUE(same_pixels(m.get(), want));
}

TEST(MaskLoad, PixelsOneThreeFourAndZeroBytes) {
    const int w = 40, h = 2;
    for (int bpp = 0; bpp <= 4; bpp++) {
        const int pitch = std::max(1, bpp) * w;
        const uint32_t key = 0xA1B2C3D4u;
        std::vector<unsigned char> buf(static_cast<size_t>(pitch) * h, 0);
        Grid want(w, h);
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++) {
                const bool solid = (x * 7 + y * 3) % 5 < 2;
                for (int i = 0; i < bpp; i++)
                    buf[static_cast<size_t>(y * pitch + x * bpp + i)] =
                        static_cast<unsigned char>((key >> (8 * i)) ^ (solid || i != bpp - 1 ? 0 : 1));
                want.set(x, y, bpp == 0 || solid);
            }
        MaskPtr m(create_pmask(w, h));
        pmask_load_pixels(m.get(), buf.data(), pitch, bpp, static_cast<int>(key));
        EXPECT_TRUE(same_pixels(m.get(), want)) << bpp << " bytes per pixel";
    }
    pmask_load_pixels(nullptr, nullptr, 0, 4, 0);  // returns at once, reads nothing
}

TEST(MaskLoad, AllegroMaskColourIsEmptyEverythingElseSolid) {
    init_headless_allegro();
    for (int depth : {8, 15, 16, 24, 32}) {
        BITMAP* bmp = create_bitmap_ex(depth, 45, 7);
        ASSERT_NE(bmp, nullptr);
        const int mask_colour = bitmap_mask_color(bmp);
        clear_to_color(bmp, mask_colour);
        MaskPtr empty(create_allegro_pmask(bmp));
        ASSERT_NE(empty.get(), nullptr);
        EXPECT_TRUE(same_pixels(empty.get(), Grid(45, 7))) << depth;

        // Black is solid (at 8 bits black is the mask colour itself, so colour 1 stands in).
        clear_to_color(bmp, depth == 8 ? 1 : 0);
        PMASK own;
        init_allegro_pmask(&own, bmp);
        EXPECT_TRUE(same_pixels(&own, solid_grid(45, 7))) << depth;
        deinit_pmask(&own);

        Grid want(45, 7);
        std::mt19937 rng(static_cast<unsigned>(depth));
        for (int y = 0; y < 7; y++)
            for (int x = 0; x < 45; x++) {
                const bool solid = rng() % 2;
                putpixel(bmp, x, y, solid ? static_cast<int>(rng() % 200) + 1 : mask_colour);
                want.set(x, y, getpixel(bmp, x, y) != mask_colour);
            }
        MaskPtr mixed(create_allegro_pmask(bmp));
        EXPECT_TRUE(same_pixels(mixed.get(), want)) << depth;
        destroy_bitmap(bmp);
    }
}

TEST(MaskLoad, AllegroMagentaIsEmptyInThirtyTwoBits) {
    init_headless_allegro();
    BITMAP* bmp = create_bitmap_ex(32, 3, 1);
    putpixel(bmp, 0, 0, 0xFF00FF);
    putpixel(bmp, 1, 0, 0x000000);
    putpixel(bmp, 2, 0, 0xFF00FE);
    MaskPtr m(create_allegro_pmask(bmp));
    EXPECT_EQ(get_pmask_pixel(m.get(), 0, 0), 0);
    EXPECT_EQ(get_pmask_pixel(m.get(), 1, 0), 1);
    EXPECT_EQ(get_pmask_pixel(m.get(), 2, 0), 1);
    destroy_bitmap(bmp);
}

TEST(MaskLoad, AllegroBitmapTooLargeGivesNoMask) {
    init_headless_allegro();
    BITMAP* bmp = create_bitmap_ex(8, 40000, 1);
    ASSERT_NE(bmp, nullptr);
    clear_to_color(bmp, 1);
    EXPECT_EQ(create_allegro_pmask(bmp), nullptr);
    PMASK m;
    init_allegro_pmask(&m, bmp);
    EXPECT_EQ(m.w, 0);
    EXPECT_EQ(m.h, 0);
    EXPECT_EQ(m.bits, nullptr);
    destroy_bitmap(bmp);
}

// ---------------------------------------------------------------------------------------------
// Overlap tests

TEST(MaskCollision, BsfFindsTheLowestSetBit) {
    EXPECT_EQ(bsf(0), -1);
    EXPECT_EQ(bsf(1), 0);
    EXPECT_EQ(bsf(12), 2);
    EXPECT_EQ(bsf(static_cast<int>(0x80000000u)), 31);
    for (int n = 0; n < 32; n++) {
        const uint32_t bit = 1u << n;
        EXPECT_EQ(bsf(static_cast<int>(bit)), n);
        EXPECT_EQ(bsf(static_cast<int>(~(bit - 1u))), n);  // every bit from n up
        EXPECT_EQ(bsf(static_cast<int>(bit | 0x80000000u)), n);
    }
}

TEST(MaskCollision, SolidSquaresOverlapOrOnlyTouch) {
    MaskPtr a = mask_from(solid_grid(10, 10)), b = mask_from(solid_grid(10, 10));
    EXPECT_EQ(_check_pmask_collision(a.get(), b.get(), 9, 9), 1);
    EXPECT_EQ(_check_pmask_collision(a.get(), b.get(), -9, -9), 1);
    const Offset apart[] = {{10, 0}, {0, 10}, {-10, 0}, {0, -10}, {10, 10}, {-10, -10}, {10, -9}};
    for (auto [dx, dy] : apart)
        EXPECT_EQ(_check_pmask_collision(a.get(), b.get(), dx, dy), 0) << dx << ", " << dy;
    EXPECT_EQ(check_pmask_collision(a.get(), b.get(), 100, 50, 109, 59), 1);
    EXPECT_EQ(check_pmask_collision(a.get(), b.get(), 100, 50, 110, 59), 0);
}

TEST(MaskCollision, WorkedContactPoints) {
    Grid one(64, 1);
    one.set(40, 0, true);
    MaskPtr a = mask_from(one), b = mask_from(solid_grid(64, 1));
    int p[2] = {0, 0};
    EXPECT_EQ(_check_pmask_collision_position(a.get(), b.get(), 33, 0, p), 1);
    EXPECT_EQ(p[0], 40);
    EXPECT_EQ(p[1], 0);

    MaskPtr s1 = mask_from(solid_grid(64, 4)), s2 = mask_from(solid_grid(64, 4));
    EXPECT_EQ(_check_pmask_collision_position(s1.get(), s2.get(), 10, 1, p), 1);
    EXPECT_EQ(p[0], 10);
    EXPECT_EQ(p[1], 3);
    EXPECT_EQ(_check_pmask_collision_position(s2.get(), s1.get(), -10, -1, p), 1);
    EXPECT_EQ(p[0], 0);
    EXPECT_EQ(p[1], 2);

    // Absolute positions: a at (100, 200) adds (100, 200) to the relative point.
    EXPECT_EQ(check_pmask_collision_position(s1.get(), s2.get(), 100, 200, 110, 201, p), 1);
    EXPECT_EQ(p[0], 110);
    EXPECT_EQ(p[1], 203);
    p[0] = 7;
    p[1] = 8;
    EXPECT_EQ(check_pmask_collision_position(s1.get(), s2.get(), 100, 200, 164, 201, p), 0);
    EXPECT_EQ(p[0], 7);
    EXPECT_EQ(p[1], 8);

    // A null result: only the answer.
    EXPECT_EQ(_check_pmask_collision_position(s1.get(), s2.get(), 10, 1, nullptr), 1);
    EXPECT_EQ(_check_pmask_collision_position(s1.get(), s2.get(), 64, 1, nullptr), 0);
}

TEST(MaskCollision, EmptyRecordNeverCollides) {
    PMASK empty;
    init_pmask(&empty, 0, 0);
    MaskPtr full = mask_from(solid_grid(40, 40));
    for (int d : {-41, -40, -1, 0, 1, 39, 40}) {
        EXPECT_EQ(_check_pmask_collision(&empty, full.get(), d, d), 0);
        EXPECT_EQ(_check_pmask_collision(full.get(), &empty, d, d), 0);
        EXPECT_EQ(_check_pmask_collision(&empty, &empty, d, d), 0);
    }
}

// The tests against the pixel oracle run on both sets of the four functions: the library's own,
// whose rows go four to a vector on this machine, and the plain word-by-word scans that targets
// without vectors use.
class MaskCollisionOracle : public ::testing::TestWithParam<const pmask_collision_set*> {
  protected:
    const pmask_collision_set& f() const { return *GetParam(); }
};

INSTANTIATE_TEST_SUITE_P(Scans, MaskCollisionOracle, ::testing::Values(&pmask_collisions, &pmask_plain_collisions),
                         [](const ::testing::TestParamInfo<const pmask_collision_set*>& info) {
                             return std::string(info.param->name);
                         });

TEST_P(MaskCollisionOracle, OnePixelWideAgainstAHundredWide) {
    std::mt19937 rng(1);
    for (double density : {0.05, 0.5, 1.0}) {
        const Grid narrow = random_grid(rng, 1, 9, density), wide = random_grid(rng, 100, 5, density);
        MaskPtr a = mask_from(narrow), b = mask_from(wide);
        for (int dy = -5; dy <= 9; dy++)
            for (int dx = -100; dx <= 1; dx++) {
                const std::string err = check_ordered(f(), narrow, a.get(), wide, b.get(), dx, dy);
                ASSERT_EQ(err, "");
                ASSERT_EQ(check_ordered(f(), wide, b.get(), narrow, a.get(), -dx, -dy), "");
            }
    }
}

TEST_P(MaskCollisionOracle, AlignedOffsetsAgreeWithThePixels) {
    std::mt19937 rng(2);
    const Grid ga = random_grid(rng, 100, 12, 0.1), gb = random_grid(rng, 97, 10, 0.1);
    MaskPtr a = mask_from(ga), b = mask_from(gb);
    for (int dx : {-96, -64, -32, 0, 32, 64, 96})
        for (int dy = -10; dy <= 12; dy++) {
            ASSERT_EQ(check_ordered(f(), ga, a.get(), gb, b.get(), dx, dy), "");
            ASSERT_EQ(check_ordered(f(), gb, b.get(), ga, a.get(), -dx, -dy), "");
        }
}

// The oracle's own check: the band rule's point is a common pixel exactly when one exists.
TEST(MaskCollision, OracleBandPointIsACommonPixel) {
    std::mt19937 rng(9);
    for (int t = 0; t < 20; t++) {
        const Grid ga = random_grid(rng, 1 + static_cast<int>(rng() % 70), 1 + static_cast<int>(rng() % 20), 0.03);
        const Grid gb = random_grid(rng, 1 + static_cast<int>(rng() % 70), 1 + static_cast<int>(rng() % 20), 0.03);
        for (int dy = -gb.h; dy <= ga.h; dy += 3)
            for (int dx = -gb.w; dx <= ga.w; dx++) {
                const auto p = oracle_point(ga, gb, dx, dy);
                ASSERT_EQ(p.has_value(), oracle_hit(ga, gb, dx, dy));
                if (p) {
                    ASSERT_TRUE(common_pixel(ga, gb, dx, dy, p->first, p->second));
                }
            }
    }
}

// Random masks of the given sizes, with densities from almost empty to almost full, checked at
// every offset where the boxes overlap or touch, in both argument orders, by all four functions.
void check_random_pairs(const pmask_collision_set& f, std::mt19937& rng,
                        const std::vector<std::pair<Offset, Offset>>& sizes) {
    const double densities[] = {0.005, 0.03, 0.2, 0.6, 0.97};
    int n = 0;
    for (const auto& [sa, sb] : sizes) {
        const double da = densities[n % 5], db = densities[(n * 3 + 1) % 5];
        n++;
        const Grid ga = random_grid(rng, sa.first, sa.second, da), gb = random_grid(rng, sb.first, sb.second, db);
        ASSERT_EQ(check_every_offset(f, ga, gb), "") << "densities " << da << ", " << db;
    }
}

TEST_P(MaskCollisionOracle, SizesAroundStripBoundariesAgreeWithThePixelOracle) {
    std::mt19937 rng(1207);
    check_random_pairs(f(), rng, {{{1, 1}, {1, 1}},
                                   {{32, 8}, {32, 8}},
                                   {{33, 5}, {31, 7}},
                                   {{64, 6}, {1, 3}},
                                   {{100, 70}, {3, 2}},
                                   {{65, 9}, {63, 11}},
                                   {{96, 4}, {97, 5}},
                                   {{100, 20}, {100, 18}}});
}

TEST_P(MaskCollisionOracle, RandomMasksAgreeWithThePixelOracle) {
    std::mt19937 rng(20261207);
    std::uniform_int_distribution<int> width(1, 100), height(1, 70);
    std::vector<std::pair<Offset, Offset>> sizes;
    for (int i = 0; i < 16; i++) sizes.push_back({{width(rng), height(rng)}, {width(rng), height(rng)}});
    check_random_pairs(f(), rng, sizes);
}

// A mask whose solid pixels all lie on its last column: the zero bits beyond the width must
// never meet the other mask, at any shift.
TEST_P(MaskCollisionOracle, ColumnsBeyondTheWidthNeverCollide) {
    for (int w : {1, 5, 31, 33, 40, 63}) {
        Grid edge(w, 4);
        for (int y = 0; y < 4; y++) edge.set(w - 1, y, true);
        const Grid full = solid_grid(70, 4);
        ASSERT_EQ(check_every_offset(f(), edge, full), "") << "width " << w;
    }
}

// ---------------------------------------------------------------------------------------------
// Serialization

std::vector<unsigned char> serialized(const PMASK* m) {
    std::vector<unsigned char> buf(static_cast<size_t>(get_serialized_pmask_size(m->w, m->h)));
    EXPECT_EQ(serialize_pmask(buf.data(), static_cast<int>(buf.size()), m), static_cast<int>(buf.size()));
    return buf;
}

// Both readers on the same bytes; they must agree. Returns the mask read by the first.
struct ReadBack {
    int used_init = 0, used_create = 0;
    PMASK own{};
    MaskPtr made;
    ~ReadBack() {
        if (own.bits) deinit_pmask(&own);
    }
};

void read_both(const std::vector<unsigned char>& buf, int size, ReadBack* r) {
    r->own.w = 99;
    r->own.h = 99;
    r->own.bits = nullptr;
    r->used_init = init_deserialize_pmask(buf.data(), size, &r->own);
    r->used_create = 12345;
    r->made = MaskPtr(create_deserialize_pmask(buf.data(), size, &r->used_create));
}

TEST(MaskSerialize, SizeOfTheForm) {
    EXPECT_EQ(get_serialized_pmask_size(10, 2), 8);
    EXPECT_EQ(get_serialized_pmask_size(40, 1), 9);
    EXPECT_EQ(get_serialized_pmask_size(8, 3), 7);
    EXPECT_EQ(get_serialized_pmask_size(9, 3), 10);
    EXPECT_EQ(get_serialized_pmask_size(1, 1), 5);
    EXPECT_EQ(get_serialized_pmask_size(32767, 32767), 4 + 32767 * 4096);
}

TEST(MaskSerialize, WorkedExamplesByteForByte) {
    Grid g1(10, 2);
    g1.set(0, 0, true);
    g1.set(9, 0, true);
    g1.set(3, 1, true);
    Grid g2(40, 1);
    g2.set(0, 0, true);
    g2.set(33, 0, true);
    g2.set(39, 0, true);
    const std::pair<Grid, std::vector<unsigned char>> cases[] = {
        {g1, {0x0A, 0x00, 0x02, 0x00, 0x01, 0x02, 0x08, 0x00}},
        {g2, {0x28, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x82}},
    };
    for (const auto& [g, bytes] : cases) {
        MaskPtr m = mask_from(g);
        EXPECT_EQ(serialized(m.get()), bytes);
        ReadBack r;
        read_both(bytes, static_cast<int>(bytes.size()), &r);
        EXPECT_EQ(r.used_init, static_cast<int>(bytes.size()));
        EXPECT_EQ(r.used_create, static_cast<int>(bytes.size()));
        EXPECT_TRUE(same_pixels(&r.own, g));
        ASSERT_NE(r.made.get(), nullptr);
        EXPECT_TRUE(same_pixels(r.made.get(), g));
    }
}

TEST(MaskSerialize, RoundTripsKeepSizeAndPixels) {
    std::mt19937 rng(77);
    std::vector<std::pair<int, int>> sizes = {{1, 1}, {7, 1}, {8, 3}, {9, 3}, {31, 2}, {32, 2}, {33, 2},
                                              {63, 1}, {64, 4}, {65, 3}, {100, 70}, {1, 70}};
    std::uniform_int_distribution<int> width(1, 200), height(1, 40);
    for (int i = 0; i < 30; i++) sizes.emplace_back(width(rng), height(rng));
    for (const auto& [w, h] : sizes) {
        const Grid g = random_grid(rng, w, h, 0.5);
        MaskPtr m = mask_from(g);
        const auto bytes = serialized(m.get());
        // The bytes themselves: one bit per pixel, row by row, least significant bit leftmost.
        const int R = (w + 7) / 8;
        ASSERT_EQ(bytes.size(), static_cast<size_t>(4 + h * R));
        for (int y = 0; y < h; y++)
            for (int x = 0; x < R * 8; x++) {
                const bool bit = (bytes[static_cast<size_t>(4 + y * R + x / 8)] >> (x % 8)) & 1;
                ASSERT_EQ(bit, x < w && g.at(x, y)) << w << "x" << h << " pixel " << x << ", " << y;
            }
        ReadBack r;
        read_both(bytes, static_cast<int>(bytes.size()), &r);
        EXPECT_EQ(r.used_init, static_cast<int>(bytes.size()));
        EXPECT_EQ(r.used_create, r.used_init);
        EXPECT_TRUE(same_pixels(&r.own, g)) << w << "x" << h;
        ASSERT_NE(r.made.get(), nullptr);
        EXPECT_TRUE(same_pixels(r.made.get(), g)) << w << "x" << h;
    }
}

TEST(MaskSerialize, WriterRefusesAShortBufferAndTouchesNothingElse) {
    std::mt19937 rng(4);
    MaskPtr m = mask_from(random_grid(rng, 21, 5, 0.5));
    const int total = get_serialized_pmask_size(21, 5);
    for (int size : {total - 1, 3, 0, -1}) {
        std::vector<unsigned char> buf(static_cast<size_t>(total + 8), 0xA5);
        EXPECT_EQ(serialize_pmask(buf.data(), size, m.get()), -1) << size;
        EXPECT_EQ(buf, std::vector<unsigned char>(static_cast<size_t>(total + 8), 0xA5)) << size;
    }
    std::vector<unsigned char> buf(static_cast<size_t>(total + 8), 0xA5);
    EXPECT_EQ(serialize_pmask(buf.data(), total + 8, m.get()), total);
    for (int i = total; i < total + 8; i++) EXPECT_EQ(buf[static_cast<size_t>(i)], 0xA5) << i;

    PMASK empty;
    init_pmask(&empty, 0, 0);
    unsigned char four[6] = {9, 9, 9, 9, 9, 9};
    EXPECT_EQ(serialize_pmask(four, 6, &empty), 4);
    EXPECT_EQ(four[0] | four[1] | four[2] | four[3], 0);
    EXPECT_EQ(four[4], 9);
    EXPECT_EQ(serialize_pmask(four, 3, &empty), -1);
}

void expect_refused(const std::vector<unsigned char>& bytes, int size, const std::string& what) {
    ReadBack r;
    read_both(bytes, size, &r);
    EXPECT_EQ(r.used_init, -1) << what;
    EXPECT_EQ(r.own.w, 0) << what;
    EXPECT_EQ(r.own.h, 0) << what;
    EXPECT_EQ(r.own.bits, nullptr) << what;
    EXPECT_EQ(r.made.get(), nullptr) << what;
    EXPECT_EQ(r.used_create, -1) << what;
}

TEST(MaskSerialize, ReadersRefuseShortBuffers) {
    std::mt19937 rng(8);
    MaskPtr m = mask_from(random_grid(rng, 40, 6, 0.5));
    auto bytes = serialized(m.get());
    const int total = static_cast<int>(bytes.size());
    expect_refused(bytes, total - 1, "one byte short");
    expect_refused(bytes, 5, "header and one byte");
    for (int size = 0; size < 4; size++) expect_refused(bytes, size, "short header " + std::to_string(size));
    expect_refused(bytes, -7, "negative size");
}

TEST(MaskSerialize, ReadersRefuseBadHeaders) {
    const auto header = [](int w, int h) {
        // Enough row bytes after it for any width below, so only the size itself can fail.
        std::vector<unsigned char> b = {static_cast<unsigned char>(w & 0xFF), static_cast<unsigned char>(w >> 8),
                                        static_cast<unsigned char>(h & 0xFF), static_cast<unsigned char>(h >> 8)};
        b.resize(4 + 70000, 0x55);
        return b;
    };
    // Widths above 32767 do not fit the record; a side of 0 holds no pixel.
    const Offset bad[] = {{40000, 1}, {32768, 1}, {65535, 1}, {1, 40000}, {0, 1}, {0, 0}, {10, 0}, {0, 5000}};
    for (auto [w, h] : bad) {
        auto bytes = header(w, h);
        expect_refused(bytes, static_cast<int>(bytes.size()), std::to_string(w) + "x" + std::to_string(h));
    }
    // A header of 0 x 0 is exactly four bytes: still refused.
    expect_refused(std::vector<unsigned char>{0, 0, 0, 0}, 4, "bare 0x0 header");
    // The largest side that fits is read.
    auto wide = header(32767, 1);
    wide.resize(4 + 4096, 0);
    ReadBack r;
    read_both(wide, static_cast<int>(wide.size()), &r);
    EXPECT_EQ(r.used_init, 4 + 4096);
    EXPECT_EQ(r.own.w, 32767);
}

TEST(MaskSerialize, TwoMasksBackToBack) {
    std::mt19937 rng(12);
    const Grid g1 = random_grid(rng, 13, 4, 0.5), g2 = random_grid(rng, 50, 3, 0.5);
    MaskPtr m1 = mask_from(g1), m2 = mask_from(g2);
    auto bytes = serialized(m1.get());
    const auto second = serialized(m2.get());
    bytes.insert(bytes.end(), second.begin(), second.end());
    const int size = static_cast<int>(bytes.size());

    PMASK own;
    const int first = init_deserialize_pmask(bytes.data(), size, &own);
    ASSERT_EQ(first, get_serialized_pmask_size(13, 4));
    EXPECT_TRUE(same_pixels(&own, g1));
    deinit_pmask(&own);
    EXPECT_EQ(init_deserialize_pmask(bytes.data() + first, size - first, &own), static_cast<int>(second.size()));
    EXPECT_TRUE(same_pixels(&own, g2));
    deinit_pmask(&own);

    int used = 0;
    MaskPtr a(create_deserialize_pmask(bytes.data(), size, &used));
    ASSERT_EQ(used, first);
    MaskPtr b(create_deserialize_pmask(bytes.data() + used, size - used, &used));
    ASSERT_NE(b.get(), nullptr);
    EXPECT_EQ(used, static_cast<int>(second.size()));
    EXPECT_TRUE(same_pixels(a.get(), g1));
    EXPECT_TRUE(same_pixels(b.get(), g2));
}

TEST(MaskSerialize, BitsBeyondTheWidthAreClearedWhileReading) {
    // 10 x 2: bits 2-7 of each row's second byte lie beyond the width. 37 x 1: bits 5-7 of the
    // fifth byte, which land in the second strip's word.
    const std::pair<Grid, std::vector<unsigned char>> cases[] = {
        {[] {
             Grid g(10, 2);
             g.set(0, 0, true);
             g.set(9, 0, true);
             g.set(3, 1, true);
             return g;
         }(),
         {0x0A, 0x00, 0x02, 0x00, 0x01, 0xFE, 0x08, 0xFC}},
        {[] {
             Grid g(37, 1);
             g.set(36, 0, true);
             g.set(31, 0, true);
             return g;
         }(),
         {0x25, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x80, 0xF0}},
    };
    for (const auto& [g, bytes] : cases) {
        ReadBack r;
        read_both(bytes, static_cast<int>(bytes.size()), &r);
        EXPECT_EQ(r.used_init, static_cast<int>(bytes.size()));
        EXPECT_EQ(r.used_create, static_cast<int>(bytes.size()));
        // same_pixels reads every bit of every word, those beyond the width included.
        EXPECT_TRUE(same_pixels(&r.own, g));
        ASSERT_NE(r.made.get(), nullptr);
        EXPECT_TRUE(same_pixels(r.made.get(), g));
        // A solid mask just right of the width does not collide with what was read.
        MaskPtr right = mask_from(solid_grid(8, 2));
        EXPECT_EQ(_check_pmask_collision(&r.own, right.get(), g.w, 0), 0);
        EXPECT_EQ(_check_pmask_collision(right.get(), r.made.get(), -g.w, 0), 0);
        // Written again, the bytes come out clean.
        auto clean = bytes;
        const int R = (g.w + 7) / 8;
        const unsigned keep = g.w % 8 ? (1u << (g.w % 8)) - 1u : 0xFFu;
        for (int y = 0; y < g.h; y++) clean[static_cast<size_t>(4 + y * R + R - 1)] &= static_cast<unsigned char>(keep);
        EXPECT_EQ(serialized(&r.own), clean);
    }
}

// ---------------------------------------------------------------------------------------------
// Drawing

int cut_to_depth(int colour, int depth) {
    switch (depth) {
        case 8: return colour & 0xFF;
        case 15:
        case 16: return colour & 0xFFFF;
        case 24: return colour & 0xFFFFFF;
        default: return colour;
    }
}

int background(int x, int y, int depth) { return cut_to_depth((x * 37 + y * 11) & 0x7F, depth); }

void paint_background(BITMAP* bmp) {
    const int depth = bitmap_color_depth(bmp);
    for (int y = 0; y < bmp->h; y++)
        for (int x = 0; x < bmp->w; x++) putpixel(bmp, x, y, background(x, y, depth));
}

// Each pixel of the bitmap against what drawing grid g at (x, y), scaled to width x height,
// must leave: the colour under a solid pixel of g, the background everywhere else.
using Source = std::function<bool(int bx, int by)>;

::testing::AssertionResult bitmap_is(BITMAP* bmp, const Source& solid_at, int colour) {
    const int depth = bitmap_color_depth(bmp);
    for (int by = 0; by < bmp->h; by++)
        for (int bx = 0; bx < bmp->w; bx++) {
            const int want = solid_at(bx, by) ? cut_to_depth(colour, depth) : background(bx, by, depth);
            const int got = getpixel(bmp, bx, by);
            if (got != want)
                return ::testing::AssertionFailure() << "depth " << depth << " pixel (" << bx << ", " << by
                                                     << ") is " << got << ", wanted " << want;
        }
    return ::testing::AssertionSuccess();
}

Source unstretched(const Grid& g, int x, int y) {
    return [&g, x, y](int bx, int by) { return g.inside(bx - x, by - y) && g.at(bx - x, by - y); };
}

// Target column i shows mask column (i * step) >> 16 with step = w * 65536 / width; target
// row j shows mask row h * j / height.
Source stretched(const Grid& g, int x, int y, int width, int height) {
    return [&g, x, y, width, height](int bx, int by) {
        const int i = bx - x, j = by - y;
        if (width <= 0 || height <= 0 || i < 0 || i >= width || j < 0 || j >= height) return false;
        const int64_t step = int64_t{g.w} * 65536 / width;
        return g.at(static_cast<int>((i * step) >> 16), static_cast<int>(int64_t{g.h} * j / height));
    };
}

const int kDepths[] = {8, 15, 16, 24, 32};
const int kColour = static_cast<int>(0xE15A3C96u);

TEST(MaskDraw, EveryDepthAgainstThePixelsWithClippingOnAllFourEdges) {
    init_headless_allegro();
    std::mt19937 rng(31);
    const int W = 50, H = 40;
    const Grid shapes[] = {random_grid(rng, 37, 23, 0.5), random_grid(rng, 70, 55, 0.4), random_grid(rng, 1, 1, 1.0),
                           random_grid(rng, 64, 3, 0.6)};
    for (int depth : kDepths) {
        BITMAP* bmp = create_bitmap_ex(depth, W, H);
        ASSERT_NE(bmp, nullptr);
        for (const Grid& g : shapes) {
            MaskPtr m = mask_from(g);
            const int xs[] = {-g.w - 1, -g.w, -g.w + 1, -3, 0, 5, W - g.w, W - 3, W - 1, W, W + 4};
            const int ys[] = {-g.h - 1, -g.h, -g.h + 1, -2, 0, 7, H - g.h, H - 2, H - 1, H};
            for (int x : xs)
                for (int y : ys) {
                    paint_background(bmp);
                    draw_allegro_pmask(m.get(), bmp, x, y, kColour);
                    ASSERT_TRUE(bitmap_is(bmp, unstretched(g, x, y), kColour))
                        << g.w << "x" << g.h << " at (" << x << ", " << y << ")";
                }
        }
        destroy_bitmap(bmp);
    }
}

TEST(MaskDraw, WorkedClippingExamples) {
    init_headless_allegro();
    BITMAP* bmp = create_bitmap_ex(32, 100, 100);
    const Grid g = solid_grid(10, 10);
    MaskPtr m = mask_from(g);
    struct Case {
        int x, y, x_lo, x_hi, y_lo, y_hi;  // the set pixels, inclusive; x_lo > x_hi for none
    };
    for (const Case& c : {Case{-3, -2, 0, 6, 0, 7}, Case{95, 50, 95, 99, 50, 59}, Case{100, 0, 1, 0, 1, 0},
                          Case{-10, 0, 1, 0, 1, 0}, Case{0, 100, 1, 0, 1, 0}, Case{0, -10, 1, 0, 1, 0}}) {
        paint_background(bmp);
        draw_allegro_pmask(m.get(), bmp, c.x, c.y, 0x123456);
        EXPECT_TRUE(bitmap_is(
            bmp, [&](int bx, int by) { return bx >= c.x_lo && bx <= c.x_hi && by >= c.y_lo && by <= c.y_hi; },
            0x123456))
            << "at (" << c.x << ", " << c.y << ")";
    }
    destroy_bitmap(bmp);
}

TEST(MaskDraw, ClipsToASubBitmap) {
    init_headless_allegro();
    BITMAP* parent = create_bitmap_ex(32, 60, 60);
    paint_background(parent);
    BITMAP* sub = create_sub_bitmap(parent, 10, 12, 30, 25);
    MaskPtr m = mask_from(solid_grid(50, 50));
    draw_allegro_pmask(m.get(), sub, -5, -5, 0x00FF00);
    draw_allegro_pmask_stretch(m.get(), sub, -5, -5, 80, 80, 0x00FF00);
    EXPECT_TRUE(bitmap_is(
        parent, [](int bx, int by) { return bx >= 10 && bx < 40 && by >= 12 && by < 37; }, 0x00FF00));
    destroy_bitmap(sub);
    destroy_bitmap(parent);
}

// A bitmap flagged as a system bitmap takes the line-selecting path; its pixels must come out
// as on a plain memory bitmap. (No display here to make a real one.)
TEST(MaskDraw, SystemBitmapPathSetsTheSamePixels) {
    init_headless_allegro();
    std::mt19937 rng(44);
    const Grid g = random_grid(rng, 45, 30, 0.5);
    MaskPtr m = mask_from(g);
    for (int depth : kDepths) {
        BITMAP* bmp = create_bitmap_ex(depth, 40, 35);
        for (auto [x, y] : std::initializer_list<Offset>{{5, 7}, {-4, -6}, {20, 20}, {39, 34}}) {
            paint_background(bmp);
            bmp->id |= BMP_ID_SYSTEM;
            ASSERT_FALSE(is_memory_bitmap(bmp));
            draw_allegro_pmask(m.get(), bmp, x, y, kColour);
            draw_allegro_pmask_stretch(m.get(), bmp, x, y, 45, 30, kColour);
            bmp->id &= ~BMP_ID_SYSTEM;
            ASSERT_TRUE(bitmap_is(bmp, unstretched(g, x, y), kColour)) << "at (" << x << ", " << y << ")";
        }
        destroy_bitmap(bmp);
    }
}

TEST(MaskDraw, SamePixelsAtEveryDepth) {
    init_headless_allegro();
    std::mt19937 rng(6);
    const Grid g = random_grid(rng, 20, 15, 0.5);
    MaskPtr m = mask_from(g);
    BITMAP* b8 = create_bitmap_ex(8, 30, 30);
    BITMAP* b24 = create_bitmap_ex(24, 30, 30);
    clear_to_color(b8, 0);
    clear_to_color(b24, 0);
    draw_allegro_pmask(m.get(), b8, 5, 7, 1);
    draw_allegro_pmask(m.get(), b24, 5, 7, 1);
    for (int y = 0; y < 30; y++)
        for (int x = 0; x < 30; x++) {
            ASSERT_EQ(getpixel(b8, x, y), getpixel(b24, x, y)) << x << ", " << y;
            if (x < 5 || y < 7) {
                ASSERT_EQ(getpixel(b8, x, y), 0);
            }
        }
    destroy_bitmap(b8);
    destroy_bitmap(b24);
}

TEST(MaskDrawStretch, WorkedExamples) {
    init_headless_allegro();
    BITMAP* bmp = create_bitmap_ex(32, 10, 10);
    Grid corner(2, 2);
    corner.set(1, 0, true);
    MaskPtr m = mask_from(corner);
    paint_background(bmp);
    draw_allegro_pmask_stretch(m.get(), bmp, 0, 0, 4, 4, 0xABCDEF);
    EXPECT_TRUE(bitmap_is(
        bmp, [](int bx, int by) { return (bx == 2 || bx == 3) && (by == 0 || by == 1); }, 0xABCDEF));

    // Two columns over three: mask columns 0, 0, 1.
    Grid right(2, 1);
    right.set(1, 0, true);
    MaskPtr r = mask_from(right);
    paint_background(bmp);
    draw_allegro_pmask_stretch(r.get(), bmp, 0, 0, 3, 1, 0xABCDEF);
    EXPECT_TRUE(bitmap_is(bmp, [](int bx, int by) { return bx == 2 && by == 0; }, 0xABCDEF));
    Grid left(2, 1);
    left.set(0, 0, true);
    MaskPtr l = mask_from(left);
    paint_background(bmp);
    draw_allegro_pmask_stretch(l.get(), bmp, 0, 0, 3, 1, 0xABCDEF);
    EXPECT_TRUE(bitmap_is(bmp, [](int bx, int by) { return bx <= 1 && by == 0; }, 0xABCDEF));
    destroy_bitmap(bmp);
}

TEST(MaskDrawStretch, TwentyFourBitBytesLowFirst) {
    init_headless_allegro();
    BITMAP* bmp = create_bitmap_ex(24, 4, 2);
    clear_to_color(bmp, 0);
    MaskPtr m = mask_from(solid_grid(1, 1));
    draw_allegro_pmask_stretch(m.get(), bmp, 1, 0, 2, 1, static_cast<int>(0x11AABBCCu));
    const unsigned char* line = bmp->line[0];
    const unsigned char want[12] = {0, 0, 0, 0xCC, 0xBB, 0xAA, 0xCC, 0xBB, 0xAA, 0, 0, 0};
    EXPECT_EQ(std::memcmp(line, want, sizeof want), 0);
    destroy_bitmap(bmp);
}

TEST(MaskDrawStretch, NothingForEmptyOrOutsideTargets) {
    init_headless_allegro();
    const Grid g = solid_grid(9, 9);
    MaskPtr m = mask_from(g);
    for (int depth : kDepths) {
        BITMAP* bmp = create_bitmap_ex(depth, 30, 20);
        paint_background(bmp);
        const Source nothing = [](int, int) { return false; };
        // A target width of 0 would divide by 0 in the step; it, like negative sizes and a
        // height of 0, draws nothing.
        for (auto [w, h] : std::initializer_list<Offset>{{0, 5}, {0, 0}, {-3, 5}, {5, 0}, {5, -2}, {-1, -1}}) {
            draw_allegro_pmask_stretch(m.get(), bmp, 2, 2, w, h, kColour);
            ASSERT_TRUE(bitmap_is(bmp, nothing, kColour)) << w << "x" << h;
        }
        const Offset outside[] = {{30, 0}, {-12, 0}, {0, 20}, {0, -8}, {-2147483647, 0}, {0, 2147483647}};
        for (auto [x, y] : outside) {
            draw_allegro_pmask_stretch(m.get(), bmp, x, y, 12, 8, kColour);
            ASSERT_TRUE(bitmap_is(bmp, nothing, kColour)) << x << ", " << y;
        }
        destroy_bitmap(bmp);
    }
}

TEST(MaskDrawStretch, EveryDepthAgainstThePixelsWithClipping) {
    init_headless_allegro();
    std::mt19937 rng(15);
    const int W = 40, H = 30;
    const Grid shapes[] = {random_grid(rng, 7, 5, 0.5), random_grid(rng, 45, 33, 0.5)};
    const std::pair<int, int> targets[] = {{1, 1}, {3, 2}, {7, 5}, {16, 9}, {45, 33}, {60, 50}, {13, 41}};
    for (int depth : kDepths) {
        BITMAP* bmp = create_bitmap_ex(depth, W, H);
        for (const Grid& g : shapes) {
            MaskPtr m = mask_from(g);
            for (auto [tw, th] : targets)
                for (int x : {-tw - 1, -tw + 1, -5, 0, 6, W - tw, W - 2, W})
                    for (int y : {-th + 1, -3, 0, 4, H - th, H - 1}) {
                        paint_background(bmp);
                        draw_allegro_pmask_stretch(m.get(), bmp, x, y, tw, th, kColour);
                        ASSERT_TRUE(bitmap_is(bmp, stretched(g, x, y, tw, th), kColour))
                            << g.w << "x" << g.h << " to " << tw << "x" << th << " at (" << x << ", " << y << ")";
                    }
        }
        destroy_bitmap(bmp);
    }
}

// Stretched to its own size, a mask draws exactly as unstretched.
TEST(MaskDrawStretch, OwnSizeMatchesUnstretched) {
    init_headless_allegro();
    std::mt19937 rng(16);
    const Grid g = random_grid(rng, 33, 20, 0.5);
    MaskPtr m = mask_from(g);
    BITMAP* bmp = create_bitmap_ex(32, 40, 30);
    paint_background(bmp);
    draw_allegro_pmask_stretch(m.get(), bmp, 4, -3, 33, 20, kColour);
    EXPECT_TRUE(bitmap_is(bmp, unstretched(g, 4, -3), kColour));
    destroy_bitmap(bmp);
}

}  // namespace
