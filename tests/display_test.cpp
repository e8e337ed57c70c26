// Tests of the display: the whole-number scaler against Allegro's stretch_blit, and the changed
// parts of a picture against a pixel-by-pixel comparison.
#include <allegro.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>

#include "display/changes.h"
#include "display/scale.h"
#include "test_util.h"

namespace {

// A bitmap of random 32-bit pixels (the alpha byte too), the same for the same seed.
BITMAP* random_bitmap(int w, int h, unsigned seed) {
    BITMAP* b = create_bitmap_ex(32, w, h);
    std::mt19937 random(seed);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) reinterpret_cast<uint32_t*>(b->line[y])[x] = random();
    return b;
}

// Where the first pixel of a and b (the same size) differs, or "" when none does.
std::string first_difference(BITMAP* a, BITMAP* b) {
    for (int y = 0; y < a->h; y++)
        for (int x = 0; x < a->w; x++) {
            const uint32_t pa = reinterpret_cast<uint32_t*>(a->line[y])[x];
            const uint32_t pb = reinterpret_cast<uint32_t*>(b->line[y])[x];
            if (pa != pb)
                return "at " + std::to_string(x) + "," + std::to_string(y) + ": " + std::to_string(pa) +
                       " instead of " + std::to_string(pb);
        }
    return "";
}

// How many pixels of a differ from b.
int differing_pixels(BITMAP* a, BITMAP* b) {
    int n = 0;
    for (int y = 0; y < a->h; y++)
        for (int x = 0; x < a->w; x++)
            n += reinterpret_cast<uint32_t*>(a->line[y])[x] != reinterpret_cast<uint32_t*>(b->line[y])[x];
    return n;
}

// A destination for the scaled picture: its size as a multiple of the scaled picture's plus a
// margin in pixels, where the picture's corner lies relative to the centred place, and the
// clipping rectangle (x, y, right, bottom inset from the bitmap's edges; clipping off when
// clip is false).
struct placement {
    const char* name;
    int extra_w, extra_h;  // the destination's size beyond the scaled picture's
    int shift_x, shift_y;  // the picture's corner from where it is centred
    bool clip;
    int inset_l, inset_t, inset_r, inset_b;
};

constexpr placement placements[] = {
    {"exactly the picture", 0, 0, 0, 0, true, 0, 0, 0, 0},
    {"centred on a larger bitmap", 37, 21, 0, 0, true, 0, 0, 0, 0},
    {"clipping off", 37, 21, 5, -3, false, 0, 0, 0, 0},
    {"a clipping rectangle off the blocks' edges", 40, 30, 1, 2, true, 23, 19, 17, 29},
    {"off the left and top", 0, 0, -333, -251, true, 0, 0, 0, 0},
    {"off the right and bottom", 0, 0, 333, 251, true, 0, 0, 0, 0},
    {"off every side", -101, -77, -3, 1, true, 0, 0, 0, 0},
    {"off the left, clipped inside", 10, 10, -7, 0, true, 3, 5, 7, 2},
    {"wholly outside", 0, 0, 100000, 0, true, 0, 0, 0, 0},
};

// The number of pixels a w x h rectangle at (x, y) covers in the bitmap's clipping rectangle.
int visible_pixels(BITMAP* b, int x, int y, int w, int h) {
    const int l = std::max(x, b->clip ? b->cl : 0), r = std::min(x + w, b->clip ? b->cr : b->w);
    const int t = std::max(y, b->clip ? b->ct : 0), u = std::min(y + h, b->clip ? b->cb : b->h);
    return std::max(0, r - l) * std::max(0, u - t);
}

// Scales the w x h part of src at (sx, sy) by scale into a destination laid out as p says, once
// with scale_blit and once with stretch_blit, onto the same random background, and expects the
// same pixels everywhere; stretch_blit must also have drawn every pixel the layout shows.
void expect_as_stretch_blit(BITMAP* src, int sx, int sy, int w, int h, int scale, const placement& p) {
    SCOPED_TRACE(std::string(p.name) + " at scale " + std::to_string(scale));
    const int sw = w * scale, sh = h * scale;
    const int dw = std::max(1, sw + p.extra_w), dh = std::max(1, sh + p.extra_h);
    BITMAP* background = random_bitmap(dw, dh, 7);
    BITMAP* ours = create_bitmap_ex(32, dw, dh);
    BITMAP* theirs = create_bitmap_ex(32, dw, dh);
    const int dx = (dw - sw) / 2 + p.shift_x, dy = (dh - sh) / 2 + p.shift_y;
    for (BITMAP* b : {ours, theirs}) {
        blit(background, b, 0, 0, 0, 0, dw, dh);
        set_clip_rect(b, p.inset_l, p.inset_t, dw - 1 - p.inset_r, dh - 1 - p.inset_b);
        set_clip_state(b, p.clip);
    }
    scale_blit(src, ours, sx, sy, dx, dy, w, h, scale);
    stretch_blit(src, theirs, sx, sy, w, h, dx, dy, sw, sh);

    EXPECT_EQ(first_difference(ours, theirs), "");
    // Random pixels repeat too rarely to hide a drawn pixel behind an equal one.
    EXPECT_EQ(differing_pixels(theirs, background), visible_pixels(theirs, dx, dy, sw, sh));
    destroy_bitmap(theirs);
    destroy_bitmap(ours);
    destroy_bitmap(background);
}

} // namespace

