// Loading of the shared assets: the tile sheet cut into tiles with masks, the title, the shops,
// the samples and the music.
#include "shell/assets.h"

#include <allegro.h>

#include "masks/pmask.h"
#include "music/music.h"
#include "shell/shell.h"

BITMAP* tilemap = nullptr;
std::vector<BITMAP*> tiles;
std::vector<PMASK*> masktiles;
BITMAP* the_title = nullptr;
DATAFILE* datshops = nullptr;
RLE_SPRITE* shops[5] = {};
SAMPLE* change = nullptr;
SAMPLE* shoe[2] = {};
SAMPLE* land = nullptr;
SAMPLE* jump = nullptr;
SAMPLE* velachange = nullptr;
FMUSIC_MODULE* song = nullptr;
