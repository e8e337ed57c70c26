// The generated pictures of dat/, loaded as the game loads them (32-bit colour, pixels 0xRRGGBB):
// sizes, object counts and types, the character frame layout (columns, feet on row
// 59, every layer on the body, looks that differ) and the font drawing in the colour given; the
// districts' own tile sheets, whose masks are the town's.
#include <allegro.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/assets.h"
#include "masks/pmask.h"
#include "test_util.h"
#include "text/font.h"

namespace {

constexpr int magenta = 0xFF00FF;

std::string dat(const char* name) { return build_dir() + "/dat/" + name; }

int px(BITMAP* b, int x, int y) { return getpixel(b, x, y) & 0xFFFFFF; }

// A datafile, unloaded when the test ends.
struct datafile {
    DATAFILE* d;
    explicit datafile(const std::string& path) : d(load_datafile(path.c_str())) {}
    ~datafile() { unload_datafile(d); }
    int count() const {
        int n = 0;
        while (d && d[n].type != DAT_END) n++;
        return n;
    }
};

struct bitmap {
    BITMAP* b;
    explicit bitmap(BITMAP* p) : b(p) {}
    ~bitmap() { destroy_bitmap(b); }
};

// An RLE sprite drawn onto a fresh magenta bitmap of its size.
BITMAP* unpack(const RLE_SPRITE* s) {
    BITMAP* b = create_bitmap(s->w, s->h);
    clear_to_color(b, magenta);
    draw_rle_sprite(b, const_cast<RLE_SPRITE*>(s), 0, 0);
    return b;
}

// One 32 x 64 frame as a mask of solid pixels, with helpers over it.
struct frame {
    std::vector<int> c;  // colour per pixel, magenta for empty
    int at(int x, int y) const { return c[static_cast<size_t>(y * 32 + x)]; }
    bool solid(int x, int y) const { return at(x, y) != magenta; }
    int count() const {
        int n = 0;
        for (int v : c) n += v != magenta;
        return n;
    }
    bool empty() const { return count() == 0; }
    // bounding box: x0, y0, x1, y1 inclusive; x0 > x1 when empty
    void bbox(int& x0, int& y0, int& x1, int& y1) const {
        x0 = y0 = 1000;
        x1 = y1 = -1;
        for (int y = 0; y < 64; y++)
            for (int x = 0; x < 32; x++)
                if (solid(x, y)) {
                    x0 = std::min(x0, x);
                    x1 = std::max(x1, x);
                    y0 = std::min(y0, y);
                    y1 = std::max(y1, y);
                }
    }
    std::vector<bool> mask() const {
        std::vector<bool> m;
        for (int v : c) m.push_back(v != magenta);
        return m;
    }
    std::vector<bool> mirrored_mask() const {
        std::vector<bool> m(c.size());
        for (int y = 0; y < 64; y++)
            for (int x = 0; x < 32; x++) m[static_cast<size_t>(y * 32 + x)] = solid(31 - x, y);
        return m;
    }
    int dominant() const {  // the most frequent colour inside the outline (all pixels if none)
        std::map<int, int> h;
        for (int y = 1; y < 63; y++)
            for (int x = 1; x < 31; x++)
                if (solid(x, y) && solid(x - 1, y) && solid(x + 1, y) && solid(x, y - 1) && solid(x, y + 1))
                    h[at(x, y)]++;
        if (h.empty())
            for (int v : c)
                if (v != magenta) h[v]++;
        int best = magenta, n = 0;
        for (auto& [col, k] : h)
            if (k > n) best = col, n = k;
        return best;
    }
};

// All frames of one character datafile: strips[n][k] is column k of object n.
struct character {
    int w = 0;
    std::vector<std::vector<frame>> strips;
    bool load(const std::string& path, int frames, std::string& why) {
        datafile d(path);
        if (!d.d) return why = "cannot load " + path, false;
        if (d.count() != 16) return why = "object count " + std::to_string(d.count()), false;
        w = frames;
        for (int n = 0; n < 16; n++) {
            if (d.d[n].type != DAT_RLE_SPRITE) return why = "object not an RLE sprite", false;
            auto* s = static_cast<RLE_SPRITE*>(d.d[n].dat);
            if (s->color_depth != 32) return why = "colour depth", false;
            if (s->w != 32 * frames || s->h != 64) return why = "strip size", false;
            bitmap b(unpack(s));
            std::vector<frame> fr(static_cast<size_t>(frames));
            for (int k = 0; k < frames; k++)
                for (int y = 0; y < 64; y++)
                    for (int x = 0; x < 32; x++) fr[static_cast<size_t>(k)].c.push_back(px(b.b, 32 * k + x, y));
            strips.push_back(fr);
        }
        return true;
    }
    const frame& at(int n, int k) const { return strips[static_cast<size_t>(n)][static_cast<size_t>(k)]; }
};

// The columns the game shows, and whether each faces right and stands on the ground.
struct column {
    int k;
    bool right, ground;
};
std::vector<column> shown_columns(int type) {
    std::vector<column> v;
    for (int p = 0; p < 6; p++) v.push_back({p, true, true});
    for (int p = 0; p < 6; p++) v.push_back({11 - p, false, true});
    v.push_back({12, false, true});
    v.push_back({type == 2 ? 15 : 14, true, true});
    if (type == 2)
        for (int s = 0; s < 5; s++) {
            v.push_back({22 - s, true, false});
            v.push_back({23 + s, false, false});
        }
    return v;
}

class characters : public ::testing::TestWithParam<int> {
  protected:
    void SetUp() override {
        init_headless_allegro();
        type = GetParam();
        std::string why;
        ASSERT_TRUE(ch.load(dat(type == 2 ? "mora.dat" : "vela.dat"), type == 2 ? 28 : 16, why)) << why;
    }
    int type = 2;
    character ch;
};

TEST_P(characters, every_shown_column_has_a_body_and_every_layer) {
    for (const column& c : shown_columns(type))
        for (int n = 0; n < 16; n++) EXPECT_FALSE(ch.at(n, c.k).empty()) << "object " << n << " column " << c.k;
}

TEST_P(characters, columns_never_shown_stay_empty) {
    std::set<int> shown;
    for (const column& c : shown_columns(type)) shown.insert(c.k);
    for (int k = 0; k < ch.w; k++) {
        if (shown.count(k)) continue;
        for (int n = 0; n < 16; n++) EXPECT_TRUE(ch.at(n, k).empty()) << "object " << n << " column " << k;
    }
}

TEST_P(characters, feet_end_on_row_59) {
    for (const column& c : shown_columns(type)) {
        int x0, y0, x1, y1;
        ch.at(0, c.k).bbox(x0, y0, x1, y1);
        if (c.ground)
            EXPECT_EQ(y1, 59) << "column " << c.k;
        else
            EXPECT_LE(y1, 59) << "column " << c.k;
        for (int n = 1; n < 16; n++) {
            ch.at(n, c.k).bbox(x0, y0, x1, y1);
            EXPECT_LE(y1, 59) << "object " << n << " column " << c.k;
        }
    }
}

TEST_P(characters, every_layer_lies_on_the_body) {
    // Each layer pixel lies within the body's bounding box grown by a small margin, and the
    // layer covers body pixels with at least a quarter of its own (it is not drawn beside the body).
    const int margin = 5;
    for (const column& c : shown_columns(type)) {
        int bx0, by0, bx1, by1;
        ch.at(0, c.k).bbox(bx0, by0, bx1, by1);
        for (int n = 1; n < 16; n++) {
            const frame& f = ch.at(n, c.k);
            int x0, y0, x1, y1;
            f.bbox(x0, y0, x1, y1);
            EXPECT_GE(x0, bx0 - margin) << "object " << n << " column " << c.k;
            EXPECT_LE(x1, bx1 + margin) << "object " << n << " column " << c.k;
            EXPECT_GE(y0, by0 - margin) << "object " << n << " column " << c.k;
            EXPECT_LE(y1, by1) << "object " << n << " column " << c.k;
            int on = 0;
            for (int y = 0; y < 64; y++)
                for (int x = 0; x < 32; x++) on += f.solid(x, y) && ch.at(0, c.k).solid(x, y);
            EXPECT_GT(on * 4, f.count()) << "object " << n << " column " << c.k << ": mostly off the body";
        }
    }
}

TEST_P(characters, left_columns_mirror_the_right_ones) {
    // Walking left shows phase p at column 11 - p: its silhouette is phase p's, mirrored; the
    // same for standing and (player) each slant in the air.
    std::vector<std::pair<int, int>> pairs;
    for (int p = 0; p < 6; p++) pairs.push_back({p, 11 - p});
    pairs.push_back({type == 2 ? 15 : 14, 12});
    if (type == 2)
        for (int s = 0; s < 5; s++) pairs.push_back({22 - s, 23 + s});
    for (auto [r, l] : pairs)
        for (int n = 0; n < 16; n++)
            EXPECT_EQ(ch.at(n, r).mirrored_mask(), ch.at(n, l).mask()) << "object " << n << " columns " << r << ", " << l;
}

TEST_P(characters, faces_point_the_way_of_the_column) {
    // The make-up sits on the front of the face: right of the head's middle when facing right.
    for (const column& c : shown_columns(type)) {
        int hx0, hy0, hx1, hy1, mx0, my0, mx1, my1;
        ch.at(0, c.k).bbox(hx0, hy0, hx1, hy1);
        ch.at(1, c.k).bbox(mx0, my0, mx1, my1);  // make-up look 0
        int head_mid = 0, n = 0;
        for (int y = hy0; y < hy0 + 8; y++)
            for (int x = 0; x < 32; x++)
                if (ch.at(0, c.k).solid(x, y)) head_mid += x, n++;
        ASSERT_GT(n, 0);
        head_mid /= n;
        if (c.right)
            EXPECT_GT(mx1, head_mid) << "column " << c.k;
        else
            EXPECT_LT(mx0, head_mid) << "column " << c.k;
    }
}

TEST_P(characters, walk_phases_and_slants_all_differ) {
    for (int p = 0; p < 6; p++)
        EXPECT_NE(ch.at(0, p).mask(), ch.at(0, (p + 1) % 6).mask()) << "phase " << p;
    if (type == 2) {
        // the pose grows with the slant: the figure spreads wider at slant 4 than at 0
        int a0, b0, a1, b1, c0, d0, c1, d1;
        ch.at(0, 22).bbox(a0, b0, a1, b1);
        ch.at(0, 18).bbox(c0, d0, c1, d1);
        EXPECT_GT(c1 - c0, a1 - a0);
        for (int s = 0; s < 4; s++) EXPECT_NE(ch.at(0, 22 - s).mask(), ch.at(0, 21 - s).mask()) << "slant " << s;
    }
}

TEST_P(characters, the_three_looks_differ_in_shape_and_colour) {
    const int stand = type == 2 ? 15 : 14;
    for (int c = 0; c < 5; c++)
        for (int a = 0; a < 3; a++)
            for (int b = a + 1; b < 3; b++) {
                const frame& fa = ch.at(1 + 3 * c + a, stand);
                const frame& fb = ch.at(1 + 3 * c + b, stand);
                EXPECT_NE(fa.mask(), fb.mask()) << "category " << c << " looks " << a << ", " << b;
                EXPECT_NE(fa.dominant(), fb.dominant()) << "category " << c << " looks " << a << ", " << b;
            }
}

TEST_P(characters, the_body_is_solid) {
    // The player's body frame is her collision mask: a full figure, and no holes (magenta pixels
    // that cannot be reached from the frame's border through magenta).
    for (const column& c : shown_columns(type)) {
        const frame& f = ch.at(0, c.k);
        int x0, y0, x1, y1;
        f.bbox(x0, y0, x1, y1);
        EXPECT_GT(f.count(), 200) << "column " << c.k;
        EXPECT_GT(y1 - y0, 40) << "column " << c.k;
        std::vector<char> seen(32 * 64, 0);
        std::vector<int> todo;
        for (int x = 0; x < 32; x++) todo.push_back(x), todo.push_back(63 * 32 + x);
        for (int y = 0; y < 64; y++) todo.push_back(y * 32), todo.push_back(y * 32 + 31);
        while (!todo.empty()) {
            int i = todo.back();
            todo.pop_back();
            if (seen[static_cast<size_t>(i)] || f.c[static_cast<size_t>(i)] != magenta) continue;
            seen[static_cast<size_t>(i)] = 1;
            int x = i % 32, y = i / 32;
            if (x > 0) todo.push_back(i - 1);
            if (x < 31) todo.push_back(i + 1);
            if (y > 0) todo.push_back(i - 32);
            if (y < 63) todo.push_back(i + 32);
        }
        int holes = 0;
        for (int i = 0; i < 32 * 64; i++) holes += f.c[static_cast<size_t>(i)] == magenta && !seen[static_cast<size_t>(i)];
        EXPECT_EQ(holes, 0) << "column " << c.k;
    }
}

INSTANTIATE_TEST_SUITE_P(both, characters, ::testing::Values(2, 3), [](const auto& info) {
    return std::string(info.param == 2 ? "mora" : "vela");
});

TEST(pictures, mora_and_vela_look_different) {
    init_headless_allegro();
    character m, v;
    std::string why;
    ASSERT_TRUE(m.load(dat("mora.dat"), 28, why)) << why;
    ASSERT_TRUE(v.load(dat("vela.dat"), 16, why)) << why;
    EXPECT_NE(m.at(0, 15).dominant(), v.at(0, 14).dominant());  // skin
    for (int l = 0; l < 3; l++) EXPECT_NE(m.at(4 + l, 15).dominant(), v.at(4 + l, 14).dominant());  // hair
    int a0, b0, a1, b1, c0, d0, c1, d1;
    m.at(0, 15).bbox(a0, b0, a1, b1);
    v.at(0, 14).bbox(c0, d0, c1, d1);
    EXPECT_NE(b0, d0);  // heights
}

TEST(pictures, tile_sheet) {
    init_headless_allegro();
    bitmap t(load_bitmap(dat("tiles.pcx").c_str(), nullptr));
    ASSERT_NE(t.b, nullptr);
    EXPECT_EQ(t.b->w, 320);
    EXPECT_EQ(t.b->h, 64);
    EXPECT_EQ(bitmap_color_depth(t.b), 32);
    auto tile_px = [&](int id, int x, int y) { return px(t.b, (id % 10) * 32 + x, (id / 10) * 32 + y); };
    auto count = [&](int id, int y0, int y1) {
        int n = 0;
        for (int y = y0; y < y1; y++)
            for (int x = 0; x < 32; x++) n += tile_px(id, x, y) != magenta;
        return n;
    };
    EXPECT_EQ(count(0, 0, 32), 0) << "tile 0 all magenta";
    for (int id : {1, 4, 5, 6, 7, 19}) EXPECT_EQ(count(id, 0, 32), 32 * 32) << "solid tile " << id;
    for (int id : {8, 9, 10}) {
        EXPECT_GT(count(id, 0, 4), 100) << "platform " << id << " top";
        EXPECT_EQ(count(id, 24, 32), 0) << "platform " << id << " lower part";
    }
    for (int id = 11; id <= 16; id++) {
        EXPECT_GT(count(id, 0, 32), 20) << "decoration " << id;
        EXPECT_LT(count(id, 0, 32), 32 * 32) << "decoration " << id << " has a see-through background";
    }
    for (int id = 1; id < 20; id++) EXPECT_GT(count(id, 0, 32), 0) << "tile " << id;
}

// The masks of the tiles cut from the sheet at path, as the game cuts them: per tile, per pixel.
std::vector<std::vector<bool>> tile_masks(const std::string& path) {
    std::vector<std::vector<bool>> masks;
    bitmap sheet(load_bitmap(path.c_str(), nullptr));
    if (!sheet.b || !cut_tiles(sheet.b)) return masks;
    for (const PMASK* m : masktiles) {
        std::vector<bool> bits;
        for (int y = 0; y < 32; y++)
            for (int x = 0; x < 32; x++) bits.push_back(get_pmask_pixel(m, x, y) != 0);
        masks.push_back(bits);
    }
    unload_shit();
    return masks;
}

// A district's tiles change colour and decoration, never shape: the physics, the level tool's
// proof and a replay's logic hash hold in every district only if each tile's mask is the town's.
TEST(pictures, every_district_tile_sheet_has_the_town_tiles_masks) {
    init_headless_allegro();
    const std::vector<std::vector<bool>> town = tile_masks(dat("tiles.pcx"));
    ASSERT_EQ(town.size(), 20u);
    int districts = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dat("districts"))) {
        const std::string sheet = entry.path().string() + "/tiles.pcx";
        if (!std::filesystem::exists(sheet)) continue;
        districts++;
        bitmap own(load_bitmap(sheet.c_str(), nullptr));
        bitmap shared(load_bitmap(dat("tiles.pcx").c_str(), nullptr));
        ASSERT_NE(own.b, nullptr) << sheet;
        EXPECT_EQ(own.b->w, shared.b->w) << sheet;
        EXPECT_EQ(own.b->h, shared.b->h) << sheet;
        const std::vector<std::vector<bool>> masks = tile_masks(sheet);
        ASSERT_EQ(masks.size(), town.size()) << sheet;
        for (size_t id = 0; id < town.size(); id++) EXPECT_EQ(masks[id], town[id]) << sheet << ", tile " << id;
        // and its look is its own: some solid tile differs from the town's in colour
        int differing = 0;
        for (int y = 0; y < shared.b->h; y++)
            for (int x = 0; x < shared.b->w; x++) differing += px(own.b, x, y) != px(shared.b, x, y);
        EXPECT_GT(differing, shared.b->w * shared.b->h / 4) << sheet;
        bitmap back(load_bitmap((entry.path().string() + "/back.pcx").c_str(), nullptr));
        bitmap town_back(load_bitmap(dat("back.pcx").c_str(), nullptr));
        ASSERT_NE(back.b, nullptr) << entry.path();
        EXPECT_EQ(back.b->w, town_back.b->w);
        EXPECT_EQ(back.b->h, town_back.b->h);
    }
    EXPECT_GE(districts, 5);
}

