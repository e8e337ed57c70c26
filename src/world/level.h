// The level: the tile map with its wall flags, the shop positions, and the bitmaps whose size
// depends on the level or the screen. Filled once by load_level.
#ifndef OSA_WORLD_LEVEL_H
#define OSA_WORLD_LEVEL_H

#include <istream>
#include <string>
#include <vector>

#include "core/state.h"
#include "text/english.h"

struct BITMAP;
struct DATAFILE;

// One map cell.
struct TILE {
    int iTile = 0;       // tile number: index into tiles and masktiles
    bool blWall = false; // solid: takes part in the characters' collision tests
};

constexpr int map_columns = 1000; // limits of the map array
constexpr int map_rows = 500;
// Where every level puts the two characters: the player's and the partner's frame, the frames'
// top edge 480 px down (standing on the floor of cell row 17).
constexpr float player_start_x = 800.0f;
constexpr float partner_start_x = 896.0f;
constexpr float start_y = 480.0f;
constexpr int min_level_columns = 29; // the smallest level: one screen, and the two characters'
constexpr int min_level_rows = 17;    // start frames inside it

extern TILE iLevel[map_columns][map_rows]; // iLevel[cx][cy]; unread cells stay {0, false}
extern int iXSize;                         // level width in cells
extern int iYSize;                         // level height in cells

struct SHOP_POS {
    int x; // left edge of the shop picture, world pixels
    int y; // the floor line it stands on, world pixels
};
extern SHOP_POS shop[shop_count]; // shop i serves outfit category i

extern BITMAP* buffer;   // the world buffer, the whole level; every frame is drawn into it
extern BITMAP* back;     // the parallax background, half the level plus one screen
extern BITMAP* before;   // frame_w x frame_h: the player's look before a shop visit
extern BITMAP* now;      // 32 x 64: the look after it
extern DATAFILE* font1;  // "dat/font.dat"; object 0 is the HUD font

// Reads a level in the text format of dat/level.dat from in: the width and the height in cells,
// then each cell row by row (a tile number and, directly or after blanks, its flag letter, "w"
// for a wall), then column and row of the five shops; anything after that is ignored.
// tile_count is the number of tiles cut from the sheet: every tile number must lie in
// 0..tile_count-1, the width in min_level_columns..map_columns, the height in
// min_level_rows..map_rows, each shop's column
// inside the level and its row in 0..height. On success fills iLevel (cells beyond the size are
// {0, false}), iXSize, iYSize and shop (cells times tile_size) and returns true. Otherwise it changes
// none of them, returns false and, when error is not null, puts there what is wrong and where:
// "<what> at row R, column C", R and C being the line and column of the file's text (from 1)
// where the fault was found, the end of the text for a file that ends early.
bool read_level(std::istream& in, int tile_count, std::string* error);

// A level as read, before it is put in play.
struct LEVEL_READ {
    int width = 0, height = 0;     // in cells
    std::vector<TILE> cells;       // row by row
    SHOP_POS places[shop_count] = {};  // world pixels, as shop holds them
    const TILE& at(int cx, int cy) const {
        return cells[static_cast<size_t>(cy) * static_cast<size_t>(width) + static_cast<size_t>(cx)];
    }
};
// The formats of read_level's faults, for showing them in the player's language (text/english.h):
// the whole "<what> at row R, column C", each fault and the values they name.
extern const ENGLISH_FORMATS level_read_formats;

// read_level's reading and checks without putting the level in play: fills *out (on success
// only) and changes no global.
bool parse_level(std::istream& in, int tile_count, LEVEL_READ* out, std::string* error);

// Makes back for a screen of screen_w x screen_h pixels: "dat/back.pcx" stretched over half the
// level plus one screen, so that the window at half the camera's position always lies inside it.
// load_level passes the screen's size. Returns false, back unchanged, when the picture cannot be
// read or the bitmap cannot be made (then *out_of_memory, when given, is set true); a back made
// before is replaced (and destroyed).
bool make_back(int screen_w, int screen_h, bool* out_of_memory = nullptr);

// The level file load_level reads, and its name in load_level's messages: "dat/level.dat" for
// the shipped level; the shell sets both when the player asks for a level file of their own.
extern std::string level_file;
extern std::string level_name;
// The shared background, every district's that has none of its own.
constexpr const char* shared_back_file = "dat/back.pcx";
// The background's picture that make_back stretches: shared_back_file, or a district's own.
extern std::string back_file;

// Reads level_file with read_level (tile_count: the tiles cut by load_shit), then creates
// buffer (cleared to 0), back (dat/back.pcx stretched to half the level plus one screen), before
// and now, and loads font1. The first fault is reported with start_failure() and ends the
// loading: "error opening <level_name>", "error in <level_name>: ...", "can't load
// dat/back.pcx", "error loading dat/font.dat", "error creating b,n bitmaps", and for a world
// buffer or background too large for the memory "out of memory for a level of W x H cells".
void load_level();

// Releases buffer, back, before, now and font1 and sets them to null, so that load_level can run
// again (tests and benchmarks). The map itself is left as it is.
void unload_level();

#endif
