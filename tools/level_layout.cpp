// The shipped level (dat/level.dat) and its preview: the map is drawn as text below, one
// character per 32 x 32 cell, and turned into tile numbers and wall flags by a few rules.
#include <allegro.h>

#include <cstdio>
#include <string>
#include <vector>

#include "assets.h"
#include "tile_ids.h"

namespace {

// ---- The level: edit here -------------------------------------------------------------------
//
// Walls (solid):  #  earth (grass on top where the cell above is open)
//                 B  brick (mossy top where open above)     S  stone (grassy top where open above)
//                 =  thin platform (ends drawn as ends)     c  crate
// Open cells:     .  empty (the background shows)
//                 f  flowers   b  bush   n  fence   s  sign   i  lamp post   o  lamp head
//                 0..4  shop i: written in the cell just above its floor, at the picture's left
//                       column; the shop's 96 x 96 picture covers this cell, the two to its right
//                       and the two rows above them (keep those open). 0 make-up, 1 hair,
//                       2 clothes, 3 shoes, 4 handbag.
//                 P  V  the player's and the partner's start (fixed by the game: the cells just
//                       above cells (25, 17) and (28, 17)).
// The map must be closed by walls all round: nothing else keeps the player inside.
//
// The way through, left to right: the hair shop at the bottom of a cave of steps; the clothes
// shop on its stone step beside the start; a gap with crates to climb out; a brick hill; a
// second gap; the shoes down in a sunken garden crossed on planks; the stone mountain with the
// make-up shop on its summit (steps of two cells, some of them planks over clefts, up one side
// and down the other); the handbag shop on a brick terrace at the far end.
// Rules that keep it fair: a jump rises just over two cells, so every climb goes up one cell at
// a time; nothing solid hangs within four rows above a place where a jump starts (the head would
// bump); a fall onto a floor stays under about ten rows. The area right of the start stays flat
// for a few cells, where the window tests walk and jump.
const char* const level_map[] = {
    "#SSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSS#",
    "#..........................................................................................................................................#",
    "#..........................................................................................................................................#",
    "#..........................................................................................................................................#",
    "#..........................................................................................................................................#",
    "#...........................................................................................................o..............................#",
    "#......................................................................................................f0...i..............................#",
    "#.....................................................................................................SSSSSSSS.............................#",
    "#...................................................................................................SSSSSSSSSSSS...........................#",
    "#.................................................................................................SSSSSSSSSSSSSSSS.........................#",
    "#...............................................................................................==SSSSSSSSSSSSSSSS==.......................#",
    "#............................................................................................fSS..SSSSSSSSSSSSSSSS..SS.....................#",
    "#...........................................................................................SSSS..SSSSSSSSSSSSSSSS..SSSS.................o.#",
    "#.................................................f...f...................................==SSSS..SSSSSSSSSSSSSSSS..SSSS==...............i.#",
    "#................................o...............BBBBBB..............o..................SS..SSSS..SSSSSSSSSSSSSSSS..SSSS..SS.........4...i.#",
    "#...............2................i.............BBBBBBBBBB............i................==SS..SSSS..SSSSSSSSSSSSSSSS..SSSS..SS==......BBBBBBB#",
    "#.......o......SSSSSff.s.P..V..b.i.f.....b.n.BBBBBBBBBBBBBBs.....f.b.i.n.==..==.....SS..SS..SSSS..SSSSSSSSSSSSSSSS..SSSS..SS..SSf.BBBBBBBBB#",
    "#.......i.....#######################....####################....#######...........#########################################################",
    "#.......i...#########################...c####################...c#######..........c#########################################################",
    "#....o..i.###########################..cc####################..cc#######.........cc#########################################################",
    "#....i..################################################################3..ff.b.ccc#########################################################",
    "#f1..i######################################################################################################################################",
    "############################################################################################################################################",
    "############################################################################################################################################",
    "############################################################################################################################################",
    "############################################################################################################################################",
};

// ---- End of the level data ------------------------------------------------------------------

struct cell {
    int tile;
    bool wall;
};

struct level {
    int w = 0, h = 0;
    std::vector<cell> cells;  // row by row
    int shop_col[5] = {-1, -1, -1, -1, -1};
    int shop_row[5] = {-1, -1, -1, -1, -1};
    int start_col[2] = {-1, -1};  // player, partner: the cell above the floor
    int start_row[2] = {-1, -1};
    cell& at(int c, int r) { return cells[static_cast<size_t>(r * w + c)]; }
};

int map_height() {
    return static_cast<int>(sizeof(level_map) / sizeof(level_map[0]));
}

// The map's character at (c, r); outside the map, empty.
char map_char(int c, int r) {
    if (r < 0 || r >= map_height() || c < 0 || c >= static_cast<int>(std::string(level_map[r]).size()))
        return '.';
    return level_map[r][c];
}

bool is_wall_char(char ch) {
    return ch == '#' || ch == 'B' || ch == 'S' || ch == '=' || ch == 'c';
}

// Rows of earth under the grass get pebbles in a fixed scattered pattern.
bool pebbles(int c, int r) {
    return (c * 7 + r * 13) % 11 == 0;
}

// Translates the map into cells, checking that it is rectangular and complete.
bool build_level(level& lv) {
    lv.h = map_height();
    lv.w = static_cast<int>(std::string(level_map[0]).size());
    lv.cells.assign(static_cast<size_t>(lv.w * lv.h), cell{tile_empty, false});
    for (int r = 0; r < lv.h; r++) {
        if (static_cast<int>(std::string(level_map[r]).size()) != lv.w) {
            std::fprintf(stderr, "make-assets: level row %d has the wrong length\n", r);
            return false;
        }
    }
    auto wall_at = [&](int c, int r) {
        return c >= 0 && r >= 0 && c < lv.w && r < lv.h && is_wall_char(map_char(c, r));
    };
    for (int r = 0; r < lv.h; r++) {
        for (int c = 0; c < lv.w; c++) {
            char ch = map_char(c, r);
            bool open_above = r > 0 && !wall_at(c, r - 1);
            int t = tile_empty;
            switch (ch) {
            case '#':
                if (open_above) {
                    bool left_open = c > 0 && !wall_at(c - 1, r) && !wall_at(c - 1, r - 1);
                    bool right_open = c + 1 < lv.w && !wall_at(c + 1, r) && !wall_at(c + 1, r - 1);
                    t = left_open && !right_open ? tile_grass_left
                        : right_open && !left_open ? tile_grass_right : tile_grass;
                } else {
                    t = pebbles(c, r) ? tile_earth_stones : tile_earth;
                }
                break;
            case 'B': t = open_above ? tile_brick_top : tile_brick; break;
            case 'S': t = open_above ? tile_stone_top : tile_stone; break;
            case '=':
                t = map_char(c - 1, r) != '=' ? tile_platform_left
                    : map_char(c + 1, r) != '=' ? tile_platform_right : tile_platform;
                break;
            case 'c': t = tile_crate; break;
            case 'f': t = tile_flowers; break;
            case 'b': t = tile_bush; break;
            case 'n': t = tile_fence; break;
            case 's': t = tile_sign; break;
            case 'i': t = tile_lamp_post; break;
            case 'o': t = tile_lamp_top; break;
            case '.': break;
            case 'P': case 'V':
                lv.start_col[ch == 'V'] = c;
                lv.start_row[ch == 'V'] = r;
                break;
            default:
                if (ch >= '0' && ch <= '4') {
                    lv.shop_col[ch - '0'] = c;
                    lv.shop_row[ch - '0'] = r + 1;  // the floor line is the top of the cell below
                    break;
                }
                std::fprintf(stderr, "make-assets: unknown level character '%c' at %d,%d\n", ch, c, r);
                return false;
            }
            lv.at(c, r) = cell{t, is_wall_char(ch)};
        }
    }
    for (int i = 0; i < 5; i++) {
        if (lv.shop_col[i] < 0) {
            std::fprintf(stderr, "make-assets: shop %d is missing from the level\n", i);
            return false;
        }
    }
    // The game places the characters at (800, 480) and (896, 480): standing on row 17.
    if (lv.start_col[0] != 25 || lv.start_row[0] != 16 || lv.start_col[1] != 28 || lv.start_row[1] != 16) {
        std::fprintf(stderr, "make-assets: P and V must stand at (25, 16) and (28, 16)\n");
        return false;
    }
    return true;
}

// Flat colours for the preview when no tile sheet is there, by tile number.
int flat_colour(int tile) {
    static const int colours[tile_count] = {
        0x000000, 0x3c9a32, 0x3c9a32, 0x3c9a32, 0x7a5230, 0x6e4a2a, 0xa0442c, 0x8a8a8a,
        0xc89650, 0xc89650, 0xc89650, 0xe060a0, 0xffe070, 0x505050, 0xb08040, 0x2e7a2e,
        0xd0b080, 0x8a5030, 0x9aa08a, 0xa06a30};
    return tile >= 0 && tile < tile_count ? colours[tile] : 0xff0000;
}

}  // namespace