TEST(pictures, title_and_background) {
    init_headless_allegro();
    bitmap t(load_bitmap(dat("title.pcx").c_str(), nullptr));
    ASSERT_NE(t.b, nullptr);
    EXPECT_EQ(t.b->w, 320);
    EXPECT_EQ(t.b->h, 240);
    bitmap b(load_bitmap(dat("back.pcx").c_str(), nullptr));
    ASSERT_NE(b.b, nullptr);
    EXPECT_GE(b.b->w, 320);
    EXPECT_GE(b.b->h, 240);
    // no magenta: the background is drawn with blit, not as a sprite
    int n = 0;
    for (int y = 0; y < b.b->h; y += 7)
        for (int x = 0; x < b.b->w; x += 7) n += px(b.b, x, y) == magenta;
    EXPECT_EQ(n, 0);
}

TEST(pictures, five_shops_of_96_by_96_standing_on_their_bottom_row) {
    init_headless_allegro();
    datafile d(dat("shops.dat"));
    ASSERT_NE(d.d, nullptr);
    ASSERT_GE(d.count(), 5);
    std::set<std::vector<int>> seen;
    for (int i = 0; i < 5; i++) {
        ASSERT_EQ(d.d[i].type, static_cast<int>(DAT_RLE_SPRITE)) << "shop " << i;
        auto* s = static_cast<RLE_SPRITE*>(d.d[i].dat);
        EXPECT_EQ(s->color_depth, 32);
        EXPECT_EQ(s->w, 96);
        EXPECT_EQ(s->h, 96);
        bitmap b(unpack(s));
        int bottom = 0;
        for (int x = 0; x < 96; x++) bottom += px(b.b, x, 95) != magenta;
        EXPECT_GT(bottom, 80) << "shop " << i << " bottom row is the floor";
        std::vector<int> all;
        for (int y = 0; y < 96; y++)
            for (int x = 0; x < 96; x++) all.push_back(px(b.b, x, y));
        seen.insert(all);
    }
    EXPECT_EQ(seen.size(), 5u) << "five different shops";
}

