// The shared assets that do not depend on the level: tiles with their masks, the title, the
// shop pictures, the samples and the music. Filled once by load_shit, kept until the end.
#ifndef OSA_SHELL_ASSETS_H
#define OSA_SHELL_ASSETS_H

#include <vector>

struct BITMAP;
struct DATAFILE;
struct RLE_SPRITE;
struct SAMPLE;
struct PMASK;
struct FMUSIC_MODULE;

extern BITMAP* tilemap;               // "dat/tiles.pcx", the whole sheet; destroyed at shut-down
extern std::vector<BITMAP*> tiles;    // 32 x 32 tile n, sheet cells in reading order
extern std::vector<PMASK*> masktiles; // the mask of tile n (magenta empty)
extern BITMAP* the_title;             // "dat/title.pcx"
extern DATAFILE* datshops;            // "dat/shops.dat"
extern RLE_SPRITE* shops[5];          // objects 0..4 of datshops: the shop of category i
extern SAMPLE* change;                // "dat/change.wav", a shop visit
extern SAMPLE* shoe[2];               // "dat/shoe1.wav", "dat/shoe2.wav", footsteps
extern SAMPLE* land;                  // "dat/land.wav"
extern SAMPLE* jump;                  // "dat/jump.wav"
extern SAMPLE* velachange;            // "dat/vela.wav", the partner's change
extern FMUSIC_MODULE* song;           // "dat/music.it"; null means no music

// Loads everything above from dat/ under the working directory. Needs the colour depth and
// video mode set. A file the game cannot run without is reported with start_failure().
void load_shit();

#endif
