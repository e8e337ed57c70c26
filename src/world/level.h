// The level: the tile map with its wall flags, the shop positions, and the bitmaps whose size
// depends on the level or the screen. Filled once by load_level.
#ifndef OSA_WORLD_LEVEL_H
#define OSA_WORLD_LEVEL_H

#include <istream>
#include <string>

struct BITMAP;
struct DATAFILE;

// One map cell.
struct TILE {
    int iTile = 0;       // tile number: index into tiles and masktiles
    bool blWall = false; // solid: takes part in the characters' collision tests
};

constexpr int map_columns = 1000; // limits of the map array
constexpr int map_rows = 500;

extern TILE iLevel[map_columns][map_rows]; // iLevel[cx][cy]; unread cells stay {0, false}
extern int iXSize;                         // level width in cells
extern int iYSize;                         // level height in cells

struct SHOP_POS {
    int x; // left edge of the shop picture, world pixels
    int y; // the floor line it stands on, world pixels
};
extern SHOP_POS shop[5]; // shop i serves outfit category i

extern BITMAP* buffer;   // the world buffer, the whole level; every frame is drawn into it
extern BITMAP* back;     // the parallax background, half the level plus one screen
extern BITMAP* before;   // 32 x 64: the player's look before a shop visit
extern BITMAP* now;      // 32 x 64: the look after it
extern DATAFILE* font1;  // "dat/font.dat"; object 0 is the HUD font

// Reads a level in the text format of dat/level.dat from in into iLevel, iXSize, iYSize and
// shop. tile_count is the number of tiles cut from the sheet. Returns false with a description
// of the fault in *error (what is wrong and where) when the level cannot be used.
bool read_level(std::istream& in, int tile_count, std::string* error);

// Reads "dat/level.dat" and creates buffer, back, before, now and loads font1.
// Faults are reported with start_failure().
void load_level();

#endif
