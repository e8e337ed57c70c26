// The shared assets that do not depend on the level: tiles with their masks, the title, the
// shop pictures, the samples and the music. Filled once by load_shit, kept until the end.
#ifndef OSA_CORE_ASSETS_H
#define OSA_CORE_ASSETS_H

#include <vector>

#include "core/state.h"

struct BITMAP;
struct DATAFILE;
struct RLE_SPRITE;
struct SAMPLE;
struct PMASK;
struct FMUSIC_MODULE;

// Tiles are tile_size pixels square, and so are the cells of the level's map.
constexpr int tile_size = 32;
// A character's frame, as cut from its datafile's strips.
constexpr int frame_w = 32;
constexpr int frame_h = 64;

extern BITMAP* tilemap;               // "dat/tiles.pcx", the whole sheet; destroyed at shut-down
extern std::vector<BITMAP*> tiles;    // tile n, tile_size square, sheet cells in reading order
extern std::vector<PMASK*> masktiles; // the mask of tile n (magenta empty)
extern BITMAP* the_title;             // "dat/title.pcx"
extern DATAFILE* datshops;            // "dat/shops.dat"
extern RLE_SPRITE* shops[shop_count]; // objects 0..4 of datshops: the shop of category i
extern SAMPLE* change;                // "dat/change.wav", a shop visit
extern SAMPLE* shoe[2];               // "dat/shoe1.wav", "dat/shoe2.wav", footsteps
extern SAMPLE* land;                  // "dat/land.wav"
extern SAMPLE* jump;                  // "dat/jump.wav"
extern SAMPLE* velachange;            // "dat/vela.wav", the partner's change
extern SAMPLE* unlock_sound;          // "dat/unlock.wav", a district opened
extern FMUSIC_MODULE* song;           // "dat/music.it"; null means no music

// Loads everything above from dat/ under the working directory, in this order: tile sheet and
// tiles, title, shops, samples, music. Needs the colour depth set (and the video mode, for
// pictures in the screen's format). A file the game cannot run without stops the loading with
// start_failure(): "error loading dat/tiles.pcx", "error loading dat/title.pcx", "error loading
// shops.dat" (also for fewer than five RLE sprites at its start). A sample or the music that
// cannot be loaded stays null: that sound is silent.
void load_shit();

// Cuts sheet into tile_size square tiles in reading order and appends each, with its mask, to tiles and
// masktiles (tile n is cell (n % c, n / c) for a sheet c cells wide). A partial cell at the right
// or bottom edge becomes a tile whose part beyond the sheet is mask colour. The tiles are copies:
// sheet stays the caller's. Returns false when a tile or mask cannot be made (out of memory).
bool cut_tiles(BITMAP* sheet);

// Releases everything load_shit loaded and empties the globals above, so that loading can start
// again (the game keeps its assets to the end; tests and benchmarks load more than once). A
// music handle is only forgotten: handles live until the process ends.
void unload_shit();

#endif
