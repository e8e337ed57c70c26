// The world's pictures: the tile sheet (numbering in tile_ids.h), the parallax background, the
// five shop fronts and the title. Palette and layout data first, drawing below.
#include "pic_world.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "datafile.h"
#include "pic_characters.h"
#include "pic_common.h"
#include "pixel_font.h"
#include "authoring/tile_ids.h"

namespace pic {
namespace {

// ---------------------------------------------------------------------------------------------
// Palette of the world.
const ramp grass{0x9AE05A, 0x5CB43A, 0x327A2A};
const int grass_dark = 0x245A22;
const ramp earth{0xB07A50, 0x8A5634, 0x5E3822};
const int earth_speck = 0x6E4228, pebble = 0xB8A890, pebble_lo = 0x7A6E60;
const ramp brick{0xE08060, 0xB8503A, 0x7E3028};
const int mortar = 0xD8C8B0;
const ramp stone{0xB8B8C8, 0x8C8CA0, 0x5E5E74};
const int stone_gap = 0x44445A;
const ramp plank{0xE0B070, 0xB88448, 0x7C5428};
const ramp iron{0x8A8AA0, 0x54546A, 0x30303E};
const int lamp_light = 0xFFF4B0, lamp_glow = 0xFFD860;
const ramp leaf{0x7ACC5A, 0x3E9A3E, 0x22622E};
const ramp crate_wood{0xE8B878, 0xC08850, 0x80582E};
const int petal[] = {0xFF6A8A, 0xFFE04A, 0xFFFFFF, 0xB070F0};

const int sky_top = 0x5A9AE8, sky_bottom = 0xCDEBFF;
const int cloud = 0xFFFFFF, cloud_lo = 0xDCE8F8;
const int hill_far = 0x9CC8C8, hill_mid = 0x76B08A, hill_near = 0x4E9064;
const int town_far = 0x8AA8C8, town_window = 0xF0E8A0;

// The shops: name on the sign, wall, awning and trim colours, in the order of the categories.
struct shop_style {
    const char* sign;
    int wall, wall_lo, awning, awning2, trim;
};
const shop_style shop_styles[5] = {
    {"MAKE-UP", 0xF8D8E8, 0xD8A8C0, 0xF04A8A, 0xFFFFFF, 0xA02060},
    {"HAIR", 0xD8E8F8, 0xA8C0D8, 0x3A7AE0, 0xFFFFFF, 0x1E3E8A},
    {"CLOTHES", 0xF8F0D0, 0xD8C8A0, 0xD83A4A, 0xFFF0C0, 0x7A1E2A},
    {"SHOES", 0xE0F0D8, 0xB0CCA8, 0x3AA05A, 0xFFFFFF, 0x1E5A32},
    {"BAGS", 0xF0E0F8, 0xC8B0D8, 0x8A4AD0, 0xFFE04A, 0x4A2280},
};

constexpr int T = 32;  // tile size

// ---------------------------------------------------------------------------------------------
// Tiles. Each function draws one tile into the 32 x 32 bitmap t (magenta where empty).

void earth_fill(BITMAP* t, uint32_t noise_key, bool stones) {
    rng r(noise_key);
    box(t, 0, 0, T, T, earth.base);
    // clods: short dark dashes with a lit pixel above (light from the upper left), wrapping at
    // the tile's edges so that neighbouring tiles join without a seam
    for (int i = 0; i < 18; i++) {
        int x = r.range(0, 31), y = r.range(0, 31), w = r.range(2, 4);
        for (int j = 0; j < w; j++) {
            put(t, (x + j) % T, y, earth.lo);
            if (j < w - 1) put(t, (x + j) % T, (y + T - 1) % T, earth_speck);
        }
        put(t, x, (y + T - 1) % T, earth.hi);
    }
    for (int i = 0; i < 14; i++) put(t, r.range(0, 31), r.range(0, 31), earth.hi);
    for (int i = 0; i < 3; i++) {  // tiny buried pebbles
        int x = r.range(1, 29), y = r.range(1, 29);
        put(t, x, y, pebble);
        put(t, x + 1, y, pebble_lo);
    }
    if (stones)
        for (int i = 0; i < 6; i++) {
            int x = r.range(2, 27), y = r.range(2, 28), w = r.range(2, 4);
            box(t, x, y, w, 2, pebble);
            box(t, x + 1, y + 2, w, 1, pebble_lo);
            put(t, x, y, 0xE8E0D0);
        }
}

void grass_top(BITMAP* t, uint32_t noise_key) {
    rng r(noise_key);
    box(t, 0, 0, T, 6, grass.base);
    box(t, 0, 0, T, 1, grass.hi);
    for (int x = 0; x < T; x++) {
        int d = r.range(0, 3);
        box(t, x, 6, 1, d, grass.base);
        put(t, x, 6 + d, grass_dark);
        if (r.range(0, 3) == 0) put(t, x, r.range(1, 4), grass.hi);
        if (r.range(0, 4) == 0) put(t, x, r.range(2, 5), grass.lo);
    }
}

void bricks(BITMAP* t, int top) {
    box(t, 0, top, T, T - top, mortar);
    for (int row = 0; row * 8 + top < T; row++) {
        int y = top + row * 8, off = (row % 2) * 8;
        for (int x = -16 + off; x < T; x += 16) {
            box(t, x + 1, y + 1, 15, 7, brick.base);
            box(t, x + 1, y + 1, 15, 1, brick.hi);
            box(t, x + 1, y + 7, 15, 1, brick.lo);
            put(t, x + 15, y + 6, brick.lo);
        }
    }
    // clip to the tile: box/put already ignore outside pixels.
}

void stones(BITMAP* t, int top) {
    box(t, 0, top, T, T - top, stone_gap);
    const int rows[][5] = {{0, 11, 20, 32, 32}, {0, 7, 18, 27, 32}, {0, 14, 24, 32, 32}, {0, 9, 21, 32, 32}};
    for (int row = 0; row < 4; row++) {
        int y = top + row * 8;
        if (y >= T) break;
        for (int i = 0; i < 4 && rows[row][i] < 32; i++) {
            int x0 = rows[row][i], x1 = rows[row][i + 1];
            box(t, x0 + 1, y + 1, x1 - x0 - 1, 7, stone.base);
            box(t, x0 + 1, y + 1, x1 - x0 - 1, 1, stone.hi);
            box(t, x0 + 1, y + 1, 1, 7, stone.hi);
            box(t, x0 + 1, y + 7, x1 - x0 - 1, 1, stone.lo);
            box(t, x1 - 1, y + 1, 1, 7, stone.lo);
        }
    }
}

void platform(BITMAP* t, int ends) {  // ends: 0 middle, 1 left end, 2 right end
    box(t, 0, 0, T, 10, plank.base);
    box(t, 0, 0, T, 1, plank.hi);
    box(t, 0, 9, T, 1, plank.lo);
    for (int x = 7; x < T; x += 16) box(t, x, 1, 1, 8, plank.lo);
    for (int x = 3; x < T; x += 10) put(t, x, 4, plank.lo);
    box(t, 0, 10, T, 2, iron.lo);  // iron rail under the boards
    if (ends == 1) {
        box(t, 0, 0, 2, 12, magenta);
        put(t, 2, 0, magenta);
        put(t, 2, 11, magenta);
        box(t, 2, 1, 1, 10, plank.lo);
        limb(t, 6, 12, 3, 18, 1.0f, iron.base);  // a bracket
    } else if (ends == 2) {
        box(t, 30, 0, 2, 12, magenta);
        put(t, 29, 0, magenta);
        put(t, 29, 11, magenta);
        box(t, 29, 1, 1, 10, plank.lo);
        limb(t, 25, 12, 28, 18, 1.0f, iron.base);
    }
}

void flowers(BITMAP* t) {
    rng r(11);
    for (int i = 0; i < 5; i++) {
        int x = 3 + i * 6 + r.range(0, 1), h = r.range(8, 15);
        box(t, x, T - h, 1, h, leaf.lo);
        box(t, x + 1, T - 5, 2, 1, leaf.base);
        box(t, x - 2, T - 7, 2, 1, leaf.base);
        put(t, x - 1, T - 6, leaf.base);
        put(t, x + 1, T - 4, leaf.lo);
        int c = petal[i % 4];
        box(t, x - 1, T - h - 3, 3, 3, c);
        put(t, x - 2, T - h - 2, c);
        put(t, x + 2, T - h - 2, c);
        put(t, x, T - h - 4, c);
        put(t, x, T - h - 2, c == 0xFFE04A ? 0xE87A20 : 0xFFD040);
        put(t, x + 1, T - h - 1, scale(c, 180));
    }
    box(t, 0, T - 2, T, 2, leaf.lo);
    for (int x = 0; x < T; x += 2) put(t, x, T - 3, leaf.base);
}

void lamp_top(BITMAP* t) {
    limb(t, 16, 18, 16, 31, 1.2f, iron.base);
    box(t, 9, 10, 14, 3, iron.base);
    box(t, 10, 13, 12, 6, lamp_light);
    box(t, 11, 14, 4, 3, 0xFFFFF0);
    box(t, 10, 19, 12, 2, iron.base);
    box(t, 12, 7, 8, 3, iron.base);
    box(t, 15, 5, 2, 2, iron.base);
    for (int x = 8; x < 24; x += 2) put(t, x, 22, lamp_glow);
}

void lamp_post(BITMAP* t) {
    box(t, 15, 0, 3, 26, iron.base);
    box(t, 15, 0, 1, 26, iron.hi);
    box(t, 17, 0, 1, 26, iron.lo);
    box(t, 12, 26, 9, 6, iron.base);
    box(t, 12, 26, 9, 1, iron.hi);
    box(t, 11, 30, 11, 2, iron.lo);
}

void sign_post(BITMAP* t) {
    box(t, 14, 14, 3, 18, plank.lo);
    box(t, 4, 4, 24, 12, plank.base);
    box(t, 4, 4, 24, 1, plank.hi);
    box(t, 4, 15, 24, 1, plank.lo);
    // an arrow pointing right
    box(t, 8, 9, 12, 2, 0xFFFFFF);
    limb(t, 19, 7, 23, 10, 0.6f, 0xFFFFFF);
    limb(t, 19, 13, 23, 10, 0.6f, 0xFFFFFF);
}

void bush(BITMAP* t) {
    blob(t, 16, 24, 14, 8.5f, leaf.base);
    blob(t, 10, 19, 7, 6, leaf.base);
    blob(t, 21, 18, 7, 7, leaf.base);
    box(t, 2, 31, 28, 1, magenta);
    shade(t, leaf, 0, 0, T, T);
    rng r(5);
    for (int i = 0; i < 14; i++) {
        int x = r.range(5, 26), y = r.range(14, 28);
        if (get(t, x, y) == leaf.base) put(t, x, y, leaf.hi);
    }
    put(t, 12, 20, 0xFF5A7A);
    put(t, 22, 24, 0xFF5A7A);
    put(t, 17, 16, 0xFF5A7A);
}

void fence(BITMAP* t) {
    for (int x = 2; x < T; x += 8) {
        box(t, x, 10, 5, 22, 0xF0F0E8);
        box(t, x + 4, 10, 1, 22, 0xB8B8C0);
        box(t, x + 1, 9, 3, 1, 0xF0F0E8);
        put(t, x + 2, 8, 0xF0F0E8);
    }
    box(t, 0, 15, T, 3, 0xDCDCD0);
    box(t, 0, 25, T, 3, 0xDCDCD0);
    box(t, 0, 17, T, 1, 0xA8A8B0);
    box(t, 0, 27, T, 1, 0xA8A8B0);
}

void crate(BITMAP* t) {
    box(t, 0, 0, T, T, crate_wood.base);
    box(t, 0, 0, T, 3, crate_wood.hi);
    box(t, 0, 29, T, 3, crate_wood.lo);
    box(t, 0, 0, 3, T, crate_wood.hi);
    box(t, 29, 0, 3, T, crate_wood.lo);
    limb(t, 3, 4, 28, 28, 1.6f, crate_wood.lo);
    limb(t, 3, 3, 28, 27, 1.0f, crate_wood.hi);
    for (int y = 10; y < 29; y += 7) box(t, 3, y, 26, 1, crate_wood.lo);
    put(t, 1, 1, 0x5A5A6A);
    put(t, 30, 1, 0x5A5A6A);
    put(t, 1, 30, 0x5A5A6A);
    put(t, 30, 30, 0x5A5A6A);
}

void draw_tile(BITMAP* t, int id) {
    clear_to_color(t, magenta);
    switch (id) {
        case tile_empty: break;
        case tile_grass:
            earth_fill(t, 101, false);
            grass_top(t, 201);
            break;
        case tile_grass_left:
        case tile_grass_right:
            earth_fill(t, 102, false);
            grass_top(t, 202);
            // the ledge's end: a rounded corner and grass hanging down the side
            for (int y = 0; y < 5; y++)
                for (int x = 0; x < 5 - y; x++) put(t, x, y, magenta);
            box(t, 0, 4, 3, 10, grass.base);
            box(t, 0, 14, 2, 2, grass_dark);
            box(t, 0, 5, 1, 8, grass.hi);
            if (id == tile_grass_right) mirror(t, 0, 0, T, T);
            break;
        case tile_earth: earth_fill(t, 103, false); break;
        case tile_earth_stones: earth_fill(t, 104, true); break;
        case tile_brick: bricks(t, 0); break;
        case tile_stone: stones(t, 0); break;
        case tile_platform: platform(t, 0); break;
        case tile_platform_left: platform(t, 1); break;
        case tile_platform_right: platform(t, 2); break;
        case tile_flowers: flowers(t); break;
        case tile_lamp_top: lamp_top(t); break;
        case tile_lamp_post: lamp_post(t); break;
        case tile_sign: sign_post(t); break;
        case tile_bush: bush(t); break;
        case tile_fence: fence(t); break;
        case tile_brick_top:
            bricks(t, 0);
            for (int x = 0; x < T; x++) {
                int d = 2 + ((x * 7) % 5 == 0 ? 2 : 0) + ((x * 3) % 4 == 0 ? 1 : 0);
                box(t, x, 0, 1, d, leaf.base);
                put(t, x, d, leaf.lo);
                if (x % 3 == 0) put(t, x, 0, leaf.hi);
            }
            break;
        case tile_stone_top:
            stones(t, 0);
            grass_top(t, 218);
            break;
        case tile_crate: crate(t); break;
    }
}

// ---------------------------------------------------------------------------------------------
// Shops: 96 x 96, the bottom row on the floor line.

void shop_item(BITMAP* b, int kind, int x, int y) {  // the item shown in the window, about 20 x 18
    switch (kind) {
        case 0:  // lipstick and a mirror
            box(b, x + 3, y + 8, 5, 10, 0x30303E);
            box(b, x + 4, y + 3, 3, 5, 0xE8203A);
            put(b, x + 4, y + 2, 0xE8203A);
            box(b, x + 4, y + 4, 1, 3, 0xFF8A9A);
            blob(b, static_cast<float>(x + 15), static_cast<float>(y + 8), 5, 6, 0xF0C840);
            blob(b, static_cast<float>(x + 15), static_cast<float>(y + 8), 3.5f, 4.5f, 0xC8E8FF);
            box(b, x + 14, y + 14, 2, 4, 0xF0C840);
            break;
        case 1:  // scissors and a comb
            limb(b, x + 2, y + 2, x + 12, y + 12, 0.8f, 0xC8C8D8);
            limb(b, x + 12, y + 2, x + 2, y + 12, 0.8f, 0xC8C8D8);
            blob(b, x + 2.5f, y + 14.5f, 2.5f, 2.5f, 0x3A7AE0);
            blob(b, x + 11.5f, y + 14.5f, 2.5f, 2.5f, 0x3A7AE0);
            box(b, x + 15, y + 2, 4, 16, 0xF04A8A);
            for (int j = 3; j < 17; j += 2) box(b, x + 19, y + j, 2, 1, 0xF04A8A);
            break;
        case 2:  // a dress on a hanger
            limb(b, x + 10, y + 0, x + 10, y + 2, 0.5f, 0x8A8AA0);
            limb(b, x + 4, y + 4, x + 16, y + 4, 0.6f, 0x8A8AA0);
            box(b, x + 7, y + 4, 7, 6, 0xD83A4A);
            for (int j = 0; j < 9; j++) box(b, x + 6 - j / 2, y + 10 + j, 9 + j, 1, 0xD83A4A);
            box(b, x + 7, y + 9, 7, 1, 0xFFF0C0);
            break;
        case 3:  // a high-heeled shoe and a sneaker
            box(b, x + 1, y + 8, 9, 3, 0xF060B8);
            box(b, x + 1, y + 11, 2, 5, 0xF060B8);
            limb(b, x + 9, y + 10, x + 11, y + 15, 1.0f, 0xF060B8);
            box(b, x + 11, y + 15, 4, 1, 0xF060B8);
            box(b, x + 12, y + 10, 8, 5, 0xE04A3A);
            box(b, x + 12, y + 15, 9, 2, 0xFFFFFF);
            box(b, x + 12, y + 8, 3, 2, 0xE04A3A);
            break;
        default:  // a handbag
            limb(b, x + 6, y + 6, x + 10, y + 1, 0.7f, 0x4A2280);
            limb(b, x + 10, y + 1, x + 14, y + 6, 0.7f, 0x4A2280);
            box(b, x + 3, y + 6, 15, 11, 0x8A4AD0);
            box(b, x + 3, y + 6, 15, 3, 0xB58AE8);
            box(b, x + 9, y + 9, 3, 2, 0xFFE04A);
            break;
    }
}

BITMAP* make_shop(int i) {
    const shop_style& s = shop_styles[i];
    BITMAP* b = new_bitmap(96, 96);
    // the building: a wall from row 14 down, a cornice and a roof line
    box(b, 2, 14, 92, 82, s.wall);
    for (int y = 18; y < 94; y += 6) box(b, 2, y, 92, 1, s.wall_lo);  // siding
    box(b, 0, 10, 96, 5, s.trim);
    box(b, 0, 10, 96, 1, scale(s.trim, 360));
    box(b, 4, 6, 88, 4, s.trim);
    // the sign: white board with the shop's name in 2x letters (1x if too long)
    box(b, 8, 16, 80, 19, s.trim);
    box(b, 9, 17, 78, 17, 0xFFFFFF);
    box(b, 9, 33, 78, 1, 0xD8D8E4);
    int px = pixel_text_width(s.sign, 2) - 2 > 74 ? 1 : 2;
    int tw = pixel_text_width(s.sign, px) - px;
    int tx = 48 - tw / 2, ty = 18 + (15 - 7 * px) / 2;
    pixel_text(b, tx + 1, ty + 1, s.sign, scale(s.awning, 120), px);
    pixel_text(b, tx, ty, s.sign, s.trim, px);
    // the awning: stripes, with a scalloped edge
    for (int x = 4; x < 92; x++) {
        int c = ((x - 4) / 6) % 2 ? s.awning2 : s.awning;
        box(b, x, 37, 1, 7, c);
        if (((x - 4) % 6) != 0 && ((x - 4) % 6) != 5) put(b, x, 44, c);
    }
    box(b, 4, 37, 88, 1, scale(s.awning, 200));
    box(b, 2, 45, 92, 2, s.wall_lo);  // the awning's shadow on the wall (light from above)
    // the shop window with its item, and the door
    box(b, 8, 48, 50, 36, s.trim);
    box(b, 10, 50, 46, 32, 0xA8D8F0);
    limb(b, 14, 52, 22, 60, 0.6f, 0xE0F4FF);
    limb(b, 40, 52, 46, 58, 0.6f, 0xE0F4FF);
    shop_item(b, i, 17, 60);
    shop_item(b, i, 33, 60);
    box(b, 10, 78, 46, 4, scale(s.trim, 300));
    box(b, 64, 46, 24, 44, s.trim);
    box(b, 66, 48, 20, 42, scale(s.wall, 190));
    box(b, 68, 50, 16, 14, 0xA8D8F0);
    put(b, 81, 70, 0xFFE04A);
    put(b, 81, 71, 0xFFE04A);
    // the step and the pavement line: the bottom row is the floor
    box(b, 0, 90, 96, 6, 0x9A9AAA);
    box(b, 0, 90, 96, 1, 0xC8C8D4);
    box(b, 0, 95, 96, 1, 0x6A6A7E);
    box(b, 62, 88, 28, 2, 0xB0B0BE);
    outline(b, outline_dark, 0, 0, 96, 96);
    return b;
}

// ---------------------------------------------------------------------------------------------
// The background. The game stretches it to (level width x 16 + 320) x (level height x 16 + 240);
// it is drawn at 1360 x 440, exactly half of that for the largest level we plan (150 x 40 cells,
// 2720 x 880), so that the stretch doubles it there and enlarges it less for smaller levels (the
// shipped 110 x 24 level: about 1.5 x 1.4). Broad shapes only, no one-pixel lines, so that the
// uneven enlargement does not show. The horizon lies at 55 to 80 % of the height, where the
// camera's half-speed window shows it while Mora walks on the ground.

constexpr int back_w = 1360, back_h = 440;

void hills(BITMAP* b, int base_y, int amp, float freq, float phase, int c, uint32_t noise_key) {
    rng r(noise_key);
    float jitter = static_cast<float>(r.range(0, 100)) / 100.0f;
    for (int x = 0; x < b->w; x++) {
        float fx = static_cast<float>(x);
        float h = std::sin(fx * freq + phase) * static_cast<float>(amp) +
                  std::sin(fx * freq * 2.7f + phase * 1.3f + jitter) * static_cast<float>(amp) * 0.35f;
        int top = base_y - static_cast<int>(h);
        for (int y = top; y < b->h; y++) put(b, x, y, c);
    }
}

BITMAP* make_back() {
    BITMAP* b = new_bitmap(back_w, back_h, sky_top);
    // sky in bands (crisp, no dithering noise), lighter towards the horizon
    const int bands = 12;
    for (int i = 0; i < bands; i++) {
        int y0 = i * 230 / bands, y1 = (i + 1) * 230 / bands;
        box(b, 0, y0, back_w, y1 - y0, mix(sky_top, sky_bottom, i * 256 / (bands - 1)));
    }
    box(b, 0, 230, back_w, back_h - 230, sky_bottom);
    // clouds
    rng r(77);
    for (int i = 0; i < 22; i++) {
        float cx = static_cast<float>(r.range(0, back_w)), cy = static_cast<float>(r.range(20, 170));
        float s = static_cast<float>(r.range(10, 22));
        blob(b, cx, cy + s * 0.3f, s * 2.4f, s * 0.55f, cloud_lo);
        blob(b, cx - s, cy + s * 0.1f, s * 0.9f, s * 0.6f, cloud);
        blob(b, cx + s * 0.2f, cy - s * 0.2f, s * 1.1f, s * 0.8f, cloud);
        blob(b, cx + s * 1.3f, cy + s * 0.1f, s * 0.8f, s * 0.55f, cloud);
        box(b, static_cast<int>(cx - s * 2.0f), static_cast<int>(cy + s * 0.45f), static_cast<int>(s * 4.0f), 2, cloud_lo);
    }
    // far hills, a town, nearer hills
    hills(b, 245, 28, 0.006f, 0.5f, hill_far, 1);
    // the town in two rows: a paler one far away, then a nearer one with lit windows; each
    // building lit on its left side and shaded on its right
    auto town_row = [&](uint32_t noise_key, int ground, int hmin, int hmax, int c, bool windows) {
        rng t(noise_key);
        for (int x = t.range(0, 20); x < back_w - 30;) {
            int w = t.range(14, 28), h = t.range(hmin, hmax);
            int y = ground - h;
            box(b, x, y, w, h + 60, c);
            box(b, x, y, 1, h + 60, mix(c, 0xFFFFFF, 50));
            box(b, x + w - 1, y, 1, h + 60, scale(c, 230));
            int kind = t.range(0, 3);
            if (kind == 0) {  // a gable roof
                for (int j = 0; j <= w / 2; j++) box(b, x + j, y - j * 2 / 3, w - 2 * j, j * 2 / 3 + 1, c);
            } else if (kind == 1) {  // a flat roof with a ledge and a chimney
                box(b, x - 1, y, w + 2, 2, mix(c, 0xFFFFFF, 60));
                box(b, x + w - 7, y - 5, 3, 5, c);
            } else if (kind == 2) {  // a tower with a thin spire
                box(b, x + w / 2 - 1, y - 9, 2, 9, c);
            }
            if (windows)
                for (int wy = y + 5; wy < ground + 10; wy += 7)
                    for (int wx = x + 3; wx < x + w - 4; wx += 5)
                        if (t.range(0, 2) != 0) box(b, wx, wy, 2, 3, t.range(0, 4) ? mix(c, town_window, 150) : town_window);
            x += w + t.range(1, 24);
        }
    };
    town_row(47, 250, 14, 40, mix(town_far, sky_bottom, 140), false);
    town_row(31, 268, 18, 52, town_far, true);
    hills(b, 300, 22, 0.011f, 2.0f, hill_mid, 2);
    hills(b, 350, 18, 0.017f, 4.0f, hill_near, 3);
    // trees on the nearest hills
    rng tr(55);
    for (int i = 0; i < 60; i++) {
        int x = tr.range(0, back_w - 1);
        int y = 0;
        while (y < back_h && get(b, x, y) != hill_near) y++;
        blob(b, static_cast<float>(x), static_cast<float>(y - 6), 5, 8, scale(hill_near, 200));
        box(b, x, y, 1, 4, 0x3A5A3A);
    }
    return b;
}

// ---------------------------------------------------------------------------------------------
// The title: sky and hills, the name, Mora and Vela at twice their size, "press any key" and how
// to open the menu.

BITMAP* character_picture(figure_id who, int column, const int looks[5]) {
    BITMAP* out = new_bitmap(32, 64);
    for (int n = 0; n < 6; n++) {
        int object = n == 0 ? 0 : 1 + 3 * (n - 1) + looks[n - 1];
        BITMAP* s = character_strip(who, object);
        BITMAP* f = new_bitmap(32, 64);
        blit(s, f, 32 * column, 0, 0, 0, 32, 64);
        over(out, f, 0, 0);
        destroy_bitmap(f);
        destroy_bitmap(s);
    }
    return out;
}

void big_text(BITMAP* b, int y, const char* s, int px, int top, int bottom) {
    int w = pixel_text_width(s, px) - px;
    int x = (b->w - w) / 2;
    // The letters in two tones (light above, deeper below), a two-pixel dark outline and a
    // drop shadow to the lower right, away from the light.
    BITMAP* tmp = new_bitmap(b->w, b->h);
    pixel_text(tmp, x, y, s, bottom, px);
    for (int yy = y; yy < y + 3 * px; yy++)
        for (int xx = 0; xx < b->w; xx++)
            if (get(tmp, xx, yy) == bottom) put(tmp, xx, yy, top);
    for (int yy = y; yy < y + px / 2; yy++)
        for (int xx = 0; xx < b->w; xx++)
            if (get(tmp, xx, yy) == top) put(tmp, xx, yy, mix(top, 0xFFFFFF, 140));
    outline(tmp, outline_dark, 0, 0, b->w, b->h);
    outline(tmp, outline_dark, 0, 0, b->w, b->h);
    for (int yy = 0; yy < b->h; yy++)
        for (int xx = 0; xx < b->w; xx++)
            if (get(tmp, xx, yy) != magenta) put(b, xx + 3, yy + 3, mix(get(b, xx + 3, yy + 3), outline_dark, 150));
    over(b, tmp, 0, 0);
    destroy_bitmap(tmp);
}

BITMAP* make_title() {
    BITMAP* b = new_bitmap(320, 240);
    BITMAP* back = make_back();
    // the same landscape as the game, at its natural size, a part with town and hills
    blit(back, b, 200, 150, 0, 0, 320, 240);
    destroy_bitmap(back);
    // the ground from the game's own tiles, with a lamp, flowers and a bush
    BITMAP* tiles = new_bitmap(32, 32);
    auto tile = [&](int id, int x, int y) {
        draw_tile(tiles, id);
        over(b, tiles, x, y);
    };
    for (int x = 0; x < 320; x += 32) {
        tile(tile_grass, x, 200);
        tile(tile_earth, x, 232);
    }
    tile(tile_lamp_post, 16, 168);
    tile(tile_lamp_top, 16, 136);
    tile(tile_flowers, 48, 168);
    tile(tile_bush, 240, 168);
    tile(tile_flowers, 272, 168);
    tile(tile_lamp_post, 272, 168 - 0);
    tile(tile_lamp_top, 272, 136);
    destroy_bitmap(tiles);
    big_text(b, 22, "One Step", 4, 0xFFE860, 0xF08A3A);
    big_text(b, 62, "Ahead", 4, 0xFFC0E8, 0xF04A8A);
    const int mora_looks[5] = {1, 1, 2, 0, 1};
    const int vela_looks[5] = {2, 2, 1, 2, 0};
    BITMAP* m = character_picture(figure_mora, 15, mora_looks);
    BITMAP* v = character_picture(figure_vela, 12, vela_looks);
    // twice their size, feet (row 59) on the grass line at y = 202
    stretch_sprite(b, m, 100, 202 - 2 * 60, 64, 128);
    stretch_sprite(b, v, 156, 202 - 2 * 60, 64, 128);
    destroy_bitmap(m);
    destroy_bitmap(v);
    const char* press = "press any key";
    const char* menu = "P or Start: menu";
    const int press_w = pixel_text_width(press, 1) - 1;
    const int menu_w = pixel_text_width(menu, 1) - 1;
    const int w = std::max(press_w, menu_w);
    box(b, 160 - w / 2 - 5, 209, w + 10, 25, outline_dark);
    box(b, 160 - w / 2 - 4, 210, w + 8, 23, 0x4A3A6E);
    pixel_text(b, 160 - press_w / 2, 212, press, 0xFFFFFF, 1);
    pixel_text(b, 160 - menu_w / 2, 223, menu, 0xFFE860, 1);
    return b;
}

}  // namespace

BITMAP* make_tile_sheet() {
    BITMAP* sheet = new_bitmap(T * tile_sheet_columns, T * tile_sheet_rows);
    BITMAP* t = new_bitmap(T, T);
    for (int id = 0; id < tile_count; id++) {
        draw_tile(t, id);
        blit(t, sheet, 0, 0, (id % tile_sheet_columns) * T, (id / tile_sheet_columns) * T, T, T);
    }
    destroy_bitmap(t);
    return sheet;
}

BITMAP* make_shop_picture(int i) { return make_shop(i); }
BITMAP* make_background() { return make_back(); }
BITMAP* make_title_picture() { return make_title(); }

bool write_world(const std::string& out) {
    bool ok = true;
    BITMAP* b = make_tile_sheet();
    ok = ok && save_pcx(out + "/tiles.pcx", b);
    destroy_bitmap(b);
    b = make_background();
    ok = ok && save_pcx(out + "/back.pcx", b);
    destroy_bitmap(b);
    b = make_title();
    ok = ok && save_pcx(out + "/title.pcx", b);
    destroy_bitmap(b);
    std::vector<dat_object> objs;
    for (int i = 0; i < 5; i++) {
        b = make_shop(i);
        objs.push_back(rle_sprite_object(b));
        destroy_bitmap(b);
    }
    return ok && write_datafile(out + "/shops.dat", objs);
}

}  // namespace pic
