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
// The looks of the world: the town's, and one per district that has its own tiles and background.
// A look changes colours and adds decoration over pixels already drawn, never a tile's shape: the
// same drawing code draws every look, so every tile's mask (its magenta pixels) is the town's.

// What a district adds to the drawing: on the tiles' tops and in the background.
enum motif {
    motif_town,      // clouds, hills, a town
    motif_harbour,   // the sea, boats with masts, a lighthouse; wet stones
    motif_leaves,    // trees in autumn colours; fallen leaves on the grass
    motif_old,       // the old town's towers and roofs in rows; worn stones
    motif_dusk,      // a setting sun over roofs and chimneys; lit windows
    motif_lanterns,  // a night sky with stars, strings of lanterns; warm light on the ground
};

struct world_look {
    const char* district;  // its folder under dat/districts ("" for the town's shared tiles)
    motif kind;
    ramp grass;
    int grass_dark;
    ramp earth;
    int earth_speck, pebble, pebble_lo;
    ramp brick;
    int mortar;
    ramp stone;
    int stone_gap;
    ramp plank, iron;
    int lamp_light, lamp_glow;
    ramp leaf, crate_wood;
    int petal[4];
    int fence_post, fence_post_lo, fence_rail, fence_rail_lo;
    int sky_top, sky_bottom;
    int cloud, cloud_lo;  // clouds; for motif_lanterns the stars
    int hill_far, hill_mid, hill_near;
    int town_far, town_window;
    int accent[3];        // the motif's own colours (fallen leaves, lanterns, sails and water...)
};

const world_look town_look{
    "", motif_town,
    {0x9AE05A, 0x5CB43A, 0x327A2A}, 0x245A22,
    {0xB07A50, 0x8A5634, 0x5E3822}, 0x6E4228, 0xB8A890, 0x7A6E60,
    {0xE08060, 0xB8503A, 0x7E3028}, 0xD8C8B0,
    {0xB8B8C8, 0x8C8CA0, 0x5E5E74}, 0x44445A,
    {0xE0B070, 0xB88448, 0x7C5428}, {0x8A8AA0, 0x54546A, 0x30303E},
    0xFFF4B0, 0xFFD860,
    {0x7ACC5A, 0x3E9A3E, 0x22622E}, {0xE8B878, 0xC08850, 0x80582E},
    {0xFF6A8A, 0xFFE04A, 0xFFFFFF, 0xB070F0},
    0xF0F0E8, 0xB8B8C0, 0xDCDCD0, 0xA8A8B0,
    0x5A9AE8, 0xCDEBFF, 0xFFFFFF, 0xDCE8F8,
    0x9CC8C8, 0x76B08A, 0x4E9064,
    0x8AA8C8, 0xF0E8A0,
    {0xFFFFFF, 0xFFFFFF, 0xFFFFFF},
};