TEST(pictures, font_draws_every_character_in_the_colour_given) {
    init_headless_allegro();
    datafile d(dat("font.dat"));
    ASSERT_NE(d.d, nullptr);
    ASSERT_GE(d.count(), 1);
    ASSERT_EQ(d.d[0].type, static_cast<int>(DAT_FONT));
    FONT* f = static_cast<FONT*>(d.d[0].dat);
    EXPECT_FALSE(is_color_font(f));
    int h = font_line_height(f);
    EXPECT_GE(h, 7);
    EXPECT_LE(h, 10);  // the HUD lines are 10 pixels apart
    // the longest mission text fits the 320-pixel strip from x = 2
    EXPECT_LE(text_width(f, "Mission: upgrade make-up and hair and clothes and shoes and handbag"), 318);
    bitmap b(create_bitmap(16, 16));
    for (int ch = 33; ch <= 126; ch++) {
        clear_to_color(b.b, 0x000000);
        char s[2] = {static_cast<char>(ch), 0};
        textout_ex(b.b, f, s, 2, 2, 0x123456, -1);
        int ink = 0, other = 0;
        for (int y = 0; y < 16; y++)
            for (int x = 0; x < 16; x++) {
                int c = px(b.b, x, y);
                ink += c == 0x123456;
                other += c != 0x123456 && c != 0;
            }
        EXPECT_GT(ink, 0) << "character " << ch;
        EXPECT_EQ(other, 0) << "character " << ch;
        EXPECT_GT(text_length(f, s), 1) << "character " << ch;
    }
    EXPECT_GT(text_length(f, " "), 1);
    // with a background colour, the box is filled behind the ink
    clear_to_color(b.b, 0x000000);
    textout_ex(b.b, f, "A", 0, 0, 0xFFFFFF, 0x990000);
    EXPECT_EQ(px(b.b, 0, 0), 0x990000);
}

}  // namespace
