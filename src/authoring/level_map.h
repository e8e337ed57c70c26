// A level drawn as text, one character per map cell: reading it, the checks that need no
// physics, the rules that pick each cell's tile picture, the level file and its preview.
#ifndef OSA_AUTHORING_LEVEL_MAP_H
#define OSA_AUTHORING_LEVEL_MAP_H

#include <istream>
#include <string>
#include <vector>

#include "core/assets.h"
#include "text/english.h"
#include "world/level.h"

struct BITMAP;

// The legend.
//   Walls (solid):  #  earth (grass on top where the cell above is open)
//                   B  brick (mossy top where open above)     S  stone (grassy top where open above)
//                   =  thin platform (ends drawn as ends)     c  crate
//   Open cells:     .  empty (the background shows)
//                   f  flowers   b  bush   n  fence   s  sign   i  lamp post   o  lamp head
//                   0..4  shop i, written in the cell just above its floor at the picture's left
//                         column; the 96 x 96 picture covers this cell, the two to its right and
//                         the two rows above the three
//                   P  V  the player's and the partner's start: row 16, columns 25 and 28,
//                         where the game puts them, on walls in row 17
// Lines starting with ';' are comments.
bool is_wall_char(char ch);
bool in_legend(char ch);

constexpr int shop_cells = 3;                          // a shop's picture is 3 x 3 cells
constexpr int shop_picture_w = shop_cells * tile_size; // pixels, as the shop check measures its window

// The cells where the game puts the characters (player_start_x, partner_start_x, start_y): the
// lower cell of each frame, which stands on the floor row below; rows 16 and columns 25 and 28.
constexpr int start_row = static_cast<int>(start_y) / tile_size + frame_h / tile_size - 1;
constexpr int player_start_column = static_cast<int>(player_start_x) / tile_size;
constexpr int partner_start_column = static_cast<int>(partner_start_x) / tile_size;

// The map as read: rows of cells, each with the line of the file it came from.
struct level_map {
    std::vector<std::string> rows;
    std::vector<int> lines;  // 1-based line of each row in the file
    int width() const { return rows.empty() ? 0 : static_cast<int>(rows[0].size()); }
    int height() const { return static_cast<int>(rows.size()); }
    char at(int c, int r) const;  // outside the map: '.'
};

// Reads the map's rows from in, skipping comment lines (';' first) and empty lines; a
// carriage return at a line's end is dropped.
level_map read_map(std::istream& in);

// "row R, column C (line L)": a cell of the map as the messages name it ("row R, column C" for a
// row the map does not have).
std::string cell_place(const level_map& m, int c, int r);
// The shops as the messages name them, by category: "the make-up shop", ...
extern const char* const shop_names[shop_count];
// The formats of check_map's faults, their places, shops and starts, for showing them in the
// player's language (text/english.h); the faults themselves are English.
extern const ENGLISH_FORMATS map_fault_formats;

// The checks that need no physics, in this order, each fault one message naming its place:
// the map is rectangular and within min_level_columns..map_columns by min_level_rows..map_rows;
// every character is in the legend; each shop and each start appears exactly once and the starts
// stand in their cells with open cells above and a wall below; the border is closed (no open cell
// on the map's edge); every shop stands on three wall cells with the nine cells of its picture
// open. An empty result means the map passed.
std::vector<std::string> check_map(const level_map& m);

// The level as the game reads it: a tile number and a wall flag per cell, the shops' cells.
struct level_cells {
    int w = 0, h = 0;
    std::vector<int> tile;    // row by row
    std::vector<bool> wall;
    int shop_col[shop_count] = {};
    int shop_row[shop_count] = {};  // the floor line: the row below the shop's character
    int tile_at(int c, int r) const { return tile[static_cast<size_t>(r * w + c)]; }
    bool wall_at(int c, int r) const { return wall[static_cast<size_t>(r * w + c)]; }
};

// Picks each cell's tile picture by the map's rules (grass, mossy or grassy tops where the cell
// above is open, platform ends, pebbles in a fixed pattern). For a map that check_map passed.
level_cells build_cells(const level_map& m);

// The text of the level file: width and height, the cells row by row, the five shops.
std::string level_text(const level_cells& lv);

// The whole level at half size: the background picture back stretched over it (a flat sky
// when back is null), tiles cut from sheet over it (flat colours when sheet is null), the shops
// as numbered frames and the two start positions as boxes. The caller owns the bitmap; null when
// it cannot be made.
BITMAP* draw_level_preview(const level_cells& lv, BITMAP* sheet, BITMAP* back = nullptr);

#endif