const world_look district_looks[] = {
    {"harbour", motif_harbour,  // salt grass, sand, tarred planks, sea-grey stone, a bright sky
     {0xB8D88A, 0x86AE5E, 0x587A3E}, 0x3E5A2E,
     {0xE0C890, 0xC0A06A, 0x8A7048}, 0xA88C5A, 0xF0E8D8, 0x9A9080,
     {0xD89878, 0xA8684E, 0x6E4034}, 0xE8E0D0,
     {0xA8B8C8, 0x7890A8, 0x4E6478}, 0x34445A,
     {0x9A8468, 0x70604A, 0x483C2E}, {0xB0683A, 0x7E4426, 0x4E2A18},
     0xFFF8D0, 0xFFE890,
     {0x8ACC9A, 0x4E9A6A, 0x2A6244}, {0xD8B888, 0xA88858, 0x6E5434},
     {0xFFFFFF, 0xF05A4A, 0x5AA0F0, 0xFFE04A},
     0xF4F4F0, 0xB0B8C4, 0x3A6AA8, 0x24487A,
     0x3A8AE0, 0xD8F0FF, 0xFFFFFF, 0xE0ECF8,
     0x8AB8D8, 0x2E6EA8, 0x1E5088,
     0x9AB0C8, 0xFFF0B0,
     {0xF8F8F0, 0xD84A3A, 0x6AB0E8}},
    {"autumn-park", motif_leaves,  // ochre grass, dark loam, red and golden leaves, a hazy sky
     {0xE0C060, 0xB89038, 0x7E6028}, 0x5E4420,
     {0x8A6448, 0x6A4A34, 0x463022}, 0x553A28, 0xA89888, 0x6E6458,
     {0xC87A5A, 0x9A5038, 0x663428}, 0xD0C0A0,
     {0xB0A898, 0x888070, 0x5E584C}, 0x403C34,
     {0xC89858, 0x9A7038, 0x644820}, {0x4A4A40, 0x2E2E28, 0x1C1C18},
     0xFFF0C0, 0xFFC860,
     {0xF0A040, 0xD06020, 0x8A3418}, {0xD8A868, 0xA87840, 0x6E4C26},
     {0xF04A3A, 0xFFC03A, 0xFFF0D0, 0xC06AE0},
     0x8A5A34, 0x5E3C22, 0x7A4E2C, 0x4E321C,
     0xE8A870, 0xFFE8C0, 0xFFF4E0, 0xF0D8C0,
     0xD8B890, 0xC08850, 0x9A5A30,
     0xC8A890, 0xFFE0A0,
     {0xE8402A, 0xF8A020, 0xFFD84A}},
    {"old-quarter", motif_old,  // sandstone, ochre plaster, worn cobbles, a pale warm sky
     {0xB8C870, 0x8AA04A, 0x5E7234}, 0x44562A,
     {0xC8A070, 0xA07C50, 0x6E5434}, 0x8A6A44, 0xD8C8A8, 0x8A7E68,
     {0xE8B070, 0xC08048, 0x8A5430}, 0xF0E0C0,
     {0xD8C8A8, 0xB0A080, 0x7E7058}, 0x5A4E3C,
     {0xB07848, 0x845430, 0x58381E}, {0x6A5A4A, 0x4A3E32, 0x2E2620},
     0xFFE8B0, 0xFFC050,
     {0x8AB85A, 0x5A8A3A, 0x345A24}, {0xC89868, 0x9A7040, 0x644826},
     {0xE85A6A, 0xF8D040, 0xFFFFFF, 0x9A6AD8},
     0x6A5A4A, 0x4A3E32, 0x5A4C3E, 0x3A3028,
     0x8AB0D8, 0xF8ECD0, 0xFFFAF0, 0xF0E4D0,
     0xC8C0B0, 0xB09878, 0x8A7050,
     0xC8A888, 0xFFE8A0,
     {0xC86A3A, 0xE8C8A0, 0x8A4A2A}},
    {"rooftops", motif_dusk,  // dark red brick, slate, dusk light on everything
     {0x9AA86A, 0x6A7A4A, 0x44522E}, 0x2E3A20,
     {0x7A5A58, 0x5A4044, 0x3C2A30}, 0x4A3438, 0x9A8A90, 0x5E5058,
     {0xC8604A, 0x943E34, 0x5E2428}, 0xB8A098,
     {0x8A8AAA, 0x62627E, 0x404056}, 0x2C2C40,
     {0xB08050, 0x84583A, 0x583A26}, {0x5A5068, 0x3A3448, 0x22202E},
     0xFFE0A0, 0xFFB050,
     {0x7AA060, 0x4A7A44, 0x2E5030}, {0xC08A60, 0x94643E, 0x604028},
     {0xFF7A5A, 0xFFD060, 0xFFE8E0, 0xB080F0},
     0x4A4058, 0x2E283A, 0x3E3650, 0x24202E,
     0x3A2A6A, 0xF8A060, 0xF8C0A0, 0xC08AA0,
     0x8A5A8A, 0x5A3A6A, 0x3A2A4E,
     0x4A3A5E, 0xFFD070,
     {0xFFE070, 0xF87040, 0x2A2038}},
    {"night-market", motif_lanterns,  // night blues, lantern gold and red on the ground's edges
     {0x5A9A7A, 0x3A7058, 0x24483A}, 0x18302A,
     {0x5A4A5A, 0x403444, 0x2A222E}, 0x342A38, 0x8A8098, 0x544C60,
     {0x9A4A5A, 0x703444, 0x48202E}, 0x8A7A8A,
     {0x6A7090, 0x4C5270, 0x30344C}, 0x20223A,
     {0x9A6A4A, 0x704A34, 0x4A3022}, {0x3A3A50, 0x26263A, 0x161628},
     0xFFF8C0, 0xFFB040,
     {0x4A9A6A, 0x2E7050, 0x1A4834}, {0x9A7458, 0x72543E, 0x4A3626},
     {0xFF4A6A, 0xFFC83A, 0xFFF0E0, 0xA070FF},
     0x3A3450, 0x242038, 0x302A44, 0x1C182A,
     0x0A0E2A, 0x2A2A5A, 0xFFFFE0, 0x9AA0D0,
     0x242A50, 0x1A2040, 0x121830,
     0x1E2444, 0xFFD060,
     {0xFF3A3A, 0xFFC040, 0xFFE8A0}},
};

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