bool write_level(const std::string& out) {
    level lv;
    if (!build_level(lv)) return false;
    std::string path = out + "/level.dat";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "make-assets: cannot write %s\n", path.c_str());
        return false;
    }
    std::fprintf(f, "%d %d\n", lv.w, lv.h);
    for (int r = 0; r < lv.h; r++) {
        for (int c = 0; c < lv.w; c++) {
            const cell& k = lv.at(c, r);
            std::fprintf(f, "%s%d%c", c ? " " : "", k.tile, k.wall ? 'w' : '.');
        }
        std::fputc('\n', f);
    }
    for (int i = 0; i < 5; i++) std::fprintf(f, "%d %d\n", lv.shop_col[i], lv.shop_row[i]);
    return std::fclose(f) == 0;
}

// The whole level at half size: tiles from out/tiles.pcx when it is there (flat colours
// otherwise), the five shops as numbered frames, the two start positions as boxes.
bool write_level_preview(const std::string& dir, const std::string& out) {
    level lv;
    if (!build_level(lv)) return false;
    constexpr int cell_px = 16;
    BITMAP* bmp = create_bitmap(lv.w * cell_px, lv.h * cell_px);
    if (!bmp) return false;
    clear_to_color(bmp, makecol(120, 170, 230));
    BITMAP* sheet = load_bitmap((out + "/tiles.pcx").c_str(), nullptr);
    for (int r = 0; r < lv.h; r++) {
        for (int c = 0; c < lv.w; c++) {
            int t = lv.at(c, r).tile;
            int x = c * cell_px, y = r * cell_px;
            if (sheet && t < (sheet->w / 32) * (sheet->h / 32)) {
                BITMAP* small = create_bitmap(cell_px, cell_px);
                stretch_blit(sheet, small, (t % (sheet->w / 32)) * 32, (t / (sheet->w / 32)) * 32, 32, 32,
                             0, 0, cell_px, cell_px);
                draw_sprite(bmp, small, x, y);  // magenta stays transparent
                destroy_bitmap(small);
            } else if (t != tile_empty) {
                int col = flat_colour(t);
                rectfill(bmp, x, y, x + cell_px - 1, y + cell_px - 1,
                         makecol((col >> 16) & 255, (col >> 8) & 255, col & 255));
            }
            if (lv.at(c, r).wall && !sheet) rect(bmp, x, y, x + cell_px - 1, y + cell_px - 1, makecol(40, 40, 40));
        }
    }
    if (sheet) destroy_bitmap(sheet);
    const int shop_colour = makecol(255, 255, 0);
    for (int i = 0; i < 5; i++) {
        int x = lv.shop_col[i] * cell_px, y = lv.shop_row[i] * cell_px;
        rect(bmp, x, y - 3 * cell_px, x + 3 * cell_px - 1, y - 1, shop_colour);
        textprintf_ex(bmp, font, x + 4, y - 3 * cell_px + 4, shop_colour, -1, "%d", i);
    }
    // Characters are 32 x 64 pixels standing at (800, 480) and (896, 480).
    const int start_colour[2] = {makecol(255, 0, 128), makecol(0, 255, 255)};
    const int start_x[2] = {800, 896};
    for (int k = 0; k < 2; k++) {
        int x = start_x[k] * cell_px / 32, y = 480 * cell_px / 32;
        rect(bmp, x, y, x + cell_px - 1, y + 2 * cell_px - 1, start_colour[k]);
    }
    bool ok = save_bitmap((dir + "/level.pcx").c_str(), bmp, nullptr) == 0;
    destroy_bitmap(bmp);
    return ok;
}
