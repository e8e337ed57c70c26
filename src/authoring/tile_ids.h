// The tile sheet's layout: tile number n is cell (n % tile_sheet_columns, n / tile_sheet_columns)
// of dat/tiles.pcx. The picture generator draws these cells and the map's rules place them.
#ifndef OSA_AUTHORING_TILE_IDS_H
#define OSA_AUTHORING_TILE_IDS_H

enum tile_id {
    tile_empty = 0,          // all magenta: the cells the level leaves unset
    tile_grass = 1,          // ground with a grass top
    tile_grass_left = 2,     // grass top, left end of a ledge
    tile_grass_right = 3,    // grass top, right end of a ledge
    tile_earth = 4,          // earth below the grass
    tile_earth_stones = 5,   // earth with pebbles
    tile_brick = 6,          // brick wall
    tile_stone = 7,          // stone wall
    tile_platform = 8,       // thin platform: solid top, lower part magenta
    tile_platform_left = 9,  // its left end
    tile_platform_right = 10,// its right end
    tile_flowers = 11,       // decoration: flowers standing on the cell's floor
    tile_lamp_top = 12,      // decoration: street lamp head
    tile_lamp_post = 13,     // decoration: street lamp post
    tile_sign = 14,          // decoration: sign post
    tile_bush = 15,          // decoration: bush
    tile_fence = 16,         // decoration: fence
    tile_brick_top = 17,     // brick wall with a mossy top
    tile_stone_top = 18,     // stone wall with a grassy top
    tile_crate = 19,         // a wooden crate
    tile_count = 20
};

constexpr int tile_sheet_columns = 10;
constexpr int tile_sheet_rows = 2;

#endif