void earth_fill(const world_look& L, BITMAP* t, uint32_t noise_key, bool stones) {
    rng r(noise_key);
    box(t, 0, 0, T, T, L.earth.base);
    // clods: short dark dashes with a lit pixel above (light from the upper left), wrapping at
    // the tile's edges so that neighbouring tiles join without a seam
    for (int i = 0; i < 18; i++) {
        int x = r.range(0, 31), y = r.range(0, 31), w = r.range(2, 4);
        for (int j = 0; j < w; j++) {
            put(t, (x + j) % T, y, L.earth.lo);
            if (j < w - 1) put(t, (x + j) % T, (y + T - 1) % T, L.earth_speck);
        }
        put(t, x, (y + T - 1) % T, L.earth.hi);
    }
    for (int i = 0; i < 14; i++) put(t, r.range(0, 31), r.range(0, 31), L.earth.hi);
    for (int i = 0; i < 3; i++) {  // tiny buried pebbles
        int x = r.range(1, 29), y = r.range(1, 29);
        put(t, x, y, L.pebble);
        put(t, x + 1, y, L.pebble_lo);
    }
    if (stones)
        for (int i = 0; i < 6; i++) {
            int x = r.range(2, 27), y = r.range(2, 28), w = r.range(2, 4);
            box(t, x, y, w, 2, L.pebble);
            box(t, x + 1, y + 2, w, 1, L.pebble_lo);
            put(t, x, y, 0xE8E0D0);
        }
}

void grass_top(const world_look& L, BITMAP* t, uint32_t noise_key) {
    rng r(noise_key);
    box(t, 0, 0, T, 6, L.grass.base);
    box(t, 0, 0, T, 1, L.grass.hi);
    for (int x = 0; x < T; x++) {
        int d = r.range(0, 3);
        box(t, x, 6, 1, d, L.grass.base);
        put(t, x, 6 + d, L.grass_dark);
        if (r.range(0, 3) == 0) put(t, x, r.range(1, 4), L.grass.hi);
        if (r.range(0, 4) == 0) put(t, x, r.range(2, 5), L.grass.lo);
    }
}

void bricks(const world_look& L, BITMAP* t, int top) {
    box(t, 0, top, T, T - top, L.mortar);
    for (int row = 0; row * 8 + top < T; row++) {
        int y = top + row * 8, off = (row % 2) * 8;
        for (int x = -16 + off; x < T; x += 16) {
            box(t, x + 1, y + 1, 15, 7, L.brick.base);
            box(t, x + 1, y + 1, 15, 1, L.brick.hi);
            box(t, x + 1, y + 7, 15, 1, L.brick.lo);
            put(t, x + 15, y + 6, L.brick.lo);
        }
    }
    // clip to the tile: box/put already ignore outside pixels.
}

void stones(const world_look& L, BITMAP* t, int top) {
    box(t, 0, top, T, T - top, L.stone_gap);
    const int rows[][5] = {{0, 11, 20, 32, 32}, {0, 7, 18, 27, 32}, {0, 14, 24, 32, 32}, {0, 9, 21, 32, 32}};
    for (int row = 0; row < 4; row++) {
        int y = top + row * 8;
        if (y >= T) break;
        for (int i = 0; i < 4 && rows[row][i] < 32; i++) {
            int x0 = rows[row][i], x1 = rows[row][i + 1];
            box(t, x0 + 1, y + 1, x1 - x0 - 1, 7, L.stone.base);
            box(t, x0 + 1, y + 1, x1 - x0 - 1, 1, L.stone.hi);
            box(t, x0 + 1, y + 1, 1, 7, L.stone.hi);
            box(t, x0 + 1, y + 7, x1 - x0 - 1, 1, L.stone.lo);
            box(t, x1 - 1, y + 1, 1, 7, L.stone.lo);
        }
    }
}