TEST(ScaleBlit, GivesStretchBlitsPixelsAtEveryScaleAndClip) {
    init_headless_allegro();
    // The picture lies inside a larger bitmap, so that the source's corner counts too.
    BITMAP* src = random_bitmap(331, 247, 1);
    for (int scale = 1; scale <= 8; scale++)
        for (const placement& p : placements) expect_as_stretch_blit(src, 5, 3, 320, 240, scale, p);
    destroy_bitmap(src);
}

TEST(ScaleBlit, GivesStretchBlitsPixelsForSmallPicturesAndLargeScales) {
    init_headless_allegro();
    BITMAP* src = random_bitmap(40, 30, 2);
    for (int scale : {1, 2, 3, 7, 9, 12})
        for (const placement& p : placements) {
            expect_as_stretch_blit(src, 0, 0, 40, 30, scale, p);
            expect_as_stretch_blit(src, 39, 29, 1, 1, scale, p);
            expect_as_stretch_blit(src, 11, 4, 3, 17, scale, p);
        }
    destroy_bitmap(src);
}

TEST(ScaleBlit, DrawsNothingForAnEmptyPictureOrScale) {
    init_headless_allegro();
    BITMAP* src = random_bitmap(8, 8, 3);
    BITMAP* dst = random_bitmap(64, 64, 4);
    BITMAP* before = random_bitmap(64, 64, 4);
    scale_blit(src, dst, 0, 0, 0, 0, 0, 8, 2);
    scale_blit(src, dst, 0, 0, 0, 0, 8, 0, 2);
    scale_blit(src, dst, 0, 0, 0, 0, 8, 8, 0);
    scale_blit(src, dst, 0, 0, 0, 0, 8, 8, -1);
    EXPECT_EQ(first_difference(dst, before), "");
    destroy_bitmap(before);
    destroy_bitmap(dst);
    destroy_bitmap(src);
}

// The changed parts of a picture, for changes of every shape (none, one pixel, the corners of
// pictures whose sides are not whole blocks, scattered dots, a moved band, everything): copying
// them onto the old picture gives the new one, they do not overlap, each block they touch holds
// a changed pixel, and each of their four edges does (nothing unchanged is sent).
TEST(ChangedRects, CoverEveryChangeAndOnlyChangedBlocks) {
    init_headless_allegro();
    std::mt19937 random(7);
    const auto pixel = [](BITMAP* b, int x, int y) -> uint32_t& { return reinterpret_cast<uint32_t*>(b->line[y])[x]; };
    for (const auto& [w, h] : {std::pair{320, 240}, std::pair{37, 23}, std::pair{16, 16}, std::pair{1, 1}})
        for (int kind = 0; kind < 6; kind++) {
            SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + ", change " + std::to_string(kind));
            BITMAP* before = random_bitmap(w, h, 10 + static_cast<unsigned>(kind));
            BITMAP* now = create_bitmap_ex(32, w, h);
            blit(before, now, 0, 0, 0, 0, w, h);
            if (kind == 1) pixel(now, w - 1, h - 1) ^= 1;
            if (kind == 2) {
                pixel(now, 0, 0) ^= 0x80000000u;
                pixel(now, w - 1, 0) ^= 1;
                pixel(now, 0, h - 1) ^= 1;
            }
            if (kind == 3)
                for (int i = 0; i < 12; i++) pixel(now, static_cast<int>(random() % w), static_cast<int>(random() % h)) ^= 0xff;
            if (kind == 4) blit(before, now, 0, 0, 1, h / 3, w - 1, std::max(1, h / 4));  // a band moved right
            if (kind == 5) clear_to_color(now, 0x123456);
            const auto differs = [&](int x0, int y0, int x1, int y1) {  // in [x0, x1) x [y0, y1)
                for (int y = std::max(0, y0); y < std::min(h, y1); y++)
                    for (int x = std::max(0, x0); x < std::min(w, x1); x++)
                        if (pixel(now, x, y) != pixel(before, x, y)) return true;
                return false;
            };
            const std::vector<PICTURE_RECT> rects = changed_rects(now, before);
            if (kind == 0) {
                EXPECT_TRUE(rects.empty());
            }
            std::vector<int> covered(static_cast<std::size_t>(w * h), 0);
            for (const PICTURE_RECT& r : rects) {
                ASSERT_TRUE(r.w > 0 && r.h > 0 && r.x >= 0 && r.y >= 0 && r.x + r.w <= w && r.y + r.h <= h)
                    << r.x << "," << r.y << " " << r.w << "x" << r.h;
                for (int y = r.y; y < r.y + r.h; y++)
                    for (int x = r.x; x < r.x + r.w; x++) covered[static_cast<std::size_t>(y * w + x)]++;
                const int b = change_block;
                for (int by = r.y / b * b; by < r.y + r.h; by += b)
                    for (int bx = r.x / b * b; bx < r.x + r.w; bx += b)
                        EXPECT_TRUE(differs(bx, by, bx + b, by + b)) << "the block at " << bx << "," << by << " did not change";
                EXPECT_TRUE(differs(r.x, r.y, r.x + r.w, r.y + 1) && differs(r.x, r.y + r.h - 1, r.x + r.w, r.y + r.h) &&
                            differs(r.x, r.y, r.x + 1, r.y + r.h) && differs(r.x + r.w - 1, r.y, r.x + r.w, r.y + r.h))
                    << "a part wider than its change at " << r.x << "," << r.y << " " << r.w << "x" << r.h;
            }
            EXPECT_LE(*std::max_element(covered.begin(), covered.end()), 1) << "parts overlap";
            for (const PICTURE_RECT& r : rects) blit(now, before, r.x, r.y, r.x, r.y, r.w, r.h);
            EXPECT_EQ(first_difference(before, now), "");
            destroy_bitmap(now);
            destroy_bitmap(before);
        }
}