void platform(const world_look& L, BITMAP* t, int ends) {  // ends: 0 middle, 1 left end, 2 right end
    box(t, 0, 0, T, 10, L.plank.base);
    box(t, 0, 0, T, 1, L.plank.hi);
    box(t, 0, 9, T, 1, L.plank.lo);
    for (int x = 7; x < T; x += 16) box(t, x, 1, 1, 8, L.plank.lo);
    for (int x = 3; x < T; x += 10) put(t, x, 4, L.plank.lo);
    box(t, 0, 10, T, 2, L.iron.lo);  // iron rail under the boards
    if (ends == 1) {
        box(t, 0, 0, 2, 12, magenta);
        put(t, 2, 0, magenta);
        put(t, 2, 11, magenta);
        box(t, 2, 1, 1, 10, L.plank.lo);
        limb(t, 6, 12, 3, 18, 1.0f, L.iron.base);  // a bracket
    } else if (ends == 2) {
        box(t, 30, 0, 2, 12, magenta);
        put(t, 29, 0, magenta);
        put(t, 29, 11, magenta);
        box(t, 29, 1, 1, 10, L.plank.lo);
        limb(t, 25, 12, 28, 18, 1.0f, L.iron.base);
    }
}

void flowers(const world_look& L, BITMAP* t) {
    rng r(11);
    for (int i = 0; i < 5; i++) {
        int x = 3 + i * 6 + r.range(0, 1), h = r.range(8, 15);
        box(t, x, T - h, 1, h, L.leaf.lo);
        box(t, x + 1, T - 5, 2, 1, L.leaf.base);
        box(t, x - 2, T - 7, 2, 1, L.leaf.base);
        put(t, x - 1, T - 6, L.leaf.base);
        put(t, x + 1, T - 4, L.leaf.lo);
        int c = L.petal[i % 4];
        box(t, x - 1, T - h - 3, 3, 3, c);
        put(t, x - 2, T - h - 2, c);
        put(t, x + 2, T - h - 2, c);
        put(t, x, T - h - 4, c);
        put(t, x, T - h - 2, c == 0xFFE04A ? 0xE87A20 : 0xFFD040);
        put(t, x + 1, T - h - 1, scale(c, 180));
    }
    box(t, 0, T - 2, T, 2, L.leaf.lo);
    for (int x = 0; x < T; x += 2) put(t, x, T - 3, L.leaf.base);
}

void lamp_top(const world_look& L, BITMAP* t) {
    limb(t, 16, 18, 16, 31, 1.2f, L.iron.base);
    box(t, 9, 10, 14, 3, L.iron.base);
    box(t, 10, 13, 12, 6, L.lamp_light);
    box(t, 11, 14, 4, 3, 0xFFFFF0);
    box(t, 10, 19, 12, 2, L.iron.base);
    box(t, 12, 7, 8, 3, L.iron.base);
    box(t, 15, 5, 2, 2, L.iron.base);
    for (int x = 8; x < 24; x += 2) put(t, x, 22, L.lamp_glow);
}

void lamp_post(const world_look& L, BITMAP* t) {
    box(t, 15, 0, 3, 26, L.iron.base);
    box(t, 15, 0, 1, 26, L.iron.hi);
    box(t, 17, 0, 1, 26, L.iron.lo);
    box(t, 12, 26, 9, 6, L.iron.base);
    box(t, 12, 26, 9, 1, L.iron.hi);
    box(t, 11, 30, 11, 2, L.iron.lo);
}

void sign_post(const world_look& L, BITMAP* t) {
    box(t, 14, 14, 3, 18, L.plank.lo);
    box(t, 4, 4, 24, 12, L.plank.base);
    box(t, 4, 4, 24, 1, L.plank.hi);
    box(t, 4, 15, 24, 1, L.plank.lo);
    // an arrow pointing right
    box(t, 8, 9, 12, 2, 0xFFFFFF);
    limb(t, 19, 7, 23, 10, 0.6f, 0xFFFFFF);
    limb(t, 19, 13, 23, 10, 0.6f, 0xFFFFFF);
}

void bush(const world_look& L, BITMAP* t) {
    blob(t, 16, 24, 14, 8.5f, L.leaf.base);
    blob(t, 10, 19, 7, 6, L.leaf.base);
    blob(t, 21, 18, 7, 7, L.leaf.base);
    box(t, 2, 31, 28, 1, magenta);
    shade(t, L.leaf, 0, 0, T, T);
    rng r(5);
    for (int i = 0; i < 14; i++) {
        int x = r.range(5, 26), y = r.range(14, 28);
        if (get(t, x, y) == L.leaf.base) put(t, x, y, L.leaf.hi);
    }
    put(t, 12, 20, 0xFF5A7A);
    put(t, 22, 24, 0xFF5A7A);
    put(t, 17, 16, 0xFF5A7A);
}

void fence(const world_look& L, BITMAP* t) {
    for (int x = 2; x < T; x += 8) {
        box(t, x, 10, 5, 22, L.fence_post);
        box(t, x + 4, 10, 1, 22, L.fence_post_lo);
        box(t, x + 1, 9, 3, 1, L.fence_post);
        put(t, x + 2, 8, L.fence_post);
    }
    box(t, 0, 15, T, 3, L.fence_rail);
    box(t, 0, 25, T, 3, L.fence_rail);
    box(t, 0, 17, T, 1, L.fence_rail_lo);
    box(t, 0, 27, T, 1, L.fence_rail_lo);
}

void crate(const world_look& L, BITMAP* t) {
    box(t, 0, 0, T, T, L.crate_wood.base);
    box(t, 0, 0, T, 3, L.crate_wood.hi);
    box(t, 0, 29, T, 3, L.crate_wood.lo);
    box(t, 0, 0, 3, T, L.crate_wood.hi);
    box(t, 29, 0, 3, T, L.crate_wood.lo);
    limb(t, 3, 4, 28, 28, 1.6f, L.crate_wood.lo);
    limb(t, 3, 3, 28, 27, 1.0f, L.crate_wood.hi);
    for (int y = 10; y < 29; y += 7) box(t, 3, y, 26, 1, L.crate_wood.lo);
    put(t, 1, 1, 0x5A5A6A);
    put(t, 30, 1, 0x5A5A6A);
    put(t, 1, 30, 0x5A5A6A);
    put(t, 30, 30, 0x5A5A6A);
}

void draw_tile(const world_look& L, BITMAP* t, int id) {
    clear_to_color(t, magenta);
    switch (id) {
        case tile_empty: break;
        case tile_grass:
            earth_fill(L, t, 101, false);
            grass_top(L, t, 201);
            break;
        case tile_grass_left:
        case tile_grass_right:
            earth_fill(L, t, 102, false);
            grass_top(L, t, 202);
            // the ledge's end: a rounded corner and grass hanging down the side
            for (int y = 0; y < 5; y++)
                for (int x = 0; x < 5 - y; x++) put(t, x, y, magenta);
            box(t, 0, 4, 3, 10, L.grass.base);
            box(t, 0, 14, 2, 2, L.grass_dark);
            box(t, 0, 5, 1, 8, L.grass.hi);
            if (id == tile_grass_right) mirror(t, 0, 0, T, T);
            break;
        case tile_earth: earth_fill(L, t, 103, false); break;
        case tile_earth_stones: earth_fill(L, t, 104, true); break;
        case tile_brick: bricks(L, t, 0); break;
        case tile_stone: stones(L, t, 0); break;
        case tile_platform: platform(L, t, 0); break;
        case tile_platform_left: platform(L, t, 1); break;
        case tile_platform_right: platform(L, t, 2); break;
        case tile_flowers: flowers(L, t); break;
        case tile_lamp_top: lamp_top(L, t); break;
        case tile_lamp_post: lamp_post(L, t); break;
        case tile_sign: sign_post(L, t); break;
        case tile_bush: bush(L, t); break;
        case tile_fence: fence(L, t); break;
        case tile_brick_top:
            bricks(L, t, 0);
            for (int x = 0; x < T; x++) {
                int d = 2 + ((x * 7) % 5 == 0 ? 2 : 0) + ((x * 3) % 4 == 0 ? 1 : 0);
                box(t, x, 0, 1, d, L.leaf.base);
                put(t, x, d, L.leaf.lo);
                if (x % 3 == 0) put(t, x, 0, L.leaf.hi);
            }
            break;
        case tile_stone_top:
            stones(L, t, 0);
            grass_top(L, t, 218);
            break;
        case tile_crate: crate(L, t); break;
    }
}

// A district's decoration on a drawn tile: only over pixels already opaque, so that the tile's
// mask stays the town's.
void paint(BITMAP* t, int x, int y, int c) {
    if (get(t, x, y) != magenta) put(t, x, y, c);
}

bool has_grass_top(int id) {
    return id == tile_grass || id == tile_grass_left || id == tile_grass_right || id == tile_stone_top ||
           id == tile_brick_top;
}

void decorate_tile(const world_look& L, BITMAP* t, int id) {
    rng r(static_cast<uint32_t>(1000 + id));
    switch (L.kind) {
        case motif_town: break;
        case motif_harbour:  // barnacles and wet streaks on stone, shells in the grass
            if (id == tile_stone || id == tile_stone_top)
                for (int i = 0; i < 8; i++) {
                    const int x = r.range(1, 30), y = r.range(id == tile_stone_top ? 10 : 2, 30);
                    paint(t, x, y, L.accent[0]);
                    paint(t, x + 1, y, L.stone.lo);
                }
            if (has_grass_top(id))
                for (int i = 0; i < 3; i++) paint(t, r.range(2, 29), r.range(2, 4), L.accent[0]);
            break;
        case motif_leaves:  // fallen leaves on the grass and the bushes
            if (has_grass_top(id) || id == tile_bush)
                for (int i = 0; i < 10; i++) {
                    const int x = r.range(0, 30), y = id == tile_bush ? r.range(12, 28) : r.range(0, 6);
                    const int c = L.accent[i % 3];
                    paint(t, x, y, c);
                    paint(t, x + 1, y, c);
                    paint(t, x + 1, y + 1, scale(c, 180));
                }
            break;
        case motif_old:  // patched plaster on the bricks, cracks in the stones
            if (id == tile_brick || id == tile_brick_top) {
                const int x = r.range(3, 20), y = r.range(8, 20);
                for (int j = 0; j < 8; j++)
                    for (int k = 0; k < 10 - (j % 3); k++) paint(t, x + k, y + j, mix(L.mortar, L.accent[1], 128));
            }
            if (id == tile_stone || id == tile_stone_top)
                for (int x = r.range(4, 12), y = r.range(10, 14), k = 0; k < 12; k++)
                    paint(t, x + k, y + (k * 5) % 3, L.stone_gap);
            break;
        case motif_dusk:  // the low sun's light along every top edge, lit from the left
            for (int x = 0; x < T; x++)
                for (int y = 0; y < T; y++)
                    if (get(t, x, y) != magenta) {
                        for (int k = 0; k < 2 && y + k < T; k++)
                            if (get(t, x, y + k) != magenta) put(t, x, y + k, mix(get(t, x, y + k), L.accent[1], 110 - 40 * k));
                        break;
                    }
            break;
        case motif_lanterns:  // warm lantern light on the tops, a red lantern on the lamp
            if (has_grass_top(id))
                for (int x = 0; x < T; x++) paint(t, x, 0, mix(get(t, x, 0), L.accent[1], 120));
            if (id == tile_lamp_top)
                for (int y = 13; y < 19; y++)
                    for (int x = 10; x < 22; x++) paint(t, x, y, y < 15 ? L.accent[2] : L.accent[0]);
            if (id == tile_fence)
                for (int x = 4; x < T; x += 10) {
                    paint(t, x, 16, L.accent[x % 3]);
                    paint(t, x + 1, 16, L.accent[x % 3]);
                }
            break;
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

void clouds(BITMAP* b, const world_look& L) {
    rng r(77);
    for (int i = 0; i < 22; i++) {
        float cx = static_cast<float>(r.range(0, back_w)), cy = static_cast<float>(r.range(20, 170));
        float s = static_cast<float>(r.range(10, 22));
        blob(b, cx, cy + s * 0.3f, s * 2.4f, s * 0.55f, L.cloud_lo);
        blob(b, cx - s, cy + s * 0.1f, s * 0.9f, s * 0.6f, L.cloud);
        blob(b, cx + s * 0.2f, cy - s * 0.2f, s * 1.1f, s * 0.8f, L.cloud);
        blob(b, cx + s * 1.3f, cy + s * 0.1f, s * 0.8f, s * 0.55f, L.cloud);
        box(b, static_cast<int>(cx - s * 2.0f), static_cast<int>(cy + s * 0.45f), static_cast<int>(s * 4.0f), 2, L.cloud_lo);
    }
}

// Stars in fixed places and a moon: no one-pixel dots (the game enlarges the picture unevenly).
void night_sky(BITMAP* b, const world_look& L) {
    rng r(91);
    for (int i = 0; i < 140; i++) {
        const int x = r.range(0, back_w - 2), y = r.range(4, 200);
        box(b, x, y, 2, 2, r.range(0, 3) ? L.cloud_lo : L.cloud);
    }
    blob(b, 1040, 60, 22, 22, L.cloud);
    blob(b, 1050, 54, 20, 20, mix(L.sky_top, L.sky_bottom, 60));  // the crescent's shadow
}

// A low sun behind the town, with broad bands of glow around it.
void sun(BITMAP* b, const world_look& L) {
    for (int k = 3; k >= 1; k--)
        blob(b, 700, 236, 40.0f + 26.0f * static_cast<float>(k), 20.0f + 12.0f * static_cast<float>(k),
             mix(L.sky_bottom, L.accent[0], 256 - 60 * k));
    blob(b, 700, 236, 36, 36, L.accent[0]);
}

// The sea below the horizon: bands darker towards the viewer, light on the waves, boats with
// masts and sails, and a lighthouse on a rock.
void sea(BITMAP* b, const world_look& L) {
    const int horizon = 286;
    for (int i = 0; i < 6; i++)
        box(b, 0, horizon + i * 26, back_w, back_h - horizon - i * 26, mix(L.hill_mid, L.hill_near, i * 50));
    rng r(29);
    for (int i = 0; i < 160; i++) {
        const int y = r.range(horizon + 4, back_h - 4);
        box(b, r.range(0, back_w - 20), y, r.range(6, 18), 2, mix(L.hill_mid, L.sky_bottom, 150));
    }
    for (int i = 0; i < 9; i++) {
        const int x = 60 + i * 150 + r.range(0, 60), y = horizon + 10 + r.range(0, 50);
        const int len = r.range(40, 70), mast = r.range(50, 80);
        for (int j = 0; j < 10; j++) box(b, x + j, y + j, len - 2 * j, 1, L.accent[1]);  // the hull
        box(b, x + len / 2 - 1, y - mast, 3, mast, L.iron.lo);                           // the mast
        for (int j = 0; j < mast - 12; j++)                                               // the sail
            box(b, x + len / 2 + 3, y - mast + 6 + j, j * 2 / 3 + 2, 1, L.accent[0]);
        box(b, x + len / 2 - 14, y - mast + 10, 28, 3, L.iron.lo);                        // the yard
    }
    blob(b, 1250, static_cast<float>(horizon + 12), 70, 20, L.stone.lo);
    for (int j = 0; j < 110; j += 22) {
        box(b, 1232 + j / 11, horizon - 10 - j - 22, 36 - 2 * (j / 11), 11, L.accent[0]);
        box(b, 1232 + j / 11, horizon - 10 - j - 11, 36 - 2 * (j / 11), 11, L.accent[1]);
    }
    box(b, 1240, horizon - 146, 20, 16, L.lamp_light);
    box(b, 1236, horizon - 152, 28, 6, L.iron.lo);
}

// Strings of lanterns hung between poles across the market, in the motif's colours.
void lantern_strings(BITMAP* b, const world_look& L) {
    for (int pole = 0; pole < back_w; pole += 170) {
        box(b, pole, 250, 4, back_h - 250, L.iron.lo);
        for (int x = 0; x < 170; x += 2) {
            const float t = static_cast<float>(x) / 170.0f;
            const int y = 256 + static_cast<int>(40.0f * t * (1.0f - t) * 4.0f * 0.5f);
            box(b, pole + x, y, 2, 2, L.iron.lo);
            if (x % 20 == 10) {
                blob(b, static_cast<float>(pole + x + 1), static_cast<float>(y + 9), 5, 7, L.accent[(x / 20) % 3]);
                box(b, pole + x - 1, y + 2, 4, 2, L.iron.lo);
            }
        }
    }
}

BITMAP* make_back(const world_look& L) {
    BITMAP* b = new_bitmap(back_w, back_h, L.sky_top);
    // sky in bands (crisp, no dithering noise), lighter towards the horizon
    const int bands = 12;
    for (int i = 0; i < bands; i++) {
        int y0 = i * 230 / bands, y1 = (i + 1) * 230 / bands;
        box(b, 0, y0, back_w, y1 - y0, mix(L.sky_top, L.sky_bottom, i * 256 / (bands - 1)));
    }
    box(b, 0, 230, back_w, back_h - 230, L.sky_bottom);
    if (L.kind == motif_lanterns)
        night_sky(b, L);
    else
        clouds(b, L);
    if (L.kind == motif_dusk) sun(b, L);
    // far hills, a town, nearer hills
    hills(b, 245, 28, 0.006f, 0.5f, L.hill_far, 1);
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
                        if (t.range(0, 2) != 0) box(b, wx, wy, 2, 3, t.range(0, 4) ? mix(c, L.town_window, 150) : L.town_window);
            x += w + t.range(1, 24);
        }
    };
    town_row(47, 250, 14, 40, mix(L.town_far, L.sky_bottom, 140), false);
    town_row(31, 268, 18, 52, L.town_far, true);
    if (L.kind == motif_old) town_row(63, 284, 24, 64, mix(L.town_far, L.hill_mid, 90), true);
    if (L.kind == motif_harbour) {
        sea(b, L);
    } else {
        hills(b, 300, 22, 0.011f, 2.0f, L.hill_mid, 2);
        hills(b, 350, 18, 0.017f, 4.0f, L.hill_near, 3);
        // trees on the nearest hills
        rng tr(55);
        for (int i = 0; i < 60; i++) {
            int x = tr.range(0, back_w - 1);
            int y = 0;
            while (y < back_h && get(b, x, y) != L.hill_near) y++;
            const int crown = L.kind == motif_leaves ? L.accent[i % 3] : scale(L.hill_near, 200);
            blob(b, static_cast<float>(x), static_cast<float>(y - 6), 5, 8, crown);
            box(b, x, y, 1, 4, 0x3A5A3A);
        }
    }
    if (L.kind == motif_lanterns) lantern_strings(b, L);
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
    BITMAP* back = make_back(town_look);
    // the same landscape as the game, at its natural size, a part with town and hills
    blit(back, b, 200, 150, 0, 0, 320, 240);
    destroy_bitmap(back);
    // the ground from the game's own tiles, with a lamp, flowers and a bush
    BITMAP* tiles = new_bitmap(32, 32);
    auto tile = [&](int id, int x, int y) {
        draw_tile(town_look, tiles, id);
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

BITMAP* tile_sheet(const world_look& L) {
    BITMAP* sheet = new_bitmap(T * tile_sheet_columns, T * tile_sheet_rows);
    BITMAP* t = new_bitmap(T, T);
    for (int id = 0; id < tile_count; id++) {
        draw_tile(L, t, id);
        decorate_tile(L, t, id);
        blit(t, sheet, 0, 0, (id % tile_sheet_columns) * T, (id / tile_sheet_columns) * T, T, T);
    }
    destroy_bitmap(t);
    return sheet;
}

}  // namespace

BITMAP* make_tile_sheet() { return tile_sheet(town_look); }

BITMAP* make_shop_picture(int i) { return make_shop(i); }
BITMAP* make_background() { return make_back(town_look); }

std::vector<std::string> district_look_names() {
    std::vector<std::string> names;
    for (const world_look& L : district_looks) names.push_back(L.district);
    return names;
}

bool write_district_look(const std::string& district, const std::string& out) {
    for (const world_look& L : district_looks) {
        if (district != L.district) continue;
        BITMAP* b = tile_sheet(L);
        bool ok = save_pcx(out + "/tiles.pcx", b);
        destroy_bitmap(b);
        b = make_back(L);
        ok = ok && save_pcx(out + "/back.pcx", b);
        destroy_bitmap(b);
        return ok;
    }
    return false;
}
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
